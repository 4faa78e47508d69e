#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "soundtrack/compose.h"

namespace {

constexpr int rate = 44100;
// Speed 6 at 110 BPM: 6 ticks of floor(44100 * 2.5 / 110) frames.
constexpr int rowFrames = 6 * (rate * 5 / 2 / 110);

struct Rendered {
  std::vector<float> left, right;
  double durationSeconds = 0;
  int orders = 0;
  std::vector<int> patternRows;
  std::vector<std::pair<int, int>> syncs;  // (order, row) holding E8x on any channel
  std::vector<int> syncChannels;
};

std::string Owned(const char* text) {
  std::string s = text ? text : "";
  openmpt_free_string(text);
  return s;
}

const Rendered& RenderSoundtrack() {
  static Rendered r;
  if (!r.left.empty()) return r;
  std::vector<uint8_t> bytes = EncodeXm(ComposeSoundtrack());
  openmpt_module* mod = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!mod) return r;
  openmpt_module_ctl_set_text(mod, "dither", "0");
  r.durationSeconds = openmpt_module_get_duration_seconds(mod);
  r.orders = openmpt_module_get_num_orders(mod);
  int channels = openmpt_module_get_num_channels(mod);
  for (int o = 0; o < r.orders; ++o) {
    int pattern = openmpt_module_get_order_pattern(mod, o);
    int rows = openmpt_module_get_pattern_num_rows(mod, pattern);
    r.patternRows.push_back(rows);
    for (int row = 0; row < rows; ++row)
      for (int ch = 0; ch < channels; ++ch) {
        std::string effect = Owned(openmpt_module_format_pattern_row_channel_command(
            mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_EFFECT));
        std::string param = Owned(openmpt_module_format_pattern_row_channel_command(
            mod, pattern, row, ch, OPENMPT_MODULE_COMMAND_PARAMETER));
        if (effect == "E" && param.size() == 2 && param[0] == '8') {
          r.syncs.emplace_back(o, row);
          r.syncChannels.push_back(ch);
        }
      }
  }
  std::vector<float> l(4096), rr(4096);
  for (;;) {
    size_t n = openmpt_module_read_float_stereo(mod, rate, l.size(), l.data(), rr.data());
    if (n == 0) break;
    r.left.insert(r.left.end(), l.begin(), l.begin() + n);
    r.right.insert(r.right.end(), rr.begin(), rr.begin() + n);
  }
  openmpt_module_destroy(mod);
  return r;
}

TEST(Soundtrack, NineteenOrdersOfSixtyFourRowsLastingTwoFortySixish) {
  const Rendered& r = RenderSoundtrack();
  ASSERT_FALSE(r.left.empty());
  EXPECT_EQ(r.orders, 19);
  for (int rows : r.patternRows) EXPECT_EQ(rows, 64);
  EXPECT_GE(r.durationSeconds, 160.0);
  EXPECT_LE(r.durationSeconds, 170.0);
}

TEST(Soundtrack, SyncsSitExactlyOnTheListedRowsOfTheSyncChannel) {
  const Rendered& r = RenderSoundtrack();
  EXPECT_EQ(r.syncs, SoundtrackSyncRows());
  for (int ch : r.syncChannels) EXPECT_EQ(ch, syncChannel);
  // The sync channel holds nothing else: no note, instrument or volume.
  XmModule m = ComposeSoundtrack();
  for (const XmPattern& p : m.patterns)
    for (int row = 0; row < p.rows; ++row) {
      const XmCell& c = p.cells[row * soundtrackChannels + syncChannel];
      EXPECT_EQ(c.note, 0);
      EXPECT_EQ(c.instrument, 0);
      EXPECT_EQ(c.volume, 0);
    }
}

TEST(Soundtrack, PeakStaysBelowMinusOneDecibel) {
  const Rendered& r = RenderSoundtrack();
  float peak = 0;
  for (size_t i = 0; i < r.left.size(); ++i)
    peak = std::max({peak, std::fabs(r.left[i]), std::fabs(r.right[i])});
  double dbfs = 20.0 * std::log10(std::max(1e-9f, peak));
  RecordProperty("peak_dbfs", std::to_string(dbfs));
  std::printf("peak %.2f dBFS\n", dbfs);
  EXPECT_LT(dbfs, -1.0);
  EXPECT_GT(dbfs, -12.0);  // and not so quiet that it wastes the range
}

// ffmpeg's EBU R128 meter over the whole render: integrated loudness (LUFS) and
// true peak (dBTP). False when ffmpeg cannot be run.
bool MeasureLoudness(const Rendered& r, double* lufs, double* truePeak) {
  std::string path = testing::TempDir() + "/soundtrack_" + std::to_string(getpid()) + ".f32";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    for (size_t i = 0; i < r.left.size(); ++i) {
      float frame[2] = {r.left[i], r.right[i]};
      std::fwrite(frame, sizeof frame, 1, f);
    }
    std::fclose(f);
  }
  std::string command = "ffmpeg -hide_banner -nostats -f f32le -ar 44100 -ac 2 -i " + path +
                        " -af ebur128=peak=true -f null - 2>&1";
  std::FILE* p = popen(command.c_str(), "r");
  bool integrated = false, peak = false;
  if (p) {
    char line[512];
    bool inTruePeak = false;
    while (std::fgets(line, sizeof line, p)) {
      double v;
      if (std::strstr(line, "True peak:")) inTruePeak = true;
      if (std::sscanf(line, " I: %lf LUFS", &v) == 1) integrated = true, *lufs = v;
      if (inTruePeak && std::sscanf(line, " Peak: %lf dBFS", &v) == 1) peak = true, *truePeak = v;
    }
    pclose(p);
  }
  std::remove(path.c_str());
  return integrated && peak;
}

TEST(Soundtrack, MasteredAtMinusSixteenLufsWithATruePeakBelowMinusOne) {
  const Rendered& r = RenderSoundtrack();
  ASSERT_FALSE(r.left.empty());
  double lufs = 0, truePeak = 0;
  if (!MeasureLoudness(r, &lufs, &truePeak))
    GTEST_SKIP() << "ffmpeg with the ebur128 filter is needed (scripts/setup.sh installs it)";
  std::printf("integrated %.1f LUFS, true peak %.1f dBTP\n", lufs, truePeak);
  EXPECT_NEAR(lufs, -16.0, 1.0);
  EXPECT_LE(truePeak, -1.0);
  // The gain is the player's: every voice keeps its samples below full scale.
  for (const XmInstrument& ins : ComposeSoundtrack().instruments)
    for (const XmSample& s : ins.samples)
      for (int16_t v : s.frames) ASSERT_LT(std::abs(v), 32767) << ins.name;
}

TEST(Soundtrack, NoSilentRowOutsideTheFadesToBlack) {
  const Rendered& r = RenderSoundtrack();
  size_t rows = r.left.size() / rowFrames;
  ASSERT_GE(rows, 19u * 64u - 1u);
  std::vector<std::string> silent;
  for (size_t i = 0; i < std::min<size_t>(rows, 19 * 64); ++i) {
    int order = static_cast<int>(i / 64), row = static_cast<int>(i % 64);
    double sum = 0;
    for (size_t f = i * rowFrames; f < (i + 1) * rowFrames; ++f)
      sum += r.left[f] * r.left[f] + r.right[f] * r.right[f];
    double dbfs = 10.0 * std::log10(sum / (2.0 * rowFrames) + 1e-30);
    bool intendedBreak = (order == 7 && row >= 56) || (order == 13 && row >= 60) ||
                         (order == 18 && row >= 56);
    if (dbfs < -60.0 && !intendedBreak)
      silent.push_back(std::to_string(order) + ":" + std::to_string(row));
  }
  EXPECT_TRUE(silent.empty()) << "silent rows: " << ::testing::PrintToString(silent);
}

TEST(Soundtrack, EndsInSilenceAfterTheFadesToBlack) {
  const Rendered& r = RenderSoundtrack();
  auto rowRms = [&](int order, int row) {
    size_t i = static_cast<size_t>(order * 64 + row);
    double sum = 0;
    for (size_t f = i * rowFrames; f < (i + 1) * rowFrames && f < r.left.size(); ++f)
      sum += r.left[f] * r.left[f] + r.right[f] * r.right[f];
    return 10.0 * std::log10(sum / (2.0 * rowFrames) + 1e-30);
  };
  EXPECT_LT(rowRms(7, 63), -50.0);
  EXPECT_LT(rowRms(13, 63), -50.0);
  EXPECT_LT(rowRms(18, 63), -60.0);  // the last note has died before the end
}

TEST(Soundtrack, TwoCompositionsGiveIdenticalBytes) {
  EXPECT_EQ(EncodeXm(ComposeSoundtrack()), EncodeXm(ComposeSoundtrack()));
}

}  // namespace

namespace {

TEST(Soundtrack, LoopedTonesJoinWithoutAClick) {
  // The jump from a loop's last frame back to its first is no larger than the
  // steepest step inside the loop.
  XmModule m = ComposeSoundtrack();
  int loops = 0;
  for (const XmInstrument& ins : m.instruments)
    for (const XmSample& s : ins.samples) {
      if (s.loopType == XmLoopNone) continue;
      ++loops;
      int steepest = 0;
      for (size_t i = s.loopStart + 1; i < s.loopStart + s.loopLength; ++i)
        steepest = std::max(steepest, std::abs(s.frames[i] - s.frames[i - 1]));
      int seam = std::abs(s.frames[s.loopStart] - s.frames[s.loopStart + s.loopLength - 1]);
      EXPECT_LE(seam, steepest) << ins.name;
    }
  EXPECT_EQ(loops, 3);  // bass, pad, wind
}

}  // namespace
