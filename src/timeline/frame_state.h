// Everything the show carries from one frame to the next, in one record that
// can be saved and put back: the clock as the last refresh left it, the sync
// hand-over, the random generator, the swirl kicks, the scene camera and the
// objects' poses. The globals keep their names and stay what the frame reads;
// the record is a copy (the trace tool, the test fixtures, the capture's
// skip-ahead, a player's seek). Fixed size: saving and restoring allocate nothing.
#pragma once

#include <cstdint>

#include "assets/objects.h"
#include "records/camera.h"

struct ObjectPose {
  float angleX = 0, angleY = 0, angleZ = 0;  // radians
  float posX = 0, posY = 0, posZ = 0;
  int textureSlot = 0;
  int renderMode = 0;
};

struct FrameState {
  // demoClock
  float startTickMs = 0;
  float elapsedMs = 0;
  int order = 0, row = 0, rowTick = 0, rowPosition = 0, songPosition = 0;
  // syncEvent and lastSyncMs
  int syncPending = 0;
  float syncTimeMs = 0;
  int lastSyncMs = -100000;
  uint32_t randomState = 1;  // the show's rand()
  int swirlKickTime = 0, swirlKickSign = 1;
  int pairKickTime = 0, pairKickSign = 1;
  CameraPose sceneCamera;
  ObjectPose objects[objectTableSize];  // ObjectTable's poses; the arrays are the loader's
};

// Main thread only, between frames: the audio thread's sync may land in
// syncEvent meanwhile, and a restore overwrites it.
void SaveFrameState(FrameState& state);
void RestoreFrameState(const FrameState& state);

// The values of the show's first frame: the clock at zero, no sync pending,
// lastSyncMs -100000, random state 1, the kicks at 0 with sign +1. The camera
// and the poses, which the object loader sets, stay as they are.
void SetShowStartValues(FrameState& state);
// The clock at a position: rowPosition and songPosition derived as the clock
// derives them, the song position wrapping like its 32-bit word for any order.
void SetFrameClock(FrameState& state, int order, int row, int rowTick, float elapsedMs);
