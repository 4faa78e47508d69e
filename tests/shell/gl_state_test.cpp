#include <gtest/gtest.h>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "shell/window.h"

namespace {

class GlStateTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecReset();
    GlrecSetMode(GlrecRecord);
  }
  void TearDown() override { GlrecSetMaxTextureSize(16384); }
};

TEST_F(GlStateTest, InitialStateThenViewportThenTextureLimit) {
  GlrecSetMaxTextureSize(2048);
  maxTextureSize = 0;
  InitGlState(640, 480);
  const std::vector<std::string> expected = {
      "glEnable GL_TEXTURE_2D",
      "glClearColor 0.200000003 0.200000003 0.200000003 0",
      "glClearDepth 1",
      "glDepthFunc GL_LEQUAL",
      "glEnable GL_DEPTH_TEST",
      "glShadeModel GL_SMOOTH",
      "glViewport 0 0 640 480",
      "glMatrixMode GL_PROJECTION",
      "glLoadIdentity",
      "gluPerspective 45 1.3333333333333333 0.10000000000000001 10000",
      "glMatrixMode GL_MODELVIEW",
      "glLoadIdentity",
      "glGetIntegerv GL_MAX_TEXTURE_SIZE",
  };
  EXPECT_EQ(GlrecCalls(), expected) << GlrecJoined();
  EXPECT_EQ(maxTextureSize, 2048);
  // Nothing beyond the listed state: blending, culling and lighting stay off.
  const GlrecState& state = GlrecCurrentState();
  EXPECT_TRUE(state.texture2d);
  EXPECT_TRUE(state.depthTest);
  EXPECT_TRUE(state.depthMask);
  EXPECT_FALSE(state.blend);
  EXPECT_FALSE(state.cullFace);
  EXPECT_FALSE(state.lighting);
  EXPECT_EQ(state.matrixMode, static_cast<GLenum>(GL_MODELVIEW));
}

TEST_F(GlStateTest, ZeroHeightIsTakenAsOne) {
  ResizeViewport(640, 0);
  const std::vector<std::string> expected = {
      "glViewport 0 0 640 1",
      "glMatrixMode GL_PROJECTION",
      "glLoadIdentity",
      "gluPerspective 45 640 0.10000000000000001 10000",
      "glMatrixMode GL_MODELVIEW",
      "glLoadIdentity",
  };
  EXPECT_EQ(GlrecCalls(), expected) << GlrecJoined();
}

TEST_F(GlStateTest, AspectIsDividedInDoubleNotInteger) {
  ResizeViewport(800, 600);
  ResizeViewport(300, 700);
  auto projections = GlrecCallsNamed("gluPerspective");
  ASSERT_EQ(projections.size(), 2u) << GlrecJoined();
  EXPECT_EQ(projections[0], "gluPerspective 45 1.3333333333333333 0.10000000000000001 10000");
  EXPECT_EQ(projections[1], "gluPerspective 45 0.42857142857142855 0.10000000000000001 10000");
}

}  // namespace
