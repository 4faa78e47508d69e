// Modules written by others (Debian's game music packages, installed by
// scripts/setup.sh): row starts, the fraction and the end against the decoder's
// own account, read one frame at a time.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/player.h"

namespace {

struct RowChange {
  int64_t frame;
  int order, row;
  bool operator==(const RowChange& o) const {
    return frame == o.frame && order == o.order && row == o.row;
  }
};

std::vector<std::string> ThirdPartyModules() {
  std::vector<std::string> paths;
  for (const char* dir : {"/usr/share/games/heroes/mod", "/usr/share/games/tecnoballz/musics",
                          "/usr/share/games/pingus/data/music"}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
      std::string ext = entry.path().extension().string();
      if (ext == ".xm" || ext == ".mod" || ext == ".it" || ext == ".s3m")
        paths.push_back(entry.path().string());
    }
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

openmpt_module* OpenReference(const std::vector<char>& bytes, int order, int row) {
  openmpt_module* m = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
      nullptr, nullptr, nullptr, nullptr);
  if (!m) return nullptr;
  openmpt_module_ctl_set_text(m, "play.at_end", "stop");
  openmpt_module_ctl_set_integer(m, "dither", 0);
  openmpt_module_set_repeat_count(m, 0);
  openmpt_module_set_position_order_row(m, order, row);
  return m;
}

// The decoder's row changes over the first frames, one frame read at a time.
std::vector<RowChange> ReferenceRows(openmpt_module* m, int64_t frames) {
  std::vector<RowChange> rows;
  float out[2];
  for (int64_t f = 0; f < frames; f++) {
    if (openmpt_module_read_interleaved_float_stereo(m, 44100, 1, out) < 1) break;
    int order = openmpt_module_get_current_order(m), row = openmpt_module_get_current_row(m);
    if (rows.empty() || rows.back().order != order || rows.back().row != row)
      rows.push_back({f, order, row});
  }
  return rows;
}

int64_t ReferenceLength(openmpt_module* m) {
  std::vector<float> out(2 * 4096);
  int64_t total = 0;
  size_t got;
  while ((got = openmpt_module_read_interleaved_float_stereo(m, 44100, 4096, out.data())) > 0)
    total += static_cast<int64_t>(got);
  return total;
}

// The row before the module's first delayed row, else its start: the part worth
// comparing. The order goes in the high half, the row in the low.
int FirstDelayedRow(const MusicPlayer& p) {
  int orders = openmpt_module_get_num_orders(p.module);
  for (int o = 0; o < orders; o++) {
    int pat = openmpt_module_get_order_pattern(p.module, o);
    if (pat < 0 || pat + 1 >= static_cast<int>(p.patternRow.size())) continue;
    for (int i = p.patternRow[pat]; i < p.patternRow[pat + 1]; i++)
      if (p.rowRepeats[i] || p.rowExtraTicks[i])
        return o << 16 | std::max(0, i - p.patternRow[pat] - 1);
  }
  return 0;
}

TEST(ThirdPartyModules, RowsToTheFrameAnEvenFractionAndTheEnd) {
  std::vector<std::string> paths = ThirdPartyModules();
  if (paths.empty())
    GTEST_SKIP() << "no third-party modules: install heroes-sound-tracks, tecnoballz-data and "
                    "pingus-data (scripts/setup.sh)";
  const int64_t span = 4 * 44100;  // compared from the chosen order on
  int delayedModules = 0;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    MusicPlayer player;
    ASSERT_TRUE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, false));
    int from = FirstDelayedRow(player);
    int order = from >> 16, row = from & 0xFFFF;
    delayedModules += from > 0;
    openmpt_module* reference = OpenReference(bytes, order, row);
    ASSERT_NE(reference, nullptr);
    std::vector<RowChange> want = ReferenceRows(reference, span);
    openmpt_module_destroy(reference);

    RestartMusicPlayer(player, order, row);
    std::vector<RowChange> got;
    std::vector<float> block(2 * 1024);
    int lastFraction = -1;
    int64_t rowsNotReaching63 = 0, unevenRows = 0;
    std::vector<int> fractions;  // of the row in progress, frame by frame
    while (player.framesRendered < span && !player.ended) {
      int64_t start = player.framesRendered;
      RenderMusicFrames(player, block.data(), 1024);
      for (int64_t f = start; f < std::min(player.framesRendered, span); f++) {
        if (player.endFrame >= 0 && f >= player.endFrame) break;
        MusicPosition pos = MusicPositionAt(player, f);
        bool newRow = got.empty() || got.back().order != pos.order || got.back().row != pos.row;
        if (newRow) {
          rowsNotReaching63 += !got.empty() && lastFraction < 63;
          // Even over the row: half way through it is half way up.
          int middle = fractions.empty() ? 32 : fractions[fractions.size() / 2];
          unevenRows += middle < 31 || middle > 32;
          fractions.clear();
          got.push_back({f, pos.order, pos.row});
          ASSERT_EQ(pos.fraction, 0) << "frame " << f;
        } else {
          ASSERT_GE(pos.fraction, lastFraction) << "frame " << f;
        }
        lastFraction = pos.fraction;
        fractions.push_back(pos.fraction);
      }
    }
    // A row met again at once (a pattern loop on one row) is one change for both.
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++)
      ASSERT_TRUE(got[i] == want[i]) << "row change " << i << ": frame " << got[i].frame << " ("
                                     << got[i].order << "," << got[i].row << ") want "
                                     << want[i].frame << " (" << want[i].order << ","
                                     << want[i].row << ")";
    EXPECT_EQ(rowsNotReaching63, 0);
    EXPECT_EQ(unevenRows, 0);

    // The end on the decoder's last frame, from a row a few seconds before it.
    openmpt_module* whole = OpenReference(bytes, 0, 0);
    openmpt_module_set_position_seconds(whole, openmpt_module_get_duration_seconds(whole) - 5);
    int endOrder = openmpt_module_get_current_order(whole);
    int endRow = openmpt_module_get_current_row(whole);
    openmpt_module_set_position_order_row(whole, endOrder, endRow);
    int64_t length = ReferenceLength(whole);
    openmpt_module_destroy(whole);
    RestartMusicPlayer(player, endOrder, endRow);
    std::vector<float> big(2 * 8192);
    while (!player.ended && player.framesRendered < length + 44100)
      RenderMusicFrames(player, big.data(), 8192);
    EXPECT_EQ(player.endFrame, length);
    CloseMusicPlayer(player);
  }
  EXPECT_GT(delayedModules, 0) << "no module delays a row: the delay path went untested";
}

}  // namespace
