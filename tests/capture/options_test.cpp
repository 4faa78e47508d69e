#include "capture/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "capture/progress.h"

namespace {

bool Parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
  args.insert(args.begin(), "nivora-capture");
  options = CaptureOptions{};
  return ParseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CaptureOptions, DefaultsAndEveryOption) {
  CaptureOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_EQ(o.out, "nivora-dusk.mp4");
  EXPECT_EQ(o.fps, 60);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 480);
  EXPECT_EQ(o.from.kind, RangeBound::None);
  EXPECT_TRUE(o.framesDir.empty());
  EXPECT_EQ(o.gl, GlBackendFixed);

  ASSERT_TRUE(Parse({"--out", "a.mp4", "--fps=30", "--size", "1920x1080", "--from", "4", "--to",
                     "12.5s", "--data", "show", "--gl=es"},
                    o, error))
      << error;
  EXPECT_EQ(o.out, "a.mp4");
  EXPECT_EQ(o.fps, 30);
  EXPECT_EQ(o.width, 1920);
  EXPECT_EQ(o.height, 1080);
  EXPECT_EQ(o.from.kind, RangeBound::Order);
  EXPECT_EQ(o.from.order, 4);
  EXPECT_EQ(o.to.kind, RangeBound::Seconds);
  EXPECT_EQ(o.to.seconds, 12.5);
  EXPECT_EQ(o.dataDir, "show");
  EXPECT_EQ(o.gl, GlBackendEs);

  ASSERT_TRUE(Parse({"--frames", "out", "--from", ".5s"}, o, error)) << error;
  EXPECT_EQ(o.framesDir, "out");
  EXPECT_EQ(o.from.seconds, 0.5);
  ASSERT_TRUE(Parse({"--help"}, o, error));
  EXPECT_TRUE(o.help);
}

TEST(CaptureOptions, BadOrInconsistentOptionsGiveOneLine) {
  struct Case {
    std::vector<const char*> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--size", "641x480"}, "both sides must be even"},
      {{"--size", "640x"}, "--size takes WxH"},
      {{"--size", "640*480"}, "--size takes WxH"},
      {{"--size", "0x0"}, "--size takes WxH"},
      {{"--size", "9000x480"}, "--size takes WxH"},
      {{"--fps", "0"}, "--fps takes a whole number"},
      {{"--fps", "29.97"}, "--fps takes a whole number"},
      {{"--fps", "241"}, "--fps takes a whole number"},
      {{"--fps"}, "--fps needs a value"},
      {{"--from", "-1"}, "--from takes an order"},
      {{"--from", "4.5"}, "--from takes an order"},
      {{"--from", "1e3s"}, "--from takes an order"},
      {{"--from", "infs"}, "--from takes an order"},
      {{"--from", "s"}, "--from takes an order"},
      {{"--to", "1..2s"}, "--to takes an order"},
      {{"--from", "5", "--to", "4"}, "--to must come after --from"},
      {{"--from", "5s", "--to", "5s"}, "--to must come after --from"},
      {{"--out", "a.mp4", "--frames", "dir"}, "exclude each other"},
      {{"--fps", "30", "--fps", "60"}, "--fps is given twice"},
      {{"--speed", "2"}, "unknown option --speed"},
      {{"video.mp4"}, "unknown option video.mp4"},
      {{"--out="}, "--out needs a file name"},
      {{"--gl", "desktop"}, "--gl takes fixed or es, not 'desktop'"},
  };
  for (const Case& c : cases) {
    CaptureOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(CaptureOptions, ThePictureKeepsFourToThreeBetweenBars) {
  auto rect = [](int w, int h) {
    PictureRect r = FitPicture(w, h);
    return std::vector<int>{r.x, r.y, r.width, r.height};
  };
  EXPECT_EQ(rect(640, 480), (std::vector<int>{0, 0, 640, 480}));
  EXPECT_EQ(rect(1440, 1080), (std::vector<int>{0, 0, 1440, 1080}));
  EXPECT_EQ(rect(1920, 1080), (std::vector<int>{240, 0, 1440, 1080}));
  EXPECT_EQ(rect(1280, 720), (std::vector<int>{160, 0, 960, 720}));
  EXPECT_EQ(rect(640, 720), (std::vector<int>{0, 120, 640, 480}));
  // 768 * 4 / 3 = 1024: bars of 171 on the left and 171 on the right.
  EXPECT_EQ(rect(1366, 768), (std::vector<int>{171, 0, 1024, 768}));
  // Not a whole 4:3: the nearest width, centred.
  EXPECT_EQ(rect(1000, 500), (std::vector<int>{166, 0, 667, 500}));
}

TEST(CaptureOptions, DataDefaultsToTheBuildFolderElseTheInstalledOne) {
  static std::string seen;
  auto buildTree = [](const std::string& path) {
    seen = path;
    return path == "/src/build/show/soundtrack.mo3";
  };
  EXPECT_EQ(DefaultDataDir("/src/build/show", kInstalledDataFromBin, buildTree), "/src/build/show");
  EXPECT_EQ(DefaultDataDir("/usr/bin", kInstalledDataFromBin, buildTree), "/usr/share/nivora-dusk");
  EXPECT_EQ(seen, "/usr/bin/soundtrack.mo3");
  EXPECT_EQ(DefaultDataDir("/opt/dusk/bin/", kInstalledDataFromBin, buildTree),
            "/opt/dusk/share/nivora-dusk");
}

TEST(CaptureProgress, ReportsFramesRateAndTimeLeft) {
  char text[160];
  FormatProgress(text, sizeof text, 1200, 9947, 20.0, 10);
  EXPECT_STREQ(text, "[#.........]  12%  1200/9947 frames  60.0 fps  2:26 left");
  FormatProgress(text, sizeof text, 0, 100, 0.0, 0);
  EXPECT_STREQ(text, "  0%  0/100 frames  0.0 fps  --:-- left");
}

}  // namespace
