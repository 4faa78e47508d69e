#include <gtest/gtest.h>

#include "music/clock.h"

namespace {

uint32_t fakeTick = 0;
int32_t fakePosition = 0;
uint32_t FakeTicks() { return fakeTick; }
int32_t FakePosition() { return fakePosition; }

class ClockTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetDemoClock();
    SetLoopingPlayback(false);
    SetTickSource(FakeTicks);
    SetPositionSource(FakePosition);
  }
  void TearDown() override {
    SetTickSource(nullptr);
    SetPositionSource(nullptr);
  }
};

TEST_F(ClockTest, PositionWordSplitsIntoOrderRowAndTick) {
  fakePosition = 3 | (645 << 16);  // order 3, row 10, fraction 5
  UpdateDemoClock();
  EXPECT_EQ(demoClock.order, 3);
  EXPECT_EQ(demoClock.row, 10);
  EXPECT_EQ(demoClock.rowTick, 5);
  EXPECT_EQ(demoClock.rowPosition, 645);
  EXPECT_EQ(demoClock.songPosition, 12933);
}

TEST_F(ClockTest, FailedPositionQueryGivesOrderMinusOne) {
  fakePosition = -1;
  UpdateDemoClock();
  EXPECT_EQ(demoClock.order, -1);
  EXPECT_EQ(demoClock.row, 0);
  EXPECT_EQ(demoClock.rowTick, 0);
  EXPECT_EQ(demoClock.rowPosition, 0);
  EXPECT_EQ(demoClock.songPosition, -4096);
}

TEST_F(ClockTest, ElapsedIsExactTickMinusFloatStartRoundedOnce) {
  // 2^24 + 1 is not a float: the start tick rounds to 2^24 and the show starts 1 ms late.
  demoClock.startTickMs = static_cast<float>(16777217u);
  fakeTick = 16777217u + 250u;
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 251.0f);

  demoClock.startTickMs = 1000.0f;
  fakeTick = 1000u;
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 0.0f);
}

TEST_F(ClockTest, SyncsWithinOneFrameGiveOneEventStampedWithThatFrame) {
  fakeTick = 500;
  UpdateDemoClock();
  OnMusicSync(0, 0, 1, 0);
  fakeTick = 510;  // time passes but no refresh: the stamp stays the last frame's
  OnMusicSync(0, 0, 1, 0);
  EXPECT_TRUE(ConsumeSyncEvent());
  EXPECT_EQ(lastSyncMs, 500);
  EXPECT_FALSE(ConsumeSyncEvent());
  EXPECT_EQ(lastSyncMs, 500);
}

TEST_F(ClockTest, PendingSyncWaitsForItsFirstConsumer) {
  fakeTick = 100;
  UpdateDemoClock();
  OnMusicSync(0, 0, 1, 0);
  for (uint32_t t = 200; t < 1000; t += 100) {
    fakeTick = t;
    UpdateDemoClock();  // frames that take no sync
  }
  EXPECT_EQ(syncEvent.pending.load(), 1);
  EXPECT_TRUE(ConsumeSyncEvent());
  EXPECT_EQ(lastSyncMs, 100);  // the old stamp, latched late
}

TEST_F(ClockTest, ConsumeTruncatesTowardZero) {
  demoClock.startTickMs = 0.5f;
  fakeTick = 10;
  UpdateDemoClock();  // 9.5
  OnMusicSync(0, 0, 0, 0);
  ConsumeSyncEvent();
  EXPECT_EQ(lastSyncMs, 9);
}

TEST_F(ClockTest, EndSetsQuitOnceAndNothingClearsIt) {
  EXPECT_EQ(quitRequested.load(), 0);
  OnMusicEnd(0, 0, 0, 0);
  EXPECT_EQ(quitRequested.load(), 1);
  OnMusicSync(0, 0, 0, 0);
  ConsumeSyncEvent();
  UpdateDemoClock();
  OnMusicEnd(0, 0, 0, 0);
  EXPECT_EQ(quitRequested.load(), 1);
}

TEST_F(ClockTest, EndWhileLoopingRestartsTheClockInstead) {
  SetLoopingPlayback(true);
  demoClock.startTickMs = 5.0f;
  fakeTick = 90000;
  OnMusicEnd(0, 0, 0, 0);
  EXPECT_EQ(quitRequested.load(), 0);
  EXPECT_EQ(demoClock.startTickMs.load(), 90000.0f);
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 0.0f);
}

}  // namespace
