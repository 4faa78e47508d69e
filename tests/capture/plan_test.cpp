#include "capture/plan.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "capture_module.h"

namespace {

std::vector<char> Bytes(const std::vector<uint8_t>& module) {
  return std::vector<char>(module.begin(), module.end());
}

std::vector<unsigned char> ReadAll(const std::string& path) {
  std::vector<unsigned char> bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
  std::fclose(f);
  return bytes;
}

// The decoder's own 16-bit stereo render of the whole module, without dither.
std::vector<int16_t> DecoderSamples(const std::vector<uint8_t>& bytes) {
  openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr,
                                                         nullptr, nullptr, nullptr, nullptr,
                                                         nullptr, nullptr);
  openmpt_module_ctl_set_integer(m, "dither", 0);
  openmpt_module_ctl_set_text(m, "play.at_end", "stop");
  std::vector<int16_t> all;
  int16_t chunk[2 * 1000];
  size_t got;
  while ((got = openmpt_module_read_interleaved_stereo(m, 44100, 1000, chunk)) > 0)
    all.insert(all.end(), chunk, chunk + 2 * got);
  openmpt_module_destroy(m);
  return all;
}

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class CapturePlanTest : public testing::Test {
 protected:
  std::string wav = "/tmp/nivora-plan-test-" + std::to_string(getpid()) + ".wav";
  std::vector<uint8_t> module = CaptureTestModule();
  void TearDown() override { std::remove(wav.c_str()); }

  PlanResult Plan(std::initializer_list<const char*> args, CapturePlan& plan, std::string& error,
                  bool writeWav = false) {
    std::vector<const char*> argv = {"nivora-capture"};
    argv.insert(argv.end(), args);
    CaptureOptions options;
    EXPECT_TRUE(ParseCaptureOptions(static_cast<int>(argv.size()), argv.data(), options, error))
        << error;
    return PlanCapture(Bytes(module), options, writeWav ? wav : "", plan, error);
  }
};

TEST_F(CapturePlanTest, WholeShowAudioIsTheDecodersOwnStream) {
  CapturePlan plan;
  std::string error;
  ASSERT_EQ(Plan({}, plan, error, true), PlanOk) << error;
  EXPECT_EQ(plan.moduleSamples, kModuleSamples);
  EXPECT_EQ(plan.showFrames, 173);  // ceil(127008 / 735)
  EXPECT_EQ(plan.firstFrame, 0);
  EXPECT_EQ(plan.endFrame, 173);

  std::vector<unsigned char> file = ReadAll(wav);
  ASSERT_EQ(file.size(), 44u + 4u * kModuleSamples);
  EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
  EXPECT_EQ(Le32(file, 4), file.size() - 8);
  EXPECT_EQ(Le32(file, 24), 44100u);
  EXPECT_EQ(file[22], 2);   // channels
  EXPECT_EQ(file[34], 16);  // bits
  EXPECT_EQ(Le32(file, 40), 4u * kModuleSamples);
  std::vector<int16_t> decoded = DecoderSamples(module);
  ASSERT_EQ(decoded.size(), 2u * kModuleSamples);
  EXPECT_EQ(std::memcmp(file.data() + 44, decoded.data(), decoded.size() * 2), 0);
}

TEST_F(CapturePlanTest, OrdersAndSecondsResolveToFramesAndTheirAudio) {
  CapturePlan plan;
  std::string error;
  // Order 1 begins at sample 42336: frame 57 shows 41895, frame 58 shows 42630.
  ASSERT_EQ(Plan({"--from", "1", "--to", "2"}, plan, error, true), PlanOk) << error;
  EXPECT_EQ(plan.firstFrame, 58);
  EXPECT_EQ(plan.endFrame, 116);  // order 2 at 84672: 115 * 735 = 84525 is before it
  EXPECT_EQ(plan.audioStart, 58 * 735);
  EXPECT_EQ(plan.audioEnd, 116 * 735);
  std::vector<unsigned char> file = ReadAll(wav);
  std::vector<int16_t> decoded = DecoderSamples(module);
  ASSERT_EQ(file.size(), 44u + 4u * (116 - 58) * 735);
  EXPECT_EQ(std::memcmp(file.data() + 44, decoded.data() + 2 * 58 * 735, file.size() - 44), 0);

  ASSERT_EQ(Plan({"--from", "0.5s", "--to=1.25s", "--fps", "30"}, plan, error), PlanOk) << error;
  EXPECT_EQ(plan.firstFrame, 15);
  EXPECT_EQ(plan.endFrame, 38);  // 1.25 s is frame 37.5: 38 is the first at or after it

  // The order after the last is the end; the last partial frame's audio stops
  // with the module.
  ASSERT_EQ(Plan({"--from", "2", "--to", "3"}, plan, error, true), PlanOk) << error;
  EXPECT_EQ(plan.endFrame, plan.showFrames);
  EXPECT_EQ(plan.audioEnd, kModuleSamples);
  EXPECT_EQ(ReadAll(wav).size(), 44u + 4u * (kModuleSamples - plan.audioStart));
}

TEST_F(CapturePlanTest, RangesTheModuleLacksAreRefused) {
  CapturePlan plan;
  std::string error;
  EXPECT_EQ(Plan({"--from", "5"}, plan, error), PlanBadRange);
  EXPECT_NE(error.find("never plays that order (orders 0-2)"), std::string::npos) << error;
  EXPECT_EQ(Plan({"--to", "4"}, plan, error), PlanBadRange);
  EXPECT_NE(error.find("3 is the end"), std::string::npos) << error;
  EXPECT_EQ(Plan({"--from", "3s"}, plan, error), PlanBadRange);
  EXPECT_NE(error.find("past the end of the show (0:02.9)"), std::string::npos) << error;
  EXPECT_EQ(Plan({"--from", "2s", "--to", "1"}, plan, error), PlanBadRange);
  EXPECT_NE(error.find("holds no frame"), std::string::npos) << error;
  // Past the end is simply the end.
  EXPECT_EQ(Plan({"--to", "100s"}, plan, error), PlanOk);
  EXPECT_EQ(plan.endFrame, plan.showFrames);

  CaptureOptions options;
  EXPECT_EQ(PlanCapture(std::vector<char>(100, 'x'), options, "", plan, error), PlanFailed);
  EXPECT_EQ(PlanCapture(Bytes(module), options, "/nonexistent-dir/a.wav", plan, error),
            PlanFailed);
  EXPECT_NE(error.find("cannot write /nonexistent-dir/a.wav"), std::string::npos) << error;
}

TEST(ShowTime, MinutesSecondsAndTenths) {
  EXPECT_EQ(ShowTimeText(165.83), "2:45.8");
  EXPECT_EQ(ShowTimeText(59.96), "1:00.0");
  EXPECT_EQ(ShowTimeText(0), "0:00.0");
}

}  // namespace
