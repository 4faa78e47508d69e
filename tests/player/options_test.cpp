#include "player/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Parse(std::vector<const char*> args, PlayerOptions& options, std::string& error) {
  args.insert(args.begin(), "nivora-play");
  options = PlayerOptions{};
  return ParsePlayerOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(PlayerOptions, DefaultsAndEveryOption) {
  PlayerOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_EQ(o.display, DisplayDesktop);
  EXPECT_FALSE(o.loop);
  EXPECT_TRUE(o.vsync);
  EXPECT_TRUE(o.dataDir.empty());
  EXPECT_EQ(o.gl, GlBackendFixed);

  // The window's size may be left out, even before another option.
  ASSERT_TRUE(Parse({"--window", "--loop"}, o, error)) << error;
  EXPECT_EQ(o.display, DisplayWindow);
  EXPECT_EQ(o.width, 960);
  EXPECT_EQ(o.height, 720);
  EXPECT_TRUE(o.loop);

  ASSERT_TRUE(Parse({"--window", "800x600", "--no-vsync", "--data", "show", "--frame-times=t"}, o,
                    error))
      << error;
  EXPECT_EQ(o.width, 800);
  EXPECT_EQ(o.height, 600);
  EXPECT_FALSE(o.vsync);
  EXPECT_EQ(o.dataDir, "show");
  EXPECT_EQ(o.frameTimesFile, "t");

  ASSERT_TRUE(Parse({"--gl", "es"}, o, error)) << error;
  EXPECT_EQ(o.gl, GlBackendEs);
  ASSERT_TRUE(Parse({"--gl=fixed"}, o, error)) << error;
  EXPECT_EQ(o.gl, GlBackendFixed);

  ASSERT_TRUE(Parse({"--mode=1024x768"}, o, error)) << error;
  EXPECT_EQ(o.display, DisplayModeSwitch);
  EXPECT_EQ(o.width, 1024);
  EXPECT_EQ(o.height, 768);
  ASSERT_TRUE(Parse({"-h"}, o, error));
  EXPECT_TRUE(o.help);
}

TEST(PlayerOptions, BadOrInconsistentOptionsGiveOneLine) {
  struct Case {
    std::vector<const char*> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--mode", "1280x1024"}, "--mode takes 640x480, 800x600 or 1024x768, not '1280x1024'"},
      {{"--mode"}, "--mode takes 640x480"},
      {{"--window", "800"}, "--window takes WxH"},
      {{"--window=63x480"}, "--window takes WxH"},
      {{"--window", "9000x480"}, "--window takes WxH"},
      {{"--window", "800x600x2"}, "--window takes WxH"},
      {{"--window", "--mode", "640x480"}, "choose one display"},
      {{"--loop", "--loop"}, "--loop is given twice"},
      {{"--loop=1"}, "--loop takes no value"},
      {{"--data"}, "--data needs a folder"},
      {{"--data="}, "--data needs a folder"},
      {{"--fullscreen"}, "unknown option --fullscreen"},
      {{"800x600"}, "unknown option 800x600"},
      {{"--gl", "gles"}, "--gl takes fixed or es, not 'gles'"},
      {{"--gl"}, "--gl takes fixed or es"},
      {{"--gl", "es", "--gl", "es"}, "--gl is given twice"},
  };
  for (const Case& c : cases) {
    PlayerOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, o, error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(PlayerOptions, HelpNamesEveryOptionAndKey) {
  std::string help = PlayerUsage();
  for (const char* word : {"--window [WxH]", "--mode", "--loop", "--no-vsync", "--data DIR",
                           "--frame-times", "--gl fixed|es", "--help", "Escape", "Space", "Left", "Home",
                           "Alt+Enter", "H shows", "status: 0"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
