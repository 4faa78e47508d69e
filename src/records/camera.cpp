#include "records/camera.h"

CameraPose sceneCamera;

void ResetCamera(CameraPose& camera) {
  camera.angleX = 0;
  camera.angleY = 0;
  camera.angleZ = 0;
  camera.offsetX = 0;
  camera.offsetY = 0;
  camera.offsetZ = -500;
}
