// The scene camera: one pose that the object scenes move every frame, and its
// start-up pose, which the object loader puts back after loading.
#pragma once

struct CameraPose {
  float angleX = 0, angleY = 0, angleZ = 0;     // radians
  float offsetX = 0, offsetY = 0, offsetZ = 0;  // added before the rotation
};

// Main thread only. Each object scene sets every field before it draws, so
// nothing of an earlier frame is read from it.
extern CameraPose sceneCamera;

// No rotation, 500 units back (offset z -500).
void ResetCamera(CameraPose& camera);
