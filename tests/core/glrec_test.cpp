#include <gtest/gtest.h>

#include <GL/glu.h>

#include "glrec/glrec.h"

namespace {

class GlrecTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecSetMode(GlrecRecord);
    GlrecReset();
  }
};

TEST_F(GlrecTest, FormatsCallsInTheTraceFormat) {
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR);
  glBegin(GL_QUADS);
  glColor3f(0.05f, 1.0f, -32.0f);
  glEnd();
  glDepthMask(GL_TRUE);
  gluPerspective(3.55, 1.0, 0.1, 10000.0);
  const GLfloat light[4] = {-400, -300, 0, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  glBindTexture(GL_TEXTURE_2D, 1001);
  EXPECT_EQ(GlrecJoined(),
            "glClearColor 0 0 0 0\n"
            "glClear GL_COLOR_BUFFER_BIT\n"
            "glClear GL_DEPTH_BUFFER_BIT|GL_COLOR_BUFFER_BIT\n"
            "glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR\n"
            "glBegin GL_QUADS\n"
            "glColor3f 0.0500000007 1 -32\n"
            "glEnd\n"
            "glDepthMask GL_TRUE\n"
            "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000\n"
            "glLightfv GL_LIGHT0 GL_POSITION -400 -300 0 1\n"
            "glBindTexture GL_TEXTURE_2D 1001\n");
}

TEST_F(GlrecTest, CountingModeKeepsStateButNoLines) {
  GlrecSetMode(GlrecCount);
  glEnable(GL_BLEND);
  glVertex3f(1, 2, 3);
  glVertex3f(1, 2, 3);
  EXPECT_TRUE(GlrecCalls().empty());
  EXPECT_EQ(GlrecCallCount(), 3u);
  EXPECT_EQ(GlrecVertexCount(), 2u);
  EXPECT_TRUE(GlrecCurrentState().blend);
  GlrecSetMode(GlrecRecord);
}

TEST_F(GlrecTest, TexImageIsReadWithTheUnpackAlignment) {
  // A 5-pixel row is 15 bytes; at alignment 4 GL skips one padding byte per row.
  unsigned char padded[2 * 16];
  for (int i = 0; i < 32; ++i) padded[i] = static_cast<unsigned char>(i);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 5, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, padded);
  ASSERT_EQ(GlrecImages().size(), 1u);
  EXPECT_EQ(GlrecImages()[0].rgb[15], 16);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 5, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, padded);
  EXPECT_EQ(GlrecImages()[1].rgb[15], 15);
  EXPECT_EQ(GlrecCallsNamed("glTexImage2D")[0],
            "glTexImage2D GL_TEXTURE_2D 0 3 5 2 0 GL_RGB GL_UNSIGNED_BYTE");
}

}  // namespace
