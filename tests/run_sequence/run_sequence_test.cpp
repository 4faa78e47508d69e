#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/textures.h"
#include "music/clock.h"
#include "records/gl_window.h"
#include "run_sequence/platform_fakes.h"
#include "shell/run.h"
#include "shell/platform.h"

namespace {

using Steps = std::vector<std::string>;

class RunSequenceTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetDemoClock();
    std::memset(KeyState, 0, sizeof KeyState);
    std::memset(KeyPressed, 0, sizeof KeyPressed);
    std::memset(TextureTable, 0, sizeof TextureTable);
    ResetFakePlatform();
  }
  void TearDown() override {
    SetTickSource(nullptr);
    SetPositionSource(nullptr);
    ResetDemoClock();
  }
};

void Append(Steps& steps, const Steps& more) { steps.insert(steps.end(), more.begin(), more.end()); }

// A fade: its start tick, then frames (tick, draw, swap) until the picture is
// past full or black; with 300 ms per read, four of them.
Steps Fade() {
  Steps steps = {"ReadPlatformTicks"};
  for (int frame = 0; frame < 4; ++frame) Append(steps, {"ReadPlatformTicks", "GL", "SwapDemoBuffers"});
  return steps;
}

Steps StartUp() {
  Steps steps = {"AudioVersionOk", "InitAudioDevice 44100", "CreateDemoWindow 640 480 1",
                 "RaiseDemoWindow", "open gfx//01.jpg", "GL"};
  Append(steps, Fade());
  Append(steps, {"LoadMusic soundtrack.mo3 1", "SetMusicSync 7 3 1 OnMusicSync 0",
                 "SetMusicSync 7 2 1 OnMusicEnd 0", "SetMusicPositionScaler 7 64",
                 "StartAudioOutput"});
  for (const char* object : {"data//akanpaa.ob3", "data//float.ob3", "data//pallo2.ob3",
                             "data//tyyli.ob3"})
    steps.push_back(std::string("open ") + object);
  for (const TextureLoad& load : textureLoads) steps.push_back(std::string("open ") + load.fileName);
  Append(steps, Fade());
  // The loading picture's texture goes, then playback starts at the show's time zero.
  Append(steps, {"GL", "PlayMusic 7 0 -1 1", "ReadPlatformTicks"});
  return steps;
}

Steps Frames(int count) {
  Steps steps;
  for (int frame = 0; frame < count; ++frame)
    Append(steps, {"ReadPlatformTicks", "PumpMessages", "GL", "SwapDemoBuffers",
                   "ReadPlatformTicks"});
  return steps;
}

// Textures released (GL), the volume ramp heard out, audio freed, the window closed.
Steps Teardown() {
  Steps steps = {"GL"};
  for (int volume = 100; volume >= 0; volume -= 5)
    steps.push_back("SetAudioVolume " + std::to_string(volume));
  Append(steps, {"FinishAudioFade", "FreeAudio", "CloseDemoWindow"});
  return steps;
}

std::string Diff(const Steps& want, const Steps& got) {
  std::size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  return "first difference at step " + std::to_string(i) + ": wanted \"" +
         (i < want.size() ? want[i] : "(end)") + "\", got \"" + (i < got.size() ? got[i] : "(end)") +
         "\"\nrecorded steps:\n" + JoinedFakeSteps();
}

TEST_F(RunSequenceTest, EscapeTapEndsTheShowAfterTheFrameInWhichItCame) {
  // Pressed and released within the third frame's pump.
  fakePlatform.escapeTapAtPump = 3;
  ASSERT_EQ(RunShow(), 0);
  Steps want = StartUp();
  Append(want, Frames(3));
  Append(want, Teardown());
  EXPECT_TRUE(FakeSteps() == want) << Diff(want, FakeSteps());
}

TEST_F(RunSequenceTest, ModuleEndMidFrameStillFinishesThatFrame) {
  // The end callback fires while the second frame's clock is read (the first
  // frame reads its start and its swap).
  const int startUpTicks = 5 + 5 + 1;  // two fades of five reads, then time zero
  fakePlatform.moduleEndAtTick = startUpTicks + 3;
  ASSERT_EQ(RunShow(), 0);
  Steps want = StartUp();
  Append(want, Frames(2));
  Append(want, Teardown());
  EXPECT_TRUE(FakeSteps() == want) << Diff(want, FakeSteps());
}

// The player's shape of the run: its display request reaches the window call,
// its hooks run in their places, a held clock reads no tick, and the loop ends
// before drawing when a hook says so.
int hookedFrames = 0;
TEST_F(RunSequenceTest, AFrontEndsHooksRunInTheirPlacesInTheOneLoop) {
  hookedFrames = 0;
  FrontEnd front;
  front.display.kind = DisplayWindow;
  front.display.width = 800;
  front.display.height = 600;
  front.showLoaded = [] { NoteFakeStep("showLoaded"); };
  front.loop.holdsClock = [] { NoteFakeStep("holdsClock"); return true; };
  front.loop.frameBegins = [] { NoteFakeStep("frameBegins"); };
  front.loop.endsLoop = [] { NoteFakeStep("endsLoop"); return ++hookedFrames > 2; };
  front.loop.beforeDraw = [] { NoteFakeStep("beforeDraw"); };
  front.loop.frameDrawn = [] { NoteFakeStep("frameDrawn"); };
  front.loop.frameSwapped = [] { NoteFakeStep("frameSwapped"); };
  ASSERT_EQ(RunShow(front), 0);
  Steps want = StartUp();
  want[2] = "CreateDemoWindow 800 600 0";
  want.insert(want.end() - 2, "showLoaded");
  for (int frame = 0; frame < 2; ++frame)
    Append(want, {"holdsClock", "frameBegins", "PumpMessages", "endsLoop", "beforeDraw", "GL",
                  "frameDrawn", "SwapDemoBuffers", "frameSwapped"});
  Append(want, {"holdsClock", "frameBegins", "PumpMessages", "endsLoop"});
  Append(want, Teardown());
  EXPECT_TRUE(FakeSteps() == want) << Diff(want, FakeSteps());
  EXPECT_EQ(glWindow.width, 640);  // the picture, not the window
}

TEST(RunSequenceDeathTest, FatalErrorClearsTheWindowAwayBeforeTheBox) {
  auto run = [] {
    ResetFakePlatform();
    fakePlatform.musicLoads = false;
    // The child's steps go to stderr as it exits, for the parent to match.
    std::atexit([] { std::fputs(("steps:\n" + JoinedFakeSteps()).c_str(), stderr); });
    RunShow();
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(1),
              "Can't play the file\nsteps:\n(.*\n)*LoadMusic soundtrack.mo3 1\nCloseDemoWindow\n"
              "ShowDemoCursor 1\nShowErrorBox Can't play the file\nFreeAudio\n$");
}

}  // namespace
