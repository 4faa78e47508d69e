// nivora-capture run as a user runs it, on a short generated module, with the
// show's pictures and objects when the build generated them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "capture_module.h"
#include "e2e_files.h"

namespace {

struct CaptureRun {
  int status = -1;
  std::string err;
};

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class CaptureE2e : public testing::Test {
 protected:
  std::string work;
  std::string data;

  void SetUp() override {
    char pattern[] = "/tmp/nivora-capture-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work = pattern;
    data = work + "/show";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    std::vector<uint8_t> module = CaptureTestModule();
    std::FILE* f = std::fopen((data + "/soundtrack.mo3").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(module.data(), 1, module.size(), f);
    std::fclose(f);
    // The show's generated pictures and objects, when this build has them.
    for (const char* sub : {"gfx", "data"}) {
      std::string from = std::string(NIVORA_SHOW_DIR) + "/" + sub;
      if (!Exists(from)) continue;
      ASSERT_EQ(symlink(from.c_str(), (data + "/" + sub).c_str()), 0);
    }
  }

  void TearDown() override { std::system(("rm -rf '" + work + "'").c_str()); }

  bool HasShowData() const { return Exists(data + "/gfx/01.jpg"); }

  CaptureRun Capture(const std::string& args, const std::string& env = "") {
    std::string err = work + "/stderr";
    std::string command = "cd '" + work + "' && " + env + " '" NIVORA_CAPTURE "' --data '" + data +
                          "' " + args + " 2>'" + err + "' >/dev/null";
    CaptureRun run;
    int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = Slurp(err);
    return run;
  }
};

TEST_F(CaptureE2e, FramesAndAudioAreTheSameBytesEveryTimeAndForAnyRange) {
  CaptureRun a = Capture("--frames a --size 160x120 --fps 30");
  ASSERT_EQ(a.status, 0) << a.err;
  CaptureRun b = Capture("--frames b --size 160x120 --fps 30");
  ASSERT_EQ(b.status, 0) << b.err;
  std::vector<std::string> names = Files(work + "/a");
  // 127008 samples at 30 fps: frames 0-86, and the audio.
  ASSERT_EQ(names.size(), 88u);
  EXPECT_EQ(names.front(), "audio.wav");
  EXPECT_EQ(names[1], "frame-000000.png");
  EXPECT_EQ(names.back(), "frame-000086.png");
  EXPECT_EQ(Files(work + "/b"), names);
  for (const std::string& name : names)
    EXPECT_EQ(Slurp(work + "/a/" + name), Slurp(work + "/b/" + name)) << name;
  EXPECT_EQ(Slurp(work + "/a/audio.wav").size(), 44u + 4u * kModuleSamples);
  Image first = ReadPng(work + "/a/frame-000040.png");
  EXPECT_EQ(first.width, 160);
  EXPECT_EQ(first.height, 120);

  // Order 1 onwards (frames 29-86): the same bytes as in the whole capture.
  CaptureRun part = Capture("--frames part --size 160x120 --fps 30 --from 1");
  ASSERT_EQ(part.status, 0) << part.err;
  std::vector<std::string> partNames = Files(work + "/part");
  ASSERT_EQ(partNames.size(), 1u + 87u - 29u);
  EXPECT_EQ(partNames[1], "frame-000029.png");
  for (const std::string& name : partNames) {
    if (name == "audio.wav") continue;
    EXPECT_EQ(Slurp(work + "/part/" + name), Slurp(work + "/a/" + name)) << name;
  }
  std::string wholeAudio = Slurp(work + "/a/audio.wav");
  std::string partAudio = Slurp(work + "/part/audio.wav");
  // Frame 29 sounds at 29 * 1470 samples; the audio from there is the same.
  ASSERT_EQ(partAudio.size(), 44u + 4u * (kModuleSamples - 29 * 1470));
  EXPECT_EQ(partAudio.substr(44), wholeAudio.substr(44 + 4 * 29 * 1470));
}

TEST_F(CaptureE2e, AWiderFrameHasThePictureBetweenBlackBars) {
  if (!HasShowData()) GTEST_SKIP() << "the build generated no show data";
  CaptureRun run = Capture("--frames wide --size 320x180 --fps 10");
  ASSERT_EQ(run.status, 0) << run.err;
  // The 4:3 picture is 240 x 180 with 40-pixel bars each side.
  int lit = 0;
  for (const std::string& name : Files(work + "/wide")) {
    if (name == "audio.wav") continue;
    Image image = ReadPng(work + "/wide/" + name);
    ASSERT_EQ(image.width, 320);
    ASSERT_EQ(image.height, 180);
    for (int y = 0; y < 180; y++)
      for (int x = 0; x < 320; x++) {
        const unsigned char* p = &image.rgb[3 * (y * 320 + x)];
        bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
        if (x < 40 || x >= 280) {
          ASSERT_TRUE(black) << name << " at " << x << "," << y;
        } else {
          lit += !black;
        }
      }
  }
  EXPECT_GT(lit, 0);
}

TEST_F(CaptureE2e, AnMp4LastsAsLongAsTheModuleWithBothStreams) {
  CaptureRun run = Capture("--out clip.mp4 --size 160x120 --fps 30");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("wrote " + work + "/clip.mp4: 87 frames"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(work + "/clip.mp4.part"));
  std::string probe = work + "/probe";
  ASSERT_EQ(std::system(("ffprobe -v error -show_entries "
                         "stream=codec_name,pix_fmt,width,height,sample_rate,channels,nb_frames:"
                         "format=duration -of default=noprint_wrappers=1 '" +
                         work + "/clip.mp4' >'" + probe + "'")
                            .c_str()),
            0);
  std::string info = Slurp(probe);
  for (const char* line : {"codec_name=h264", "pix_fmt=yuv420p", "width=160", "height=120",
                           "nb_frames=87", "codec_name=aac", "sample_rate=44100", "channels=2"})
    EXPECT_NE(info.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << info;
  size_t at = info.find("duration=");
  ASSERT_NE(at, std::string::npos) << info;
  double duration = std::atof(info.c_str() + at + 9);
  EXPECT_NEAR(duration, kModuleSamples / 44100.0, 1.0 / 30);
}

TEST_F(CaptureE2e, FailuresSayWhyInOneLineAndLeaveNothingBehind) {
  CaptureRun noFfmpeg = Capture("--out clip.mp4", "PATH=/nonexistent");
  EXPECT_EQ(noFfmpeg.status, 1);
  EXPECT_NE(noFfmpeg.err.find("ffmpeg not found: install Debian's ffmpeg package"),
            std::string::npos)
      << noFfmpeg.err;

  CaptureRun unwritable = Capture("--out /nonexistent-dir/clip.mp4");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("cannot write /nonexistent-dir/clip.mp4"), std::string::npos)
      << unwritable.err;

  CaptureRun badSize = Capture("--size 641x480");
  EXPECT_EQ(badSize.status, 2);
  EXPECT_EQ(badSize.err, "nivora-capture: --size 641x480: both sides must be even\n");

  CaptureRun badOrder = Capture("--out clip.mp4 --from 7");
  EXPECT_EQ(badOrder.status, 2);
  EXPECT_NE(badOrder.err.find("never plays that order"), std::string::npos) << badOrder.err;

  std::remove((data + "/soundtrack.mo3").c_str());
  CaptureRun noModule = Capture("--frames f");
  EXPECT_EQ(noModule.status, 1);
  EXPECT_NE(noModule.err.find("cannot read the soundtrack " + data + "/soundtrack.mo3"),
            std::string::npos)
      << noModule.err;

  for (const CaptureRun* r : {&noFfmpeg, &unwritable, &badSize, &badOrder, &noModule})
    EXPECT_EQ(std::count(r->err.begin(), r->err.end(), '\n'), 1) << r->err;
  // Nothing under any name: no video, no part file, no frames folder.
  EXPECT_EQ(Files(work), (std::vector<std::string>{"show", "stderr"}));
}

TEST_F(CaptureE2e, HelpDescribesTheOptions) {
  std::string out = work + "/help";
  int raw = std::system(("'" NIVORA_CAPTURE "' --help >'" + out + "'").c_str());
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  std::string help = Slurp(out);
  for (const char* option : {"--out", "--frames", "--fps", "--size", "--from", "--to", "--data"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}

}  // namespace
