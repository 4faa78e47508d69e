// Pause and seek on the show's clock with a tick source and a position the
// tests set, and no audio device (the audio layer's calls do nothing then).
#include "player/playback.h"

#include <SDL_keycode.h>
#include <gtest/gtest.h>

#include "effects/sheets.h"
#include "music/clock.h"
#include "shell/keys.h"

namespace {

uint32_t ticks = 0;
int32_t position = 0;
uint32_t ReadTicks() { return ticks; }
int32_t ReadPosition() { return position; }

class PlaybackTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetDemoClock();
    SetTickSource(ReadTicks);
    SetPositionSource(ReadPosition);
    ticks = 10000;
    position = 0;
  }
  void TearDown() override {
    SetTickSource(nullptr);
    SetPositionSource(nullptr);
    ResetDemoClock();
  }
};

TEST_F(PlaybackTest, PausedTimeDoesNotCountAndTheClockGoesOnFromThePause) {
  SetDemoClockStart(10000);
  ticks = 12500;
  UpdateDemoClock();
  Playback p;
  PausePlayback(p, 77);
  EXPECT_TRUE(p.paused);
  EXPECT_EQ(p.pausedRandom, 77u);
  ticks = 17500;  // five seconds paused
  ResumePlayback(p);
  EXPECT_FALSE(p.paused);
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 2500.0f);
  ticks = 17516;
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 2516.0f);
  // Resuming twice does not move the clock again.
  ResumePlayback(p);
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 2516.0f);
}

TEST_F(PlaybackTest, SeekSetsTheClockAndTheSyncStateOfAStraightRun) {
  SeekTable table;
  table.orders = 3;
  for (int o = 0; o < 3; o++) table.starts[o].played = true;
  table.starts[2].elapsedMs = 8200.5;
  table.starts[2].state = SyncLeftState{7900, 0, 0, 3000, -1, 0, 1};
  lastSyncMs = 12;
  swirlKickSign = 1;
  syncEvent.pending.store(1);
  position = 2;  // order 2, row 0: where the restarted module reports
  ticks = 40000;
  Playback p;
  ASSERT_TRUE(SeekPlayback(p, table, 2));
  EXPECT_EQ(demoClock.order, 2);
  EXPECT_EQ(demoClock.row, 0);
  EXPECT_EQ(demoClock.elapsedMs.load(), 8200.5f);
  EXPECT_EQ(lastSyncMs, 7900);
  EXPECT_EQ(swirlKickTime, 3000);
  EXPECT_EQ(swirlKickSign, -1);
  EXPECT_EQ(syncEvent.pending.load(), 0);

  // Sought while paused: the time held counts from the seek.
  PausePlayback(p, 0);
  ticks = 41000;
  ASSERT_TRUE(SeekPlayback(p, table, 2));
  ticks = 46000;
  ResumePlayback(p);
  UpdateDemoClock();
  EXPECT_EQ(demoClock.elapsedMs.load(), 8200.5f);

  table.starts[1].played = false;
  EXPECT_FALSE(SeekPlayback(p, table, 1));
  EXPECT_FALSE(SeekPlayback(p, table, 3));
  EXPECT_EQ(demoClock.order, 2);
}

TEST_F(PlaybackTest, KeysAndTheOrdersTheyLeadTo) {
  // The shell's key table turns SDL's codes into these numbers.
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_ESCAPE), false), ActionQuit);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_SPACE), false), ActionPause);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_LEFT), false), ActionBack);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_RIGHT), false), ActionForward);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_HOME), false), ActionStart);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_f), false), ActionFullscreen);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_RETURN), true), ActionFullscreen);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_KP_ENTER), true), ActionFullscreen);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_RETURN), false), ActionNone);
  EXPECT_EQ(ActionForKey(VirtualKeyFromKeycode(SDLK_h), false), ActionOverlay);

  SeekTable table;
  table.orders = 19;
  for (int o = 0; o < 19; o++) table.starts[o].played = true;
  EXPECT_EQ(SeekTarget(ActionBack, 0, table, false), 0);
  EXPECT_EQ(SeekTarget(ActionBack, 5, table, false), 4);
  EXPECT_EQ(SeekTarget(ActionForward, 5, table, false), 6);
  EXPECT_EQ(SeekTarget(ActionForward, 18, table, false), -1);
  EXPECT_EQ(SeekTarget(ActionForward, 18, table, true), 0);
  EXPECT_EQ(SeekTarget(ActionStart, 12, table, false), 0);
  // Past the end (order -1 or beyond the module) Back goes to a real order.
  EXPECT_EQ(SeekTarget(ActionBack, -1, table, false), 0);
  EXPECT_EQ(SeekTarget(ActionBack, 40, table, false), 18);
}

}  // namespace
