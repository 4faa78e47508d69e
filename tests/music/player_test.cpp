#include "music/player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "test_modules.h"

namespace {

struct Fired {
  uint32_t type;
  uint32_t data;
  uint32_t user;
  int order, row;  // position of the last rendered frame when it fired
  int64_t framesRendered;
};

MusicPlayer* watched = nullptr;
std::vector<Fired> fired;

void Record(uint32_t sync, uint32_t, uint32_t data, uint32_t user) {
  MusicPosition p = MusicPositionAt(*watched, watched->framesRendered - 1);
  fired.push_back({sync, data, user, p.order, p.row, watched->framesRendered});
}

class PlayerTest : public testing::Test {
 protected:
  void Open(const XmModule& module, bool looping) {
    std::vector<uint8_t> bytes = EncodeXm(module);
    ASSERT_FALSE(bytes.empty()) << XmModuleError(module);
    ASSERT_TRUE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, looping));
    player.syncCallback = Record;
    player.endCallback = Record;
    player.syncUser = 7;
    player.endUser = 9;
    watched = &player;
    fired.clear();
    RestartMusicPlayer(player);
  }
  void TearDown() override { CloseMusicPlayer(player); }

  // Renders in blocks, recording the position of every frame of each block.
  std::vector<MusicPosition> RenderPositions(int64_t frames, int block) {
    std::vector<MusicPosition> out;
    std::vector<float> buffer(2 * block);
    while (static_cast<int64_t>(out.size()) < frames) {
      int64_t start = player.framesRendered;
      RenderMusicFrames(player, buffer.data(), block);
      for (int64_t f = start; f < player.framesRendered; f++)
        out.push_back(MusicPositionAt(player, f));
    }
    return out;
  }

  std::vector<std::tuple<int, int, uint32_t>> Syncs() const {
    std::vector<std::tuple<int, int, uint32_t>> s;
    for (const Fired& f : fired)
      if (f.type == MusicSyncEffect) s.emplace_back(f.order, f.row, f.data);
    return s;
  }
  int Ends() const {
    int n = 0;
    for (const Fired& f : fired) n += f.type == MusicSyncEnd;
    return n;
  }

  MusicPlayer player;
};

TEST_F(PlayerTest, RowLengthIsSpeedTimesWholeTickFrames) {
  EXPECT_EQ(MusicRowFrames(44100, 6, 125), 6 * 882);
  EXPECT_EQ(MusicRowFrames(44100, 6, 110), 6 * 1002);  // 1002.27 truncated
  EXPECT_EQ(MusicRowFrames(48000, 3, 255), 3 * 470);
  EXPECT_EQ(MusicRowFrames(44100, 0, 125), 1);
}

TEST_F(PlayerTest, PositionWordPacksOrderRowAndFraction) {
  EXPECT_EQ(MusicPositionWord({3, 10, 5}), 3 | (645 << 16));
  EXPECT_EQ(MusicPositionWord({18, 63, 63}), 18 | (4095 << 16));
  EXPECT_EQ(MusicPositionWord({-1, 0, 0}), -1);
}

TEST_F(PlayerTest, EveryFrameKnowsItsOrderRowAndFraction) {
  // Two orders of 8 rows, 5292 frames a row: boundaries land exactly.
  Open(ToneModule(2, 8, 4, 6, 125), false);
  const int rowFrames = 5292;
  std::vector<MusicPosition> pos = RenderPositions(16 * rowFrames, 735);
  for (int64_t f = 0; f < 16 * rowFrames; f++) {
    int64_t rowIndex = f / rowFrames;
    int fraction = static_cast<int>((f % rowFrames) * 64 / rowFrames);
    ASSERT_EQ(pos[f].order, rowIndex / 8) << "frame " << f;
    ASSERT_EQ(pos[f].row, rowIndex % 8) << "frame " << f;
    ASSERT_EQ(pos[f].fraction, fraction) << "frame " << f;
  }
  // The fraction rises through 0..63 inside each row.
  EXPECT_EQ(pos[0].fraction, 0);
  EXPECT_EQ(pos[rowFrames - 1].fraction, 63);
  EXPECT_EQ(pos[rowFrames].fraction, 0);
}

TEST_F(PlayerTest, SpeedChangeShortensTheRowsThatFollow) {
  XmModule m = ToneModule(1, 8, 4, 6, 125);
  SetEffect(m, 0, 4, 1, XmEffectSetSpeedTempo, 3);  // rows 4-7 last 3 ticks
  Open(m, false);
  std::vector<MusicPosition> pos = RenderPositions(4 * 5292 + 4 * 2646, 512);
  int64_t row4 = 4 * 5292, row5 = row4 + 2646, row7 = row4 + 3 * 2646;
  EXPECT_EQ(pos[row4 - 1].row, 3);
  EXPECT_EQ(pos[row4].row, 4);
  EXPECT_EQ(pos[row5 - 1].row, 4);
  EXPECT_EQ(pos[row5 - 1].fraction, 63);
  EXPECT_EQ(pos[row5].row, 5);
  EXPECT_EQ(pos[row7].row, 7);
  EXPECT_EQ(pos[row7 + 1323].fraction, 32);
}

TEST_F(PlayerTest, SpeedSetOnTheFirstRowCountsFromTheStart) {
  XmModule m = ToneModule(1, 4, 4, 6, 125);
  SetEffect(m, 0, 0, 1, XmEffectSetSpeedTempo, 3);
  Open(m, false);
  std::vector<MusicPosition> pos = RenderPositions(3 * 2646, 700);
  EXPECT_EQ(pos[1323].fraction, 32);
  EXPECT_EQ(pos[2645].row, 0);
  EXPECT_EQ(pos[2646].row, 1);
  EXPECT_EQ(pos[2646].fraction, 0);
}

TEST_F(PlayerTest, DelayedRowRisesEvenlyOverItsWholeLengthAndTheNextStartsOnItsFrame) {
  XmModule m = ToneModule(1, 4, 4, 6, 125);
  SetEffect(m, 0, 1, 1, XmEffectExtended, 0xE1);  // row 1 plays twice as long
  Open(m, false);
  std::vector<MusicPosition> pos = RenderPositions(5 * 5292, 256);
  int64_t row1 = 5292, row2 = 3 * 5292;
  EXPECT_EQ(pos[row1 + 5291].fraction, 31);  // half way through the doubled row
  EXPECT_EQ(pos[row1 + 8000].fraction, 48);
  EXPECT_EQ(pos[row2 - 1].row, 1);
  EXPECT_EQ(pos[row2 - 1].fraction, 63);
  EXPECT_EQ(pos[row2].row, 2);
  EXPECT_EQ(pos[row2].fraction, 0);
}

TEST_F(PlayerTest, SyncsFireOnExactlyTheRowsHoldingTheSyncEffect) {
  XmModule m = ToneModule(3, 8, 4, 3, 125);
  m.orders = {0, 1, 0};
  SetEffect(m, 0, 0, 3, XmEffectExtended, 0x81);
  SetEffect(m, 0, 5, 3, XmEffectExtended, 0x82);
  SetEffect(m, 1, 3, 2, XmEffectExtended, 0x8F);
  // Look-alikes that are not syncs.
  SetEffect(m, 0, 2, 3, XmEffectExtended, 0x91);
  SetEffect(m, 0, 3, 3, XmEffectPortaDown, 0x81);
  SetEffect(m, 1, 1, 3, XmEffectSetGlobalVolume, 0x40);
  SetEffect(m, 1, 6, 3, XmEffectArpeggio, 0x81);
  Open(m, false);
  RenderPositions(24 * 2646 + 4000, 32);
  using S = std::tuple<int, int, uint32_t>;
  std::vector<S> want = {S{0, 0, 1}, S{0, 5, 2}, S{1, 3, 15}, S{2, 0, 1}, S{2, 5, 2}};
  EXPECT_EQ(Syncs(), want);
  for (const Fired& f : fired) EXPECT_EQ(f.user, f.type == MusicSyncEffect ? 7u : 9u);
  EXPECT_EQ(Ends(), 1);
}

TEST_F(PlayerTest, ScreamTrackerModulesSyncOnS2x) {
  // In S3M, E81 is a portamento and S21 the sync.
  std::vector<uint8_t> bytes = S3mModule({{0, 3, 'S', 0x21},
                                          {4, 2, 'E', 0x81},
                                          {6, 1, 'S', 0x25},
                                          {7, 1, 'S', 0x31},
                                          {9, 0, 'Z', 0x21}},
                                         3, 125);
  ASSERT_TRUE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, false));
  player.syncCallback = Record;
  player.endCallback = Record;
  player.syncUser = 7;
  player.endUser = 9;
  watched = &player;
  fired.clear();
  RestartMusicPlayer(player);
  RenderPositions(64 * 2646 + 2000, 64);
  using S = std::tuple<int, int, uint32_t>;
  EXPECT_EQ(Syncs(), (std::vector<S>{S{0, 0, 1}, S{0, 6, 5}}));
  EXPECT_EQ(Ends(), 1);
}

TEST_F(PlayerTest, SyncTableIsReadFromThePatterns) {
  XmModule m = ToneModule(2, 16, 4, 6, 125);
  SetEffect(m, 1, 9, 3, XmEffectExtended, 0x84);
  SetEffect(m, 1, 10, 0, XmEffectExtended, 0x84 - 0x10);  // E74: tremolo waveform
  Open(m, false);
  int param = -1;
  EXPECT_TRUE(MusicRowHasSync(player, 1, 9, &param));
  EXPECT_EQ(param, 4);
  EXPECT_FALSE(MusicRowHasSync(player, 1, 10, &param));
  EXPECT_FALSE(MusicRowHasSync(player, 0, 9, &param));
  EXPECT_FALSE(MusicRowHasSync(player, 2, 0, &param));
  EXPECT_FALSE(MusicRowHasSync(player, 1, 16, &param));
}

TEST_F(PlayerTest, DelayedCallbacksWaitTheirFramesAndNeverComeEarly) {
  XmModule m = ToneModule(1, 4, 4, 6, 125);
  SetEffect(m, 0, 2, 3, XmEffectExtended, 0x81);
  Open(m, false);
  player.eventDelayFrames = 1024;
  std::vector<float> buffer(2 * 1024);
  int64_t syncFrame = 2 * 5292;
  while (player.framesRendered < 5 * 5292) {
    RenderMusicFrames(player, buffer.data(), 1024);
    bool due = player.framesRendered > syncFrame + 1024;
    EXPECT_EQ(Syncs().size(), due ? 1u : 0u) << "after " << player.framesRendered;
  }
  // The sync fired in the first block that ran a whole buffer past its row.
  ASSERT_EQ(fired.size(), 2u);
  EXPECT_GT(fired[0].framesRendered, syncFrame + 1024);
  EXPECT_LE(fired[0].framesRendered, syncFrame + 2048);
  EXPECT_EQ(fired[1].type, static_cast<uint32_t>(MusicSyncEnd));
}

TEST_F(PlayerTest, HeardCallbacksWaitForTheirOwnFrameWhateverWasRendered) {
  XmModule m = ToneModule(1, 4, 4, 6, 125);
  SetEffect(m, 0, 2, 3, XmEffectExtended, 0x81);
  Open(m, false);
  player.fireWhenRendered = false;
  std::vector<float> buffer(2 * 8192);
  while (player.framesRendered < 5 * 5292) RenderMusicFrames(player, buffer.data(), 8192);
  EXPECT_TRUE(fired.empty());  // rendered well past both, heard neither
  int64_t syncFrame = 2 * 5292, endFrame = 4 * 5292;
  FireHeardMusicEvents(player, syncFrame - 1);
  EXPECT_TRUE(fired.empty());
  FireHeardMusicEvents(player, syncFrame);
  EXPECT_EQ(Syncs().size(), 1u);
  FireHeardMusicEvents(player, endFrame - 1);
  EXPECT_EQ(Ends(), 0);
  FireHeardMusicEvents(player, endFrame);
  EXPECT_EQ(Ends(), 1);
  FireHeardMusicEvents(player, endFrame + 44100);
  EXPECT_EQ(fired.size(), 2u);
}

TEST_F(PlayerTest, EndFiresOnceThenSilenceAndTheLastPositionStays) {
  Open(ToneModule(2, 4, 4, 6, 125), false);
  std::vector<float> buffer(2 * 1000);
  bool silentAfterEnd = true, soundBeforeEnd = false;
  for (int i = 0; i < 60; i++) {
    bool ended = player.endFrame >= 0;
    RenderMusicFrames(player, buffer.data(), 1000);
    for (float v : buffer) {
      if (ended && v != 0.0f) silentAfterEnd = false;
      if (!ended && std::fabs(v) > 0.01f) soundBeforeEnd = true;
    }
  }
  EXPECT_TRUE(soundBeforeEnd);
  EXPECT_TRUE(silentAfterEnd);
  EXPECT_EQ(Ends(), 1);
  EXPECT_EQ(player.endFrame, 8 * 5292);
  EXPECT_EQ(player.framesRendered, 60000);
  EXPECT_EQ(fired.back().user, 9u);
  MusicPosition last = MusicPositionAt(player, player.framesRendered - 1);
  EXPECT_EQ(last.order, 1);
  EXPECT_EQ(last.row, 3);
  EXPECT_EQ(last.fraction, 63);
}

TEST_F(PlayerTest, LoopingWrapsToTheStartAndFiresTheEndEachTime) {
  XmModule m = ToneModule(2, 4, 4, 6, 125);
  SetEffect(m, 0, 0, 3, XmEffectExtended, 0x81);
  Open(m, true);
  const int64_t songFrames = 8 * 5292;
  std::vector<MusicPosition> pos = RenderPositions(2 * songFrames + songFrames / 2, 735);
  EXPECT_EQ(Ends(), 2);
  std::vector<std::tuple<int, int, uint32_t>> want(3, {0, 0, 1});
  EXPECT_EQ(Syncs(), want);
  EXPECT_EQ(player.endFrame, -1);
  for (int64_t wrap : {songFrames, 2 * songFrames}) {
    EXPECT_EQ(pos[wrap - 1].order, 1);
    EXPECT_EQ(pos[wrap - 1].row, 3);
    EXPECT_EQ(pos[wrap].order, 0);
    EXPECT_EQ(pos[wrap].row, 0);
    EXPECT_EQ(pos[wrap].fraction, 0);
  }
}

TEST_F(PlayerTest, LoopResumesAtTheRestartOrder) {
  XmModule m = ToneModule(3, 2, 4, 6, 125);
  m.restartOrder = 1;
  Open(m, true);
  const int64_t row = 5292;
  std::vector<MusicPosition> pos = RenderPositions(10 * row - 2048, 1024);
  int orders[10] = {0, 0, 1, 1, 2, 2, 1, 1, 2, 2};
  for (int i = 0; i < 10; i++) EXPECT_EQ(pos[i * row + 100].order, orders[i]) << "row " << i;
  EXPECT_EQ(Ends(), 1);  // one wrap so far: after the first pass through order 2
}

TEST_F(PlayerTest, RestartPlaysTheSameFramesAgain) {
  Open(ToneModule(1, 4, 4, 6, 125), false);
  std::vector<float> first(2 * 4096), second(2 * 4096);
  RenderMusicFrames(player, first.data(), 4096);
  RestartMusicPlayer(player);
  RenderMusicFrames(player, second.data(), 4096);
  EXPECT_EQ(first, second);
  EXPECT_EQ(player.framesRendered, 4096);
  EXPECT_EQ(Syncs().size(), 0u);
}

TEST_F(PlayerTest, NotPlayingGivesSilenceAndNoPosition) {
  std::vector<uint8_t> bytes = EncodeXm(ToneModule(1, 4, 4, 6, 125));
  ASSERT_TRUE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, false));
  std::vector<float> buffer(256, 1.0f);
  RenderMusicFrames(player, buffer.data(), 128);
  EXPECT_EQ(buffer, std::vector<float>(256, 0.0f));
  EXPECT_EQ(MusicPositionAt(player, 0).order, -1);
}

TEST_F(PlayerTest, DataThatIsNoModuleIsRefused) {
  std::vector<uint8_t> junk(4000, 0x5A);
  EXPECT_FALSE(OpenMusicPlayer(player, junk.data(), junk.size(), 44100, false));
  EXPECT_EQ(player.module, nullptr);
  EXPECT_FALSE(OpenMusicPlayer(player, nullptr, 0, 44100, false));
  std::vector<uint8_t> bytes = EncodeXm(ToneModule(1, 4, 4, 6, 125));
  bytes.resize(60);  // a header cut short
  EXPECT_FALSE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, false));
  CloseMusicPlayer(player);
  CloseMusicPlayer(player);
}

}  // namespace
