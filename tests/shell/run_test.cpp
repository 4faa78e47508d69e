#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "assets/objects.h"
#include "assets/textures.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "shell/run.h"
#include "shell/window.h"

namespace {

// A tick source that moves on by tickStep at every read and, when asked, sets
// quitRequested at a given read (as the end-of-module callback would mid-frame).
uint32_t fakeTick = 0;
uint32_t tickStep = 0;
int tickReads = 0;
int quitAtRead = -1;
uint32_t ReadFakeTick() {
  ++tickReads;
  if (tickReads == quitAtRead) quitRequested.store(1);
  uint32_t now = fakeTick;
  fakeTick += tickStep;
  return now;
}

class RunTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetDemoClock();
    std::memset(KeyState, 0, sizeof KeyState);
    std::memset(KeyPressed, 0, sizeof KeyPressed);
    std::memset(TextureTable, 0, sizeof TextureTable);
    fakeTick = 1000;
    tickStep = 0;
    tickReads = 0;
    quitAtRead = -1;
    SetTickSource(ReadFakeTick);
    GlrecReset();
    GlrecSetMode(GlrecRecord);
  }
  void TearDown() override {
    SetTickSource(nullptr);
    ResetDemoClock();
  }
};

const std::vector<std::string> blackClear = {
    "glClearColor 0 0 0 0",
    "glClear GL_COLOR_BUFFER_BIT",
    "glLoadIdentity",
    "glMatrixMode GL_PROJECTION",
    "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000",
};

TEST_F(RunTest, LoadingFrameAtBrightnessZeroIsOnlyTheBlackClear) {
  TextureTable[SlotLoading] = 7;
  DrawLoadingFrame(0.0f);
  EXPECT_EQ(GlrecCalls(), blackClear) << GlrecJoined();
  GlrecReset();
  GlrecSetMode(GlrecRecord);
  DrawLoadingFrame(-0.25f);
  EXPECT_EQ(GlrecCalls(), blackClear) << GlrecJoined();
}

TEST_F(RunTest, LoadingFrameAboveZeroAddsTheLoadingPictureFullScreen) {
  TextureTable[SlotLoading] = 7;
  DrawLoadingFrame(0.5f);
  const std::vector<std::string>& calls = GlrecCalls();
  ASSERT_GT(calls.size(), blackClear.size()) << GlrecJoined();
  EXPECT_TRUE(std::equal(blackClear.begin(), blackClear.end(), calls.begin())) << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            std::vector<std::string>{"glBindTexture GL_TEXTURE_2D 7"})
      << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("glColor3f"), std::vector<std::string>{"glColor3f 0.5 0.5 0.5"});
  EXPECT_EQ(GlrecCallsNamed("glVertex3f"),
            (std::vector<std::string>{"glVertex3f -1 -1 -32", "glVertex3f 1 -1 -32",
                                      "glVertex3f 1 1 -32", "glVertex3f -1 1 -32"}));
}

TEST_F(RunTest, MissingLoadingPictureShowsAPlainQuadAtFullBrightness) {
  // No gfx/ beside the test: slot 98 stays 0, which draws untextured.
  ShowLoadingPicture();
  EXPECT_EQ(TextureTable[SlotLoading], 0u);
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            std::vector<std::string>{"glBindTexture GL_TEXTURE_2D 0"})
      << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("glColor3f"), std::vector<std::string>{"glColor3f 1 1 1"});
  EXPECT_EQ(GlrecCallsNamed("glClear").size(), 1u);
}

TEST_F(RunTest, FadeInRisesToJustPastOneAndShowsThatFrame) {
  tickStep = 250;
  FadeLoadingPictureIn();
  EXPECT_EQ(demoClock.startTickMs.load(), 1000.0f);
  EXPECT_EQ(tickReads, 6);  // the start tick, then five frames
  EXPECT_EQ(GlrecCallsNamed("glColor3f"),
            (std::vector<std::string>{"glColor3f 0.25 0.25 0.25", "glColor3f 0.5 0.5 0.5",
                                      "glColor3f 0.75 0.75 0.75", "glColor3f 1 1 1",
                                      "glColor3f 1.25 1.25 1.25"}))
      << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("glClear").size(), 5u);
}

TEST_F(RunTest, FirstFadeInFrameInTheStartMillisecondIsBlack) {
  // The start tick and the first frame read 1000, then the clock jumps past a second.
  struct Jump {
    static uint32_t Read() {
      ++tickReads;
      return tickReads <= 2 ? 1000u : 2001u;
    }
  };
  SetTickSource(Jump::Read);
  FadeLoadingPictureIn();
  EXPECT_EQ(tickReads, 3);
  EXPECT_EQ(GlrecCallsNamed("glClear").size(), 2u);
  // Only the second frame, brightness 1.001, draws the picture.
  EXPECT_EQ(GlrecCallsNamed("glColor3f"),
            std::vector<std::string>{"glColor3f 1.00100005 1.00100005 1.00100005"})
      << GlrecJoined();
}

TEST_F(RunTest, FadeOutFallsToZeroAndEndsOnABlackFrame) {
  tickStep = 250;
  FadeLoadingPictureOut();
  EXPECT_EQ(tickReads, 6);
  // 0.75, 0.5, 0.25, then 0 and -0.25: two black frames, the second ends the fade.
  EXPECT_EQ(GlrecCallsNamed("glColor3f"),
            (std::vector<std::string>{"glColor3f 0.75 0.75 0.75", "glColor3f 0.5 0.5 0.5",
                                      "glColor3f 0.25 0.25 0.25"}))
      << GlrecJoined();
  EXPECT_EQ(GlrecCallsNamed("glClear").size(), 5u);
}

TEST_F(RunTest, MainLoopFinishesTheFrameInWhichTheModuleEnded) {
  // Each frame reads the tick at its start and after its swap: the third
  // frame's clock update, the fifth read, sees the end.
  quitAtRead = 5;
  RunMainLoop();
  EXPECT_EQ(tickReads, 6);
  EXPECT_EQ(GlrecCallsNamed("glClear").size(), 3u) << GlrecJoined();
}

TEST_F(RunTest, MainLoopDrawsNothingWhenEscapeIsDownOrQuitIsSet) {
  KeyState[27] = 1;
  RunMainLoop();
  EXPECT_EQ(tickReads, 0);
  KeyState[27] = 0;
  quitRequested.store(1);
  RunMainLoop();
  EXPECT_EQ(tickReads, 0);
  EXPECT_TRUE(GlrecCalls().empty()) << GlrecJoined();
}

TEST_F(RunTest, EscapeQueuedDuringLoadingEndsTheShowAfterOneFrameHeldOrTapped) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
  SDL_Event down{};
  down.type = SDL_KEYDOWN;
  down.key.state = SDL_PRESSED;
  down.key.keysym.sym = SDLK_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&down), 1);
  quitAtRead = 100;  // a safety net: the loop must have ended long before
  RunMainLoop();
  EXPECT_EQ(tickReads, 2);  // one frame's start and swap
  EXPECT_EQ(KeyState[27], 1);

  // Pressed and released before the first pump: both are seen there, the key is
  // up again, and the press still ends the show after that frame.
  KeyState[27] = 0;
  KeyPressed[27] = 0;
  tickReads = 0;
  SDL_Event up = down;
  up.type = SDL_KEYUP;
  up.key.state = SDL_RELEASED;
  ASSERT_EQ(SDL_PushEvent(&down), 1);
  ASSERT_EQ(SDL_PushEvent(&up), 1);
  RunMainLoop();
  EXPECT_EQ(tickReads, 2);
  EXPECT_EQ(KeyState[27], 0);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST_F(RunTest, ReleaseAssetsDeletesEverySlotInOrderThenEveryObject) {
  for (int slot = 1; slot < 256; ++slot) TextureTable[slot] = static_cast<GLuint>(1000 + slot);
  Object3D& object = ObjectTable[200];
  object.vertexCount = 3;
  object.faceCount = 1;
  AllocateObject(object);
  ReleaseAssets();
  auto deletes = GlrecCallsNamed("glDeleteTextures");
  ASSERT_EQ(deletes.size(), 256u) << GlrecJoined();
  EXPECT_EQ(deletes[0], "glDeleteTextures 1 0");
  for (int slot = 1; slot < 256; ++slot)
    EXPECT_EQ(deletes[slot], "glDeleteTextures 1 " + std::to_string(1000 + slot));
  EXPECT_EQ(object.faces, nullptr);
  EXPECT_EQ(object.vertices, nullptr);
  EXPECT_EQ(object.baseVertices, nullptr);
}

TEST(FatalErrorDeathTest, MessageGoesToStandardErrorAndTheRunEndsWithStatusOne) {
  // No display in the child: the box cannot open and must not wait for anyone.
  auto fail = [] {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    FatalError("screenmode not found");
  };
  EXPECT_EXIT(fail(), testing::ExitedWithCode(1), "screenmode not found\n");
}

}  // namespace
