#include "timeline/frame_state.h"

#include <gtest/gtest.h>

#include "assets/objects.h"
#include "effects/sheets.h"
#include "frame_recording.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "render/show_random.h"
#include "scratch_dir.h"
#include "stand_in_objects.h"
#include "timeline/timeline.h"

namespace {

// Every carried global set by hand to a value no test state uses.
void ScrambleCarriedGlobals() {
  demoClock.elapsedMs.store(1);
  demoClock.order = demoClock.row = demoClock.rowTick = 1;
  demoClock.rowPosition = demoClock.songPosition = 1;
  syncEvent.pending.store(0);
  syncEvent.timeMs.store(1);
  lastSyncMs = 1;
  SetShowRandomState(1);
  swirlKickTime = pairKickTime = 1;
  swirlKickSign = pairKickSign = 1;
  sceneCamera = CameraPose{};
  for (Object3D& o : ObjectTable) o.angleX = o.angleY = o.angleZ = o.posX = o.posY = o.posZ = 1;
}

// Every order, with the objects loaded, draws the same calls and leaves the same
// state when its frame is drawn again from a restored state, although the first
// drawing changed that state: once taking a pending sync, once flashing and
// swirling from the last sync and kicks that the state carries.
TEST(FrameState, EveryOrderDrawsTheSameFrameAgainAfterARestore) {
  ScratchDir dir;
  ASSERT_TRUE(WriteStandInObjects(dir.path));
  {
    WorkingDir cd(dir.path);
    ASSERT_TRUE(LoadObjects());
  }
  int changed = 0;
  for (int run = 0; run < 38; ++run) {
    const int order = run / 2;
    const bool pending = run % 2 == 0;
    SCOPED_TRACE(testing::Message() << "order " << order << (pending ? ", sync pending" : ""));
    SetClockState(ClockState{order, 40, 9, 30000 + 1000.0f * order});
    FrameState before;
    SaveFrameState(before);
    before.syncPending = pending;
    before.syncTimeMs = before.elapsedMs - 250;
    before.lastSyncMs = static_cast<int>(before.elapsedMs) - 120;
    before.randomState = 12345u + order;
    before.swirlKickTime = before.pairKickTime = before.songPosition - 300;
    before.swirlKickSign = before.pairKickSign = -1;
    RestoreFrameState(before);

    std::vector<std::string> first = (GlrecReset(), DrawFrame(), GlrecCalls());
    FrameState after;
    SaveFrameState(after);
    changed += after.lastSyncMs != before.lastSyncMs || after.randomState != before.randomState ||
               after.swirlKickTime != before.swirlKickTime ||
               after.sceneCamera.offsetZ != before.sceneCamera.offsetZ;

    ScrambleCarriedGlobals();
    RestoreFrameState(before);
    std::vector<std::string> again = (GlrecReset(), DrawFrame(), GlrecCalls());
    EXPECT_EQ(DescribeDifference(again, first), "");
    FrameState afterAgain;
    SaveFrameState(afterAgain);
    EXPECT_EQ(afterAgain.lastSyncMs, after.lastSyncMs);
    EXPECT_EQ(afterAgain.syncPending, after.syncPending);
    EXPECT_EQ(afterAgain.randomState, after.randomState);
    EXPECT_EQ(afterAgain.swirlKickTime, after.swirlKickTime);
    EXPECT_EQ(afterAgain.pairKickSign, after.pairKickSign);
    EXPECT_EQ(afterAgain.sceneCamera.angleY, after.sceneCamera.angleY);
    EXPECT_EQ(afterAgain.objects[2].angleX, after.objects[2].angleX);
  }
  EXPECT_GE(changed, 20) << "most frames change the state they carry";
  for (Object3D& object : ObjectTable) ReleaseObject(object);
}

// What the frames write before they read comes back too: the start tick, the
// camera, an object's pose, texture slot and render mode.
TEST(FrameState, RestorePutsBackWhatNoFrameReads) {
  FrameState saved;
  SaveFrameState(saved);
  saved.startTickMs = 1234.5f;
  saved.sceneCamera.offsetY = 77;
  saved.objects[9].angleX = 0.25f;
  saved.objects[9].textureSlot = 44;
  saved.objects[9].renderMode = 7;
  saved.objects[9].posY = -3;
  RestoreFrameState(saved);
  EXPECT_EQ(demoClock.startTickMs.load(), 1234.5f);
  EXPECT_EQ(sceneCamera.offsetY, 77.0f);
  EXPECT_EQ(ObjectTable[9].angleX, 0.25f);
  EXPECT_EQ(ObjectTable[9].textureSlot, 44);
  EXPECT_EQ(ObjectTable[9].renderMode, 7);
  EXPECT_EQ(ObjectTable[9].posY, -3.0f);
  ObjectTable[9] = Object3D{};
  ResetDemoClock();
}

}  // namespace
