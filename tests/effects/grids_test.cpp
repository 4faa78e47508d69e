#include <cmath>

#include "effects/grids.h"
#include "effects_fixture.h"

namespace {

using Strings = std::vector<std::string>;

// Two grids whose every field differs from element to element, in values whose
// blends are exact in single precision.
void FillPair(WarpGrid& p, WarpGrid& q) {
  for (int k = 0; k < 64 * 64; ++k) {
    p.points[k] = {k * 0.25f, 3 - k * 0.5f, (k % 7) * 1.5f, (k % 5) * 0.25f};
    q.points[k] = {8 - k * 0.125f, k * 0.75f, (k % 3) * -2.0f, (k % 9) * 0.125f};
  }
}

testing::AssertionResult SameGrid(const WarpGrid& a, const WarpGrid& b) {
  for (int k = 0; k < 64 * 64; ++k) {
    const GridVertex& x = a.points[k];
    const GridVertex& y = b.points[k];
    if (x.u != y.u || x.v != y.v || x.depth != y.depth || x.brightness != y.brightness)
      return testing::AssertionFailure() << "element " << k << ": (" << x.u << ", " << x.v << ", "
                                         << x.depth << ", " << x.brightness << ") against (" << y.u
                                         << ", " << y.v << ", " << y.depth << ", " << y.brightness << ")";
  }
  return testing::AssertionSuccess();
}

class GridTest : public EffectTest {
 protected:
  static WarpGrid p, q, out;
};
WarpGrid GridTest::p, GridTest::q, GridTest::out;

TEST_F(GridTest, BlendAtOneAndZeroCopiesAnInput) {
  FillPair(p, q);
  BlendGrids(1, p, q, out);
  EXPECT_TRUE(SameGrid(out, p));
  BlendGrids(0, p, q, out);
  EXPECT_TRUE(SameGrid(out, q));
}

TEST_F(GridTest, BlendExtrapolatesCoordinatesButClampsBrightness) {
  FillPair(p, q);
  BlendGrids(2, p, q, out);
  for (int k = 0; k < 64 * 64; k += 97) {
    SCOPED_TRACE(k);
    EXPECT_EQ(out.points[k].u, 2 * p.points[k].u - q.points[k].u);
    EXPECT_EQ(out.points[k].v, 2 * p.points[k].v - q.points[k].v);
    EXPECT_EQ(out.points[k].depth, 2 * p.points[k].depth - q.points[k].depth);
    EXPECT_EQ(out.points[k].brightness, p.points[k].brightness);
  }
  BlendGrids(-2, p, q, out);
  for (int k = 0; k < 64 * 64; k += 97) {
    SCOPED_TRACE(k);
    EXPECT_EQ(out.points[k].u, 3 * q.points[k].u - 2 * p.points[k].u);
    EXPECT_EQ(out.points[k].v, 3 * q.points[k].v - 2 * p.points[k].v);
    EXPECT_EQ(out.points[k].depth, 3 * q.points[k].depth - 2 * p.points[k].depth);
    EXPECT_EQ(out.points[k].brightness, q.points[k].brightness);
  }
  BlendGrids(0.25f, p, q, out);
  for (int k = 0; k < 64 * 64; k += 97)
    EXPECT_EQ(out.points[k].brightness, 0.25f * p.points[k].brightness + 0.75f * q.points[k].brightness);
}

TEST_F(GridTest, BlendIntoAnInputMatchesBlendIntoAThirdGrid) {
  for (float t : {0.37f, 2.5f, -1.5f}) {
    SCOPED_TRACE(t);
    FillPair(p, q);
    BlendGrids(t, p, q, out);
    BlendGrids(t, p, q, q);
    EXPECT_TRUE(SameGrid(q, out));
    FillPair(p, q);
    BlendGrids(t, p, q, p);
    EXPECT_TRUE(SameGrid(p, out));
  }
}

TEST_F(GridTest, SolidDrawSetsDepthAndCullingAndRestores) {
  FillPair(p, q);
  DrawGridSolid(0.5f, p, 1003);
  Strings expected = {"glBindTexture GL_TEXTURE_2D 1003", "glEnable GL_DEPTH_TEST",
                      "glDepthMask GL_TRUE",              "glEnable GL_CULL_FACE",
                      "glBegin GL_QUADS",                 "glEnd",
                      "glDisable GL_BLEND",               "glDisable GL_CULL_FACE",
                      "glDepthMask GL_TRUE"};
  EXPECT_EQ(SkeletonCalls(), expected);
  EXPECT_EQ(GlrecVertexCount(), 63u * 63u * 4u);
  EXPECT_EQ(GlrecCallsNamed("glColor3f").size(), 63u * 63u * 4u);
  EXPECT_EQ(GlrecCallsNamed("glTexCoord2f").size(), 63u * 63u * 4u);
  // Each corner is colour, texture coordinate, vertex, in that order.
  const Strings& calls = GlrecCalls();
  for (std::size_t k = 5; k < 5 + 3 * 63 * 63 * 4; k += 3) {
    ASSERT_EQ(calls[k].rfind("glColor3f", 0), 0u) << k;
    ASSERT_EQ(calls[k + 1].rfind("glTexCoord2f", 0), 0u) << k;
    ASSERT_EQ(calls[k + 2].rfind("glVertex3f", 0), 0u) << k;
  }
  const GlrecState& s = GlrecCurrentState();
  EXPECT_FALSE(s.blend);
  EXPECT_TRUE(s.depthTest);
  EXPECT_TRUE(s.depthMask);
  EXPECT_FALSE(s.cullFace);
  EXPECT_EQ(s.boundTexture, 1003u);
}

TEST_F(GridTest, SolidDrawAtBrightnessZeroIsABlackMeshThatStillWritesDepth) {
  FillPair(p, q);
  DrawGridSolid(0, p, 1003);
  EXPECT_EQ(GlrecVertexCount(), 63u * 63u * 4u);
  for (const std::string& line : GlrecCallsNamed("glColor3f")) ASSERT_EQ(line, "glColor3f 0 0 0");
  EXPECT_TRUE(GlrecCurrentState().depthTest);
  EXPECT_TRUE(GlrecCurrentState().depthMask);
}

TEST_F(GridTest, AdditiveDrawBlendsWithoutDepthTestAndRestores) {
  FillPair(p, q);
  glEnable(GL_CULL_FACE);
  DrawGridAdd(0.75f, p, 1002);
  Strings expected = {"glEnable GL_CULL_FACE",
                      "glBindTexture GL_TEXTURE_2D 1002",
                      "glDisable GL_DEPTH_TEST",
                      "glEnable GL_BLEND",
                      "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA",
                      "glBegin GL_QUADS",
                      "glEnd",
                      "glDisable GL_BLEND",
                      "glDepthMask GL_TRUE",
                      "glEnable GL_DEPTH_TEST"};
  EXPECT_EQ(SkeletonCalls(), expected);
  EXPECT_EQ(GlrecVertexCount(), 63u * 63u * 4u);
  EXPECT_TRUE(GlrecCurrentState().cullFace) << "culling is left as it was";
}

TEST_F(GridTest, AdditiveDrawWithNoBrightnessMakesNoCall) {
  FillPair(p, q);
  for (float brightness : {0.0f, -0.0f, -1.0f, std::nanf("")}) {
    GlrecReset();
    glBindTexture(GL_TEXTURE_2D, 77);
    glEnable(GL_DEPTH_TEST);
    DrawGridAdd(brightness, p, 1002);
    EXPECT_EQ(GlrecCallCount(), 2u) << brightness << "\n" << GlrecJoined();
    EXPECT_EQ(GlrecCurrentState().boundTexture, 77u);
    EXPECT_TRUE(GlrecCurrentState().depthTest);
    EXPECT_FALSE(GlrecCurrentState().blend);
  }
}

TEST_F(GridTest, QuadsRunDownEachColumnCounterClockwise) {
  FillPair(p, q);
  DrawGridAdd(1, p, 1002);
  std::vector<Corner> c = RecordedCorners();
  ASSERT_EQ(c.size(), 63u * 63u * 4u);
  auto at = [&](std::size_t k, float x, float y) {
    return testing::AssertionResult(c[k].x == x && c[k].y == y)
           << "corner " << k << " at (" << c[k].x << ", " << c[k].y << ")";
  };
  // Quad 0 is row 0, column 0; quad 1 is row 1 of the same column.
  EXPECT_TRUE(at(0, -32, -32));
  EXPECT_TRUE(at(1, -31, -32));
  EXPECT_TRUE(at(2, -31, -31));
  EXPECT_TRUE(at(3, -32, -31));
  EXPECT_TRUE(at(4, -32, -31));
  EXPECT_TRUE(at(7, -32, -30));
  // Quad 63 starts column 1; the last quad joins rows and columns 62 and 63.
  EXPECT_TRUE(at(4 * 63, -31, -32));
  EXPECT_TRUE(at(c.size() - 2, 31, 31));
  for (std::size_t q = 0; q < 63 * 63; ++q) ASSERT_GT(QuadArea(c, q), 0) << "quad " << q;
}

TEST_F(GridTest, CornerCarriesItsPointsColourTextureAndDepth) {
  for (GridVertex& point : p.points) point = {0, 0, 0, 1};
  // Row 1, column 1 is the third corner of quad 0.
  p.points[64 + 1] = {0.125f, -0.75f, 2.5f, 0.5f};
  DrawGridSolid(0.6f, p, 1003);
  const Strings& calls = GlrecCalls();
  const std::size_t third = 5 + 2 * 3;
  EXPECT_EQ(Args(calls[third]),
            (std::vector<float>{static_cast<float>(0.6f * 0.5), static_cast<float>(0.6f * 0.5),
                                static_cast<float>(0.6f * 0.5)}));
  EXPECT_EQ(calls[third + 1], "glTexCoord2f 0.125 -0.75");
  EXPECT_EQ(calls[third + 2], "glVertex3f -31 -31 -1012.5");
  EXPECT_EQ(Args(calls[5])[0], 0.6f);
}

TEST_F(GridTest, FlatGridReachesPastEveryEdgeOfTheView) {
  for (GridVertex& point : p.points) point = {0, 0, 0, 1};
  DrawGridAdd(1, p, 1002);
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
  for (const Corner& c : RecordedCorners()) {
    ASSERT_EQ(c.z, -1000);
    minX = std::min(minX, c.x), maxX = std::max(maxX, c.x);
    minY = std::min(minY, c.y), maxY = std::max(maxY, c.y);
  }
  // The frame projection: 3.55 degrees vertical, aspect 1, so at distance 1000
  // the view spans +-1000 tan(1.775 degrees).
  double half = 1000 * std::tan(3.55 / 2 * 3.141592653589793 / 180);
  EXPECT_NEAR(half, 30.99, 0.01);
  EXPECT_LT(minX, -half);
  EXPECT_GT(maxX, half);
  EXPECT_LT(minY, -half);
  EXPECT_GT(maxY, half);
}

}  // namespace
