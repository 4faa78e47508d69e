#include <cmath>

#include "effects/tunnel.h"
#include "effects_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class TunnelTest : public EffectTest {
 protected:
  static WarpGrid p, q;
};
WarpGrid TunnelTest::p, TunnelTest::q;

const GridVertex& At(const WarpGrid& grid, int row, int column) {
  return grid.points[row * 64 + column];
}

// The rotozoom's depth plane in closed form, folded to 1 - L where it reaches 0.
double PlaneL(int P1, int P2, int i, int j) {
  double I = i - 32, J = j - 32;
  double L = 4000 + (P2 - P1) / 8.0 + (J * P1 - I * P2) / 128.0;
  return L <= 0 ? 1 - L : L;
}

float PlaneBrightness(double L) {
  double b = L * (1.0 / 3000) - 0.3;
  return static_cast<float>(b < 0 ? 0 : b > 1 ? 1 : b);
}

TEST_F(TunnelTest, RotozoomAtTimeZeroTiltsByP1Of4000AndP2Of7000) {
  BuildRotozoomGrid(0, p);
  for (int i = 0; i < 64; ++i)
    for (int j = 0; j < 64; ++j)
      ASSERT_EQ(At(p, i, j).brightness, PlaneBrightness(PlaneL(4000, 7000, i, j))) << i << "," << j;
  // No rotation at T = 0 and the centre drifts to (1, 0) / 4.
  EXPECT_EQ(At(p, 32, 32).u, 0.25f);
  EXPECT_EQ(At(p, 32, 32).v, 0.0f);
  float M = static_cast<float>(64 * 8 / PlaneL(4000, 7000, 32, 40));
  EXPECT_EQ(At(p, 32, 40).u, static_cast<float>(0.25 * (M + 1.0)));
  EXPECT_EQ(At(p, 32, 40).v, 0.0f);
  EXPECT_EQ(At(p, 32, 40).depth, 0.0f);
  // Straight up and straight down the middle column: the texture's v follows the
  // point's side of the centre.
  float up = static_cast<float>(64 * 31 / PlaneL(4000, 7000, 63, 32));
  float down = static_cast<float>(64 * 32 / PlaneL(4000, 7000, 0, 32));
  EXPECT_NEAR(At(p, 63, 32).u, 0.25, 1e-6);
  EXPECT_NEAR(At(p, 63, 32).v, 0.25 * up, 1e-6);
  EXPECT_NEAR(At(p, 0, 32).u, 0.25, 1e-6);
  EXPECT_NEAR(At(p, 0, 32).v, -0.25 * down, 1e-6);
  // Left of the centre the angle is a half turn.
  EXPECT_NEAR(At(p, 32, 24).u, 0.25 * (1 - 64 * 8 / PlaneL(4000, 7000, 32, 24)), 1e-6);
}

TEST_F(TunnelTest, RotozoomFoldsThePlaneWhereItWouldReachZero) {
  // At T = 155160 the tilt is P1 = 9328, P2 = -9399: the corner of row 0,
  // column 0 lies at L = -3022.625 and is drawn as 1 - L.
  BuildRotozoomGrid(155160, p);
  EXPECT_EQ(PlaneL(9328, -9399, 0, 0), 3023.625);
  EXPECT_NEAR(At(p, 0, 0).brightness, 3023.625 / 3000 - 0.3, 1e-6);
  int folded = 0;
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      double L = PlaneL(9328, -9399, i, j);
      ASSERT_EQ(At(p, i, j).brightness, PlaneBrightness(L)) << i << "," << j;
      ASSERT_TRUE(std::isfinite(At(p, i, j).u) && std::isfinite(At(p, i, j).v)) << i << "," << j;
      folded += 4000 + (-9399 - 9328) / 8.0 + ((j - 32) * 9328.0 + (i - 32) * 9399.0) / 128 <= 0;
    }
  }
  EXPECT_GT(folded, 100);
}

TEST_F(TunnelTest, TunnelCentreAtTimeZeroRecedesInTheDarkAndBorrowsItsAngle) {
  BuildTunnelGrids(0, p, q);
  // F = H = 0: m = 0, R = 375, U = 195, V = 0. Its angle index is the |k - 128|
  // of the point to its left (k = 256, a half turn), so u = |128 - 128| / 1024.
  const GridVertex& centre = At(p, 32, 32);
  EXPECT_EQ(centre.u, 0.0f);
  EXPECT_EQ(centre.v, 750.0f / 1024);
  EXPECT_EQ(centre.depth, 195.0f);
  EXPECT_EQ(centre.brightness, 0.0f);
  EXPECT_EQ(At(q, 32, 32).v, -750.0f / 1024);
  EXPECT_EQ(At(p, 32, 31).u, 128.0f / 1024);
  // Row 0, column 32 follows k = 381 of its left neighbour: |253 - 128| / 1024.
  EXPECT_EQ(At(p, 0, 31).u, 253.0f / 1024);
  EXPECT_EQ(At(p, 0, 32).u, 125.0f / 1024);
  // Eight columns right of the centre: angle 0 (k = 0), R = 125, flat and lit.
  const GridVertex& right = At(p, 32, 40);
  EXPECT_EQ(right.u, 128.0f / 1024);
  EXPECT_EQ(right.v, 250.0f / 1024);
  EXPECT_EQ(right.depth, 0.0f);
  EXPECT_EQ(right.brightness, 1.0f);
}

TEST_F(TunnelTest, TunnelPairDiffersOnlyInTheSignOfTheRadiusTerm) {
  const float T = 777.7f;
  BuildTunnelGrids(T, p, q);
  double d = 256 * std::sin(T * (1.0 / 170));
  for (int k = 0; k < 64 * 64; ++k) {
    ASSERT_EQ(p.points[k].u, q.points[k].u) << k;
    ASSERT_EQ(p.points[k].depth, q.points[k].depth) << k;
    ASSERT_EQ(p.points[k].brightness, q.points[k].brightness) << k;
    ASSERT_NEAR(p.points[k].v + q.points[k].v, 2 * d / 1024, 1e-6) << k;
    ASSERT_GT(p.points[k].v, q.points[k].v) << k;
  }
}

Strings SolidThenAdd(const char* solidTexture, const char* addTexture) {
  return {"glClearColor 0 0 0 0",
          "glClear GL_DEPTH_BUFFER_BIT",
          std::string("glBindTexture GL_TEXTURE_2D ") + solidTexture,
          "glEnable GL_DEPTH_TEST",
          "glDepthMask GL_TRUE",
          "glEnable GL_CULL_FACE",
          "glBegin GL_QUADS",
          "glEnd",
          "glDisable GL_BLEND",
          "glDisable GL_CULL_FACE",
          "glDepthMask GL_TRUE",
          std::string("glBindTexture GL_TEXTURE_2D ") + addTexture,
          "glDisable GL_DEPTH_TEST",
          "glEnable GL_BLEND",
          "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA",
          "glBegin GL_QUADS",
          "glEnd",
          "glDisable GL_BLEND",
          "glDepthMask GL_TRUE",
          "glEnable GL_DEPTH_TEST"};
}

// The grey levels of the corners of the second (additive) mesh.
std::vector<float> AdditiveGreys() {
  std::vector<std::string> greys = GlrecCallsNamed("glColor3f");
  std::vector<float> out;
  for (std::size_t k = 63 * 63 * 4; k < greys.size(); ++k) out.push_back(Args(greys[k])[0]);
  return out;
}

TEST_F(TunnelTest, TunnelDrawsASolidAndAnAdditiveLayerAndTakesTheSync) {
  SetElapsed(5000);
  PostSync(4990);
  DrawTunnelBlend(0.5f, 30000);
  EXPECT_EQ(SkeletonCalls(), SolidThenAdd("1003", "1002"));
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(lastSyncMs, 4990);
}

TEST_F(TunnelTest, TunnelFadedOutDoesNothingAndLeavesTheSync) {
  SetElapsed(5000);
  for (float fade : {0.0f, -1.0f, std::nanf("")}) {
    PostSync(4990);
    DrawTunnelBlend(fade, 30000);
    EXPECT_EQ(GlrecCallCount(), 0u) << fade;
    EXPECT_EQ(syncEvent.pending.load(), 1) << fade;
    EXPECT_EQ(lastSyncMs, -100000) << fade;
  }
}

TEST_F(TunnelTest, TunnelFadeAboveOneDrawsAsOne) {
  SetElapsed(5000);
  DrawTunnelBlend(1, 30000);
  std::string atOne = GlrecJoined();
  GlrecReset();
  DrawTunnelBlend(2, 30000);
  EXPECT_EQ(GlrecJoined(), atOne);
}

TEST_F(TunnelTest, SyncBlacksOutTheSolidLayerAndLiftsTheAdditiveOne) {
  const float fade = 0.8f, T = 41000;
  SetElapsed(20000);
  DrawTunnelBlend(fade, T);
  std::vector<float> calm = AdditiveGreys();
  std::vector<Corner> corners = RecordedCorners();
  GlrecReset();
  PostSync(20000);
  DrawTunnelBlend(fade, T);
  std::vector<float> flashed = AdditiveGreys();
  std::vector<std::string> greys = GlrecCallsNamed("glColor3f");
  for (std::size_t k = 0; k < 63 * 63 * 4; ++k) ASSERT_EQ(greys[k], "glColor3f 0 0 0") << k;
  // gridC still holds the additive mesh: the lift per unit of point brightness is 0.5 x fade.
  ASSERT_EQ(calm.size(), flashed.size());
  int checked = 0;
  for (std::size_t k = 0; k < calm.size(); ++k) {
    const Corner& c = corners[63 * 63 * 4 + k];
    float pb = gridC.points[static_cast<int>(c.y + 32) * 64 + static_cast<int>(c.x + 32)].brightness;
    if (pb < 0.25f) continue;
    ASSERT_NEAR((flashed[k] - calm[k]) / pb, 0.5 * fade, 1e-5) << k;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

TEST_F(TunnelTest, TunnelFlashIsGoneThreeSecondsAfterTheSync) {
  SetElapsed(23000);
  DrawTunnelBlend(0.7f, 41000);
  std::string calm = GlrecJoined();
  GlrecReset();
  lastSyncMs = 20000;
  DrawTunnelBlend(0.7f, 41000);
  EXPECT_EQ(GlrecJoined(), calm);
}

TEST_F(TunnelTest, RotozoomLeavesTheSyncAloneAndDrawsBothLayers) {
  SetElapsed(5000);
  PostSync(4990);
  DrawRotozoomBlend(1, 50000);
  EXPECT_EQ(SkeletonCalls(), SolidThenAdd("1018", "1033"));
  EXPECT_EQ(syncEvent.pending.load(), 1);
  EXPECT_EQ(lastSyncMs, -100000);
}

TEST_F(TunnelTest, RotozoomAtFadeZeroStillLaysABlackSolidLayer) {
  DrawRotozoomBlend(0, 50000);
  Strings solidOnly = SolidThenAdd("1018", "1033");
  solidOnly.resize(11);
  EXPECT_EQ(SkeletonCalls(), solidOnly);
  for (const std::string& line : GlrecCallsNamed("glColor3f")) ASSERT_EQ(line, "glColor3f 0 0 0");
}

TEST_F(TunnelTest, RotozoomBelowZeroDoesNothingAndAboveOneDrawsAsOne) {
  for (float fade : {-0.5f, std::nanf("")}) {
    DrawRotozoomBlend(fade, 50000);
    EXPECT_EQ(GlrecCallCount(), 0u) << fade;
  }
  DrawRotozoomBlend(1, 50000);
  std::string atOne = GlrecJoined();
  GlrecReset();
  DrawRotozoomBlend(3, 50000);
  EXPECT_EQ(GlrecJoined(), atOne);
}

}  // namespace
