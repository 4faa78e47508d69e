#include "layers/primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "glrec/glrec.h"
#include "layer_trace.h"

namespace {

class PrimitivesTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecSetMode(GlrecRecord);
    GlrecReset();
  }
};

// The calls strictly between glBegin and glEnd.
std::vector<std::string> QuadBody() {
  const std::vector<std::string>& calls = GlrecCalls();
  std::vector<std::string> body;
  bool inside = false;
  for (const std::string& line : calls) {
    if (line.rfind("glEnd", 0) == 0) inside = false;
    if (inside) body.push_back(line);
    if (line.rfind("glBegin", 0) == 0) inside = true;
  }
  return body;
}

// Four corners, each a texture coordinate then a vertex at depth -32.
std::vector<std::string> ExpectedBody(const float st[4][2], const float xy[4][2]) {
  std::vector<std::string> body;
  for (int k = 0; k < 4; ++k) {
    body.push_back("glTexCoord2f " + GlrecFloat(st[k][0]) + " " + GlrecFloat(st[k][1]));
    body.push_back("glVertex3f " + GlrecFloat(xy[k][0]) + " " + GlrecFloat(xy[k][1]) + " -32");
  }
  return body;
}

TEST_F(PrimitivesTest, BeginFrameClearsColourAndSetsTheOverlayProjection) {
  BeginFrame(0.25f, 0.5f, 1.0f);
  EXPECT_EQ(GlrecJoined(),
            "glClearColor 0.25 0.5 1 0\n"
            "glClear GL_COLOR_BUFFER_BIT\n"
            "glLoadIdentity\n"
            "glMatrixMode GL_PROJECTION\n"
            "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000\n");
  EXPECT_EQ(GlrecCurrentState().matrixMode, static_cast<GLenum>(GL_PROJECTION));
}

TEST_F(PrimitivesTest, QuadAddDrawsTheFullCommonSequence) {
  DrawQuadAdd(-1.0f, -0.5f, 1.0f, 0.5f, 0.75f, 1005);
  EXPECT_EQ(GlrecJoined(),
            "glDisable GL_DEPTH_TEST\n"
            "glBindTexture GL_TEXTURE_2D 1005\n"
            "glEnable GL_BLEND\n"
            "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
            "glColor3f 0.75 0.75 0.75\n"
            "glBegin GL_QUADS\n"
            "glTexCoord2f 0 0\n"
            "glVertex3f -1 -0.5 -32\n"
            "glTexCoord2f 1 0\n"
            "glVertex3f 1 -0.5 -32\n"
            "glTexCoord2f 1 1\n"
            "glVertex3f 1 0.5 -32\n"
            "glTexCoord2f 0 1\n"
            "glVertex3f -1 0.5 -32\n"
            "glEnd\n"
            "glDisable GL_BLEND\n"
            "glDepthMask GL_TRUE\n"
            "glEnable GL_DEPTH_TEST\n");
}

TEST_F(PrimitivesTest, QuadMulDiffersOnlyInTheBlendPair) {
  DrawQuadAdd(-1.0f, -0.5f, 1.0f, 0.5f, 0.75f, 1005);
  std::vector<std::string> expected = GlrecCalls();
  GlrecReset();
  DrawQuadMul(-1.0f, -0.5f, 1.0f, 0.5f, 0.75f, 1005);
  ASSERT_EQ(expected.at(3), "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA");
  expected[3] = "glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR";
  EXPECT_EQ(GlrecCalls(), expected) << GlrecJoined();
}

TEST_F(PrimitivesTest, ScreenTexMapsTheWindowOntoTheWholeScreen) {
  // Half a tile of offset and two repeats in each direction.
  const float st[4][2] = {{-0.5f, -0.5f}, {1.5f, -0.5f}, {1.5f, 1.5f}, {-0.5f, 1.5f}};
  const float xy[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (auto draw : {DrawScreenTexAdd, DrawScreenTexMul}) {
    GlrecReset();
    draw(-0.5f, -0.5f, 1.5f, 1.5f, 1.0f, 7);
    EXPECT_EQ(QuadBody(), ExpectedBody(st, xy)) << GlrecJoined();
  }
  // s and t are not swapped.
  GlrecReset();
  DrawScreenTexAdd(0.1f, 0.2f, 0.3f, 0.4f, 1.0f, 7);
  const float st2[4][2] = {{0.1f, 0.2f}, {0.3f, 0.2f}, {0.3f, 0.4f}, {0.1f, 0.4f}};
  EXPECT_EQ(QuadBody(), ExpectedBody(st2, xy)) << GlrecJoined();
}

TEST_F(PrimitivesTest, SpriteIsASquareAroundItsCentre) {
  const float st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const float xy[4][2] = {{-0.25f, -1.0f}, {0.75f, -1.0f}, {0.75f, 0.0f}, {-0.25f, 0.0f}};
  for (auto draw : {DrawSpriteAdd, DrawSpriteMul}) {
    GlrecReset();
    draw(0.25f, -0.5f, 0.5f, 1.0f, 9);
    EXPECT_EQ(QuadBody(), ExpectedBody(st, xy)) << GlrecJoined();
  }
}

struct Primitive {
  const char* name;
  void (*draw)(float brightness, GLuint texture);
  GLenum blendSrc, blendDst;
};

const Primitive primitives[] = {
    {"DrawQuadAdd", [](float b, GLuint t) { DrawQuadAdd(-1, -1, 1, 1, b, t); }, GL_SRC_ALPHA,
     GL_SRC_ALPHA},
    {"DrawQuadMul", [](float b, GLuint t) { DrawQuadMul(-1, -1, 1, 1, b, t); },
     GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR},
    {"DrawScreenTexAdd", [](float b, GLuint t) { DrawScreenTexAdd(0, 0, 1, 1, b, t); },
     GL_SRC_ALPHA, GL_SRC_ALPHA},
    {"DrawScreenTexMul", [](float b, GLuint t) { DrawScreenTexMul(0, 0, 1, 1, b, t); },
     GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR},
    {"DrawSpriteAdd", [](float b, GLuint t) { DrawSpriteAdd(0, 0, 1, b, t); }, GL_SRC_ALPHA,
     GL_SRC_ALPHA},
    {"DrawSpriteMul", [](float b, GLuint t) { DrawSpriteMul(0, 0, 1, b, t); },
     GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR},
    {"DrawRotatedSpriteAdd", [](float b, GLuint t) { DrawRotatedSpriteAdd(0, 0, 0, 1, b, t); },
     GL_SRC_ALPHA, GL_SRC_ALPHA},
    {"DrawRotatedSpriteMul", [](float b, GLuint t) { DrawRotatedSpriteMul(0, 0, 0, 1, b, t); },
     GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR},
};

// Leaves the recorded state far from what any primitive sets.
void SetUnusualState() {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, 77);
  glColor3f(0.125f, 0.25f, 0.375f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  glDepthMask(GL_FALSE);
  glDisable(GL_DEPTH_TEST);
}

void ExpectSameState(const GlrecState& a, const GlrecState& b) {
  EXPECT_EQ(a.texture2d, b.texture2d);
  EXPECT_EQ(a.depthTest, b.depthTest);
  EXPECT_EQ(a.blend, b.blend);
  EXPECT_EQ(a.cullFace, b.cullFace);
  EXPECT_EQ(a.depthMask, b.depthMask);
  EXPECT_EQ(a.blendSrc, b.blendSrc);
  EXPECT_EQ(a.blendDst, b.blendDst);
  EXPECT_EQ(a.matrixMode, b.matrixMode);
  EXPECT_EQ(a.boundTexture, b.boundTexture);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a.color[i], b.color[i]);
}

TEST_F(PrimitivesTest, NoBrightnessMeansNoCallAndNoStateChange) {
  const float dark[] = {0.0f, -0.0f, -0.5f, -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()};
  for (const Primitive& p : primitives) {
    for (float b : dark) {
      SCOPED_TRACE(std::string(p.name) + " at " + GlrecFloat(b));
      GlrecReset();
      SetUnusualState();
      const GlrecState before = GlrecCurrentState();
      const size_t calls = GlrecCallCount();
      p.draw(b, 1001);
      EXPECT_EQ(GlrecCallCount(), calls) << GlrecJoined();
      ExpectSameState(GlrecCurrentState(), before);
    }
  }
}

TEST_F(PrimitivesTest, EachPrimitiveLeavesBlendingOffAndDepthOn) {
  for (const Primitive& p : primitives) {
    SCOPED_TRACE(p.name);
    GlrecReset();
    SetUnusualState();
    const size_t before = GlrecCalls().size();
    // A tiny positive brightness still draws.
    p.draw(1e-6f, 1042);
    const GlrecState& s = GlrecCurrentState();
    EXPECT_FALSE(s.blend);
    EXPECT_TRUE(s.depthTest);
    EXPECT_TRUE(s.depthMask);
    EXPECT_TRUE(s.texture2d);  // untouched
    EXPECT_FALSE(s.insideBegin);
    EXPECT_EQ(s.boundTexture, 1042u);
    EXPECT_EQ(s.color[0], 1e-6f);
    EXPECT_EQ(s.color[2], 1e-6f);
    EXPECT_EQ(s.blendSrc, p.blendSrc);
    EXPECT_EQ(s.blendDst, p.blendDst);
    EXPECT_EQ(GlrecVertexCount(), 4u);
    EXPECT_EQ(GlrecCallsNamed("glTexCoord2f").size(), 4u);
    // The depth test goes off before anything is drawn.
    EXPECT_EQ(GlrecCalls().at(before), "glDisable GL_DEPTH_TEST") << GlrecJoined();
  }
}

TEST_F(PrimitivesTest, BrightnessAboveOneIsPassedUnclamped) {
  DrawSpriteAdd(0, 0, 1, 2.5f, 3);
  EXPECT_EQ(GlrecCallsNamed("glColor3f"), std::vector<std::string>{"glColor3f 2.5 2.5 2.5"});
}

TEST_F(PrimitivesTest, RotatedSpriteAtAngleZeroIsUprightAndTallerThanWide) {
  DrawRotatedSpriteAdd(0.5f, -0.25f, 0.0f, 0.5f, 1.0f, 4);
  const std::vector<Corner> c = RecordedCorners();
  ASSERT_EQ(c.size(), 4u) << GlrecJoined();
  // Bottom-left, bottom-right, top-right, top-left: about +-1.0*size in x and
  // +-1.2*size in y around the centre.
  const float expected[4][2] = {{-1, -1.2f}, {1, -1.2f}, {1, 1.2f}, {-1, 1.2f}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(c[k].x, 0.5f + 0.5f * expected[k][0], 1e-3) << k;
    EXPECT_NEAR(c[k].y, -0.25f + 0.5f * expected[k][1], 1e-3) << k;
    EXPECT_EQ(c[k].z, -32.0f);
  }
  EXPECT_EQ(GlrecCallsNamed("glTexCoord2f"),
            (std::vector<std::string>{"glTexCoord2f 0 0", "glTexCoord2f 1 0", "glTexCoord2f 1 1",
                                      "glTexCoord2f 0 1"}));
}

TEST_F(PrimitivesTest, RotatedSpriteTurnsCounterClockwise) {
  DrawRotatedSpriteMul(0, 0, 0.0f, 1.0f, 1.0f, 4);
  const std::vector<Corner> upright = RecordedCorners();
  GlrecReset();
  // A quarter turn moves each corner to where the next one (counter-clockwise) was.
  DrawRotatedSpriteMul(0, 0, 1.5707963f, 1.0f, 1.0f, 4);
  const std::vector<Corner> turned = RecordedCorners();
  ASSERT_EQ(turned.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(turned[k].x, upright[(k + 1) % 4].x, 1e-5) << k;
    EXPECT_NEAR(turned[k].y, upright[(k + 1) % 4].y, 1e-5) << k;
  }
  // A small turn: the top-right corner moves left and up.
  GlrecReset();
  DrawRotatedSpriteMul(0, 0, 0.1f, 1.0f, 1.0f, 4);
  const std::vector<Corner> nudged = RecordedCorners();
  EXPECT_LT(nudged[2].x, upright[2].x);
  EXPECT_GT(nudged[2].y, upright[2].y);
}

TEST_F(PrimitivesTest, RotatedCornersAreComputedInDoubleAndRoundedOnce) {
  const double phi0 = 3.9269908175;
  int roundingMatters = 0;
  for (float angle : {0.7f, 2.9f, -1.3f, 11.0f}) {
    for (float size : {0.37f, 1.9f, 0.013f}) {
      GlrecReset();
      const float x = 0.3f, y = -0.2f;
      DrawRotatedSpriteAdd(x, y, angle, size, 1.0f, 4);
      const std::vector<Corner> c = RecordedCorners();
      ASSERT_EQ(c.size(), 4u);
      const float wideX = static_cast<float>(x + size * 1.414 * std::cos(angle + phi0));
      const float wideY = static_cast<float>(y + size * 1.6968 * std::sin(angle + phi0));
      const float narrowX = x + size * 1.414f * std::cos(angle + static_cast<float>(phi0));
      const float narrowY = y + size * 1.6968f * std::sin(angle + static_cast<float>(phi0));
      EXPECT_EQ(c[0].x, wideX) << angle << " " << size;
      EXPECT_EQ(c[0].y, wideY) << angle << " " << size;
      roundingMatters += (narrowX != wideX) + (narrowY != wideY);
    }
  }
  // Otherwise the inputs could not tell single from double precision apart.
  EXPECT_GT(roundingMatters, 0);
}

TEST_F(PrimitivesTest, ShadeScreenDrawsTheFullSequenceEvenAtZero) {
  DrawShadeScreen(0.0f);
  EXPECT_EQ(GlrecJoined(),
            "glEnable GL_BLEND\n"
            "glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR\n"
            "glEnable GL_DEPTH_TEST\n"
            "glDepthMask GL_TRUE\n"
            "glEnable GL_CULL_FACE\n"
            "glDisable GL_TEXTURE_2D\n"
            "glShadeModel GL_FLAT\n"
            "glColor3f 0 0 0\n"
            "glBegin GL_QUADS\n"
            "glVertex3f -1 -1 -32\n"
            "glVertex3f 1 -1 -32\n"
            "glVertex3f 1 1 -32\n"
            "glVertex3f -1 1 -32\n"
            "glEnd\n"
            "glDisable GL_BLEND\n"
            "glDisable GL_CULL_FACE\n"
            "glDisable GL_LIGHTING\n"
            "glDisable GL_LIGHT0\n"
            "glEnable GL_TEXTURE_2D\n"
            "glShadeModel GL_SMOOTH\n"
            "glDepthMask GL_TRUE\n");
}

TEST_F(PrimitivesTest, ShadeScreenLeavesTheObjectRenderersClosingState) {
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glDisable(GL_TEXTURE_2D);
  glDepthMask(GL_FALSE);
  DrawShadeScreen(-0.25f);  // no brightness test: still draws
  const GlrecState& s = GlrecCurrentState();
  EXPECT_EQ(GlrecVertexCount(), 4u);
  EXPECT_TRUE(s.texture2d);
  EXPECT_EQ(s.shadeModel, static_cast<GLenum>(GL_SMOOTH));
  EXPECT_FALSE(s.blend);
  EXPECT_FALSE(s.cullFace);
  EXPECT_FALSE(s.lighting);
  EXPECT_FALSE(s.light0);
  EXPECT_TRUE(s.depthMask);
  EXPECT_TRUE(s.depthTest);
  EXPECT_EQ(s.color[0], -0.25f);
}

}  // namespace
