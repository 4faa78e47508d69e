#include "timeline/frame_state.h"

#include "assets/objects.h"
#include "effects/sheets.h"
#include "music/clock.h"
#include "render/show_random.h"

void SaveFrameState(FrameState& state) {
  state.startTickMs = demoClock.startTickMs.load();
  state.elapsedMs = demoClock.elapsedMs.load();
  state.order = demoClock.order;
  state.row = demoClock.row;
  state.rowTick = demoClock.rowTick;
  state.rowPosition = demoClock.rowPosition;
  state.songPosition = demoClock.songPosition;
  state.syncPending = syncEvent.pending.load();
  state.syncTimeMs = syncEvent.timeMs.load();
  state.lastSyncMs = lastSyncMs;
  state.randomState = GetShowRandomState();
  state.swirlKickTime = swirlKickTime;
  state.swirlKickSign = swirlKickSign;
  state.pairKickTime = pairKickTime;
  state.pairKickSign = pairKickSign;
  state.sceneCamera = sceneCamera;
  for (int i = 0; i < objectTableSize; ++i) {
    const Object3D& o = ObjectTable[i];
    state.objects[i] = ObjectPose{o.angleX, o.angleY, o.angleZ, o.posX,
                                  o.posY,   o.posZ,   o.textureSlot, o.renderMode};
  }
}

void RestoreFrameState(const FrameState& state) {
  SetDemoClockStart(state.startTickMs);
  demoClock.elapsedMs.store(state.elapsedMs);
  demoClock.order = state.order;
  demoClock.row = state.row;
  demoClock.rowTick = state.rowTick;
  demoClock.rowPosition = state.rowPosition;
  demoClock.songPosition = state.songPosition;
  // The time before the flag, as the sync callback stores them.
  syncEvent.timeMs.store(state.syncTimeMs);
  syncEvent.pending.store(state.syncPending);
  lastSyncMs = state.lastSyncMs;
  SetShowRandomState(state.randomState);
  swirlKickTime = state.swirlKickTime;
  swirlKickSign = state.swirlKickSign;
  pairKickTime = state.pairKickTime;
  pairKickSign = state.pairKickSign;
  sceneCamera = state.sceneCamera;
  for (int i = 0; i < objectTableSize; ++i) {
    Object3D& o = ObjectTable[i];
    const ObjectPose& p = state.objects[i];
    o.angleX = p.angleX;
    o.angleY = p.angleY;
    o.angleZ = p.angleZ;
    o.posX = p.posX;
    o.posY = p.posY;
    o.posZ = p.posZ;
    o.textureSlot = p.textureSlot;
    o.renderMode = p.renderMode;
  }
}

void SetShowStartValues(FrameState& state) {
  const FrameState start;
  state.startTickMs = start.startTickMs;
  state.syncPending = start.syncPending;
  state.syncTimeMs = start.syncTimeMs;
  state.lastSyncMs = start.lastSyncMs;
  state.randomState = start.randomState;
  state.swirlKickTime = start.swirlKickTime;
  state.swirlKickSign = start.swirlKickSign;
  state.pairKickTime = start.pairKickTime;
  state.pairKickSign = start.pairKickSign;
  SetFrameClock(state, 0, 0, 0, 0);
}

void SetFrameClock(FrameState& state, int order, int row, int rowTick, float elapsedMs) {
  state.order = order;
  state.row = row;
  state.rowTick = rowTick;
  state.rowPosition = row * 64 + rowTick;
  state.songPosition = static_cast<int>(static_cast<uint32_t>(order) * 4096u +
                                        static_cast<uint32_t>(state.rowPosition));
  state.elapsedMs = elapsedMs;
}
