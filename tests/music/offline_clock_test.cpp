#include "music/offline_clock.h"

#include <gtest/gtest.h>

#include "capture_module.h"
#include "music/clock.h"

namespace {

TEST(OfflineClock, FrameInstantsAreSampleIndices) {
  EXPECT_EQ(FrameInstantSample(0, 60), 0);
  EXPECT_EQ(FrameInstantSample(1, 60), 735);
  EXPECT_EQ(FrameFirstSample(1, 60), 735);
  EXPECT_EQ(FrameInstantSample(9947, 60), 9947 * 735);
  // 48 fps: frame 1 falls at sample 918.75, inside sample 918; 919 is the first after it.
  EXPECT_EQ(FrameInstantSample(1, 48), 918);
  EXPECT_EQ(FrameFirstSample(1, 48), 919);
  EXPECT_EQ(FrameFirstSample(4, 48), 3675);
}

TEST(OfflineClock, PositionsAndSyncsFollowTheDecodedRows) {
  std::vector<uint8_t> module = CaptureTestModule();
  OfflineClock clock;
  ASSERT_TRUE(OpenOfflineClock(clock, module.data(), module.size(), 60));
  ResetDemoClock();
  int syncFrames = 0;
  for (int64_t k = 0; k * 735 < kModuleSamples; k++) {
    StepOfflineClock(clock);
    ASSERT_EQ(clock.frame, k);
    int64_t sample = k * 735;
    int row = static_cast<int>(sample / kRowSamples);
    int fraction = static_cast<int>(sample % kRowSamples * 64 / kRowSamples);
    int32_t expected = (row / kRowsPerOrder) | ((row % kRowsPerOrder * 64 + fraction) << 16);
    ASSERT_EQ(clock.position, expected) << "frame " << k;

    // A sync belongs to the first frame whose instant is at or after its row's start.
    int expectedSyncs = 0;
    for (int syncRow : kSyncRows) {
      int64_t start = static_cast<int64_t>(syncRow) * kRowSamples;
      if (start <= sample && start > sample - 735) expectedSyncs++;
    }
    ASSERT_EQ(clock.syncs, expectedSyncs) << "frame " << k;

    ApplyOfflineClock(clock);
    float instant = static_cast<float>(k * 1000.0 / 60);
    EXPECT_EQ(demoClock.elapsedMs.load(), instant);
    EXPECT_EQ(demoClock.order, row / kRowsPerOrder);
    EXPECT_EQ(demoClock.rowPosition, (row % kRowsPerOrder) * 64 + fraction);
    if (expectedSyncs > 0) {
      syncFrames++;
      // Stamped with this frame's own refresh, as a live sync heard after it.
      EXPECT_EQ(syncEvent.pending.load(), 1);
      EXPECT_EQ(syncEvent.timeMs.load(), instant);
      EXPECT_TRUE(ConsumeSyncEvent());
      EXPECT_EQ(lastSyncMs, static_cast<int>(instant));
    } else {
      EXPECT_EQ(syncEvent.pending.load(), 0) << "frame " << k;
    }
  }
  EXPECT_EQ(syncFrames, 3);
  CloseOfflineClock(clock);
  ResetDemoClock();
}

TEST(OfflineClock, TheShowEndsWithTheModuleAndBlocksCoverEverySample) {
  std::vector<uint8_t> module = CaptureTestModule();
  OfflineClock clock;
  ASSERT_TRUE(OpenOfflineClock(clock, module.data(), module.size(), 48));
  int64_t covered = 0;
  for (;;) {
    StepOfflineClock(clock);
    ASSERT_EQ(clock.blockStart, covered);
    covered += clock.blockFrames;
    ASSERT_EQ(covered, FrameInstantSample(clock.frame, 48) + 1);
    if (OfflineClockPastEnd(clock)) break;
    ASSERT_LT(clock.frame, 1000);
  }
  EXPECT_EQ(clock.player.endFrame, kModuleSamples);
  // The first frame whose instant is at or past the end: 127008 * 48 / 44100 = 138.2.
  EXPECT_EQ(clock.frame, 139);
  EXPECT_FALSE(OpenOfflineClock(clock, "not a module", 12, 60));
}

}  // namespace
