// A seek while the module plays through a real-time device (SDL's disk driver,
// which consumes the stream at the pace of a sound card): the sync that follows
// lands when its row is heard, at the time a straight run gives that row, and
// none of the syncs still queued from before the seek arrives after it.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "glrec/glrec.h"
#include "music/audio.h"
#include "music/clock.h"
#include "player/playback.h"
#include "player/seek_table.h"
#include "test_modules.h"

namespace {

uint32_t ReadSdlTicks() { return SDL_GetTicks(); }

TEST(SeekHeard, TheSyncAfterASeekArrivesWhenItsRowIsHeardAtItsStraightRunTime) {
  // Rows of one tick at 255 BPM: 432 frames, 9.8 ms, shorter than the stream
  // decoded ahead of the ear. A sync on every row of order 0, so some are
  // always in flight at the seek, and one in order 2, on row 4.
  XmModule m = ToneModule(3, 16, 2, 1, 255);
  for (int r = 0; r < 16; r++) SetEffect(m, 0, r, 1, XmEffectExtended, XmSyncParam(1));
  SetEffect(m, 2, 4, 1, XmEffectExtended, XmSyncParam(1));
  std::vector<uint8_t> bytes = EncodeXm(m);
  std::string dir = testing::TempDir() + "/seek_heard_" + std::to_string(getpid());
  std::string module = dir + ".xm", out = dir + ".raw";
  ASSERT_TRUE(WriteXmFile(module, m));

  ShowRun run;
  ASSERT_TRUE(RecordShowRun(bytes.data(), bytes.size(), run));
  GlrecReset();
  GlrecSetMode(GlrecCount);
  ResetDemoClock();
  SeekTable table;
  BuildSeekTable(run, table);
  ASSERT_TRUE(table.starts[2].played);
  const double syncAt = table.starts[2].elapsedMs + 4 * 432 * 1000.0 / 44100;

  SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
  SDL_setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(InitAudioDevice(44100));
  uint32_t handle = LoadMusic(module.c_str(), MusicLoadDefault);
  ASSERT_NE(handle, 0u);
  SetMusicSync(handle, MusicSyncEffect, 1, OnMusicSync, 0);
  SetMusicPositionScaler(handle, 64);
  StartAudioOutput();
  SetTickSource(ReadSdlTicks);
  PlayMusic(handle, 0, -1, 1);
  SetDemoClockStart(ReadTickMs());

  // Order 0 plays for a while, its syncs taken as a frame would take them.
  int before = 0;
  while (demoClock.row < 6) {
    UpdateDemoClock();
    before += ConsumeSyncEvent();
    SDL_Delay(2);
  }
  EXPECT_GE(before, 6);

  Playback playback;
  ASSERT_TRUE(SeekPlayback(playback, table, 2));
  int taken = 0;
  int order = -1, row = -1;
  double refreshBefore = 0;  // the clock at the last refresh that did not hear the row
  for (int polls = 0; polls < 2000 && taken == 0; polls++) {
    SDL_Delay(2);
    double previous = demoClock.elapsedMs.load();
    UpdateDemoClock();
    if (ConsumeSyncEvent()) {
      taken++;
      order = demoClock.order;
      row = demoClock.row;
      refreshBefore = previous;
    }
  }
  FreeAudio();
  SetTickSource(nullptr);
  std::remove(module.c_str());
  std::remove(out.c_str());
  ASSERT_EQ(taken, 1) << "no sync after the seek";
  EXPECT_EQ(order, 2);
  EXPECT_EQ(row, 4);
  // Heard between two refreshes: not before its straight-run time, and not after
  // what the restarted stream takes to reach the ear (about one 512-frame block,
  // 11.6 ms, as at the show's own start); two blocks at most.
  std::printf("sync after the seek taken at %d ms (refresh before at %.1f ms), "
              "its row at %.1f ms in a straight run\n", lastSyncMs, refreshBefore, syncAt);
  EXPECT_GE(lastSyncMs, syncAt);
  EXPECT_LE(refreshBefore, syncAt + 25);
  ResetDemoClock();
}

}  // namespace
