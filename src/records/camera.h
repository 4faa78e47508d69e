// The scene camera: one pose that the object scenes move every frame, and its
// start-up pose, which the object loader puts back after loading.
#pragma once

struct CameraPose {
  float angleX = 0, angleY = 0, angleZ = 0;     // radians
  float offsetX = 0, offsetY = 0, offsetZ = 0;  // added before the rotation
};

extern CameraPose sceneCamera;  // main thread only; carries from frame to frame

// No rotation, 500 units back (offset z -500).
void ResetCamera(CameraPose& camera);
