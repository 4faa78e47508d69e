// The soundtrack the build puts beside the show: whatever generator wrote it, the
// scenes rely on 19 orders of 64 rows and on syncs that make no sound.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "music/player.h"

namespace {

int syncCount = 0, endCount = 0;
void CountSync(uint32_t, uint32_t, uint32_t, uint32_t) { syncCount++; }
void CountEnd(uint32_t, uint32_t, uint32_t, uint32_t) { endCount++; }

std::string Command(openmpt_module* mod, int pattern, int row, int channel, int command) {
  const char* s =
      openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, command);
  std::string out = s ? s : "";
  openmpt_free_string(s);
  return out;
}

TEST(ShowSoundtrack, NineteenOrdersOfSixtyFourRowsWithSilentSyncs) {
  std::string path = std::string(NIVORA_SHOW_DIR) + "/soundtrack.mo3";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "no soundtrack built at " << path;
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  MusicPlayer player;
  ASSERT_TRUE(OpenMusicPlayer(player, bytes.data(), bytes.size(), 44100, false));
  openmpt_module* mod = player.module;
  ASSERT_EQ(openmpt_module_get_num_orders(mod), 19);
  int channels = openmpt_module_get_num_channels(mod);
  EXPECT_EQ(channels % 2, 0);
  int syncRows = 0;
  for (int order = 0; order < 19; order++) {
    int pattern = openmpt_module_get_order_pattern(mod, order);
    ASSERT_EQ(openmpt_module_get_pattern_num_rows(mod, pattern), 64) << "order " << order;
    for (int row = 0; row < 64; row++) {
      int inRow = 0;
      for (int ch = 0; ch < channels; ch++) {
        bool sync = Command(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT) == "E" &&
                    Command(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER)[0] == '8';
        if (!sync) continue;
        inRow++;
        EXPECT_EQ(Command(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_NOTE), "...")
            << "order " << order << " row " << row;
        EXPECT_EQ(Command(mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_INSTRUMENT), "..");
      }
      EXPECT_LE(inRow, 1) << "order " << order << " row " << row;
      syncRows += inRow;
    }
  }
  EXPECT_GT(syncRows, 0);

  // Played through, every sync row fires once and the end comes once.
  player.syncCallback = CountSync;
  player.endCallback = CountEnd;
  RestartMusicPlayer(player);
  std::vector<float> block(2 * 4410);
  // Up to 200 s: the composed soundtrack lasts about 2:46.
  for (int i = 0; i < 200 * 10 && endCount == 0; i++) RenderMusicFrames(player, block.data(), 4410);
  EXPECT_EQ(endCount, 1);
  EXPECT_EQ(syncCount, syncRows);
  double seconds = static_cast<double>(player.endFrame) / 44100;
  EXPECT_GT(seconds, 20.0);
  CloseMusicPlayer(player);
}

}  // namespace
