#include <cmath>

#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class BowlInterferenceTest : public EffectTest {
 protected:
  static WarpGrid grid;
};
WarpGrid BowlInterferenceTest::grid;

const GridVertex& At(const WarpGrid& g, int row, int column) { return g.points[row * 64 + column]; }

Strings AddPass(const char* texture) {
  return {std::string("glBindTexture GL_TEXTURE_2D ") + texture,
          "glDisable GL_DEPTH_TEST",
          "glEnable GL_BLEND",
          "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA",
          "glBegin GL_QUADS",
          "glEnd",
          "glDisable GL_BLEND",
          "glDepthMask GL_TRUE",
          "glEnable GL_DEPTH_TEST"};
}

Strings Joined(std::initializer_list<Strings> parts) {
  Strings out;
  for (const Strings& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// The grey level of every corner, pass by pass (one pass is 63 x 63 x 4 corners).
std::vector<std::vector<float>> PassGreys() {
  std::vector<std::vector<float>> passes;
  std::vector<std::string> greys = GlrecCallsNamed("glColor3f");
  for (std::size_t k = 0; k < greys.size(); ++k) {
    if (k % (63 * 63 * 4) == 0) passes.emplace_back();
    passes.back().push_back(Args(greys[k])[0]);
  }
  return passes;
}

TEST_F(BowlInterferenceTest, FlatBowlLaysThePictureOverTheWholeScreen) {
  BuildBowlGrid(3.5f, -2, 0, grid);
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      const GridVertex& point = At(grid, i, j);
      ASSERT_EQ(point.u, j / 64.0f) << i << "," << j;
      ASSERT_EQ(point.v, i / 64.0f) << i << "," << j;
      ASSERT_EQ(point.depth, 0.0f) << i << "," << j;
      ASSERT_EQ(point.brightness, 1.0f) << i << "," << j;
    }
  }
}

TEST_F(BowlInterferenceTest, BowlDepthIsAParaboloidAroundTheShiftedCentre) {
  // Centre at x = -3cx, y = -3cy: column 29, row 38.
  BuildBowlGrid(1, -2, 0.5f, grid);
  EXPECT_EQ(At(grid, 38, 29).depth, 5.0f);
  EXPECT_EQ(At(grid, 38, 31).depth, 3.0f);
  EXPECT_EQ(At(grid, 41, 29).depth, 0.5f);
  EXPECT_EQ(At(grid, 38, 40).depth, -55.5f);
  BuildBowlGrid(1, -2, -0.5f, grid);
  EXPECT_EQ(At(grid, 38, 40).depth, 55.5f);
}

TEST_F(BowlInterferenceTest, BowlLayersAtStartUpShareOutABrightnessOfOne) {
  SetElapsed(1000);
  DrawBowlLayers(1000);
  EXPECT_EQ(SkeletonCalls(), Joined({{"glClearColor 0 0 0 0", "glClear GL_DEPTH_BUFFER_BIT"},
                                     AddPass("1038"), AddPass("1023"), AddPass("1036"),
                                     AddPass("1003")}));
  std::vector<std::vector<float>> passes = PassGreys();
  ASSERT_EQ(passes.size(), 4u);
  // Every bowl point has brightness 1, so each corner shows the layer's brightness.
  for (const std::vector<float>& pass : passes)
    for (float grey : pass) ASSERT_EQ(grey, pass[0]);
  EXPECT_EQ(passes[0][0], passes[3][0]);
  EXPECT_EQ(passes[1][0], passes[2][0]);
  EXPECT_NEAR(passes[0][0] + passes[1][0], 1.0, 1e-6);
}

TEST_F(BowlInterferenceTest, BowlOnlyReadsSyncsThatOthersHaveTaken) {
  SetElapsed(9000);
  DrawBowlLayers(2000);
  std::string calm = GlrecJoined();
  std::vector<std::vector<float>> calmGreys = PassGreys();

  // A pending sync is neither taken nor seen.
  GlrecReset();
  PostSync(9000);
  DrawBowlLayers(2000);
  EXPECT_EQ(GlrecJoined(), calm);
  EXPECT_EQ(syncEvent.pending.load(), 1);
  EXPECT_EQ(lastSyncMs, -100000);

  // A sync taken elsewhere lifts every layer by 2 ...
  GlrecReset();
  lastSyncMs = 9000;
  DrawBowlLayers(2000);
  std::vector<std::vector<float>> lifted = PassGreys();
  ASSERT_EQ(lifted.size(), 4u);
  for (int layer = 0; layer < 4; ++layer) EXPECT_NEAR(lifted[layer][0], calmGreys[layer][0] + 2, 1e-6);

  // ... and is gone 1.5 s later.
  GlrecReset();
  SetElapsed(10600);
  DrawBowlLayers(2000);
  EXPECT_EQ(GlrecJoined(), calm);
}

TEST_F(BowlInterferenceTest, InterferenceAtTimeZeroMeasuresThreeDistances) {
  // All three points sit at (128, 64); the sample of row 32, column 63 is 2 from each.
  BuildInterferenceGrid(0, grid);
  const GridVertex& near = At(grid, 32, 63);
  EXPECT_EQ(near.u, -2.0f / 256);
  EXPECT_EQ(near.v, -2.0f / 256);
  EXPECT_EQ(near.depth, 0.0f);
  EXPECT_EQ(near.brightness, static_cast<float>(8 * static_cast<double>(0.000125f) / 256));
  // Far away the product passes 2,048,000 and the brightness saturates.
  EXPECT_EQ(At(grid, 0, 0).brightness, 1.0f);
}

TEST_F(BowlInterferenceTest, InterferenceIsDarkestAtEachOfItsPoints) {
  const float T = 625;  // all three points well inside the field, far apart
  BuildInterferenceGrid(T, grid);
  const double points[3][2] = {
      {(std::cos(T / 90.4) + 1) * 64, (std::sin(T / 97.4) + 1) * 64},
      {(std::cos(T / 77.4) + 1) * 64, (std::sin(T / 72.4) + 1) * 64},
      {(std::cos(T / 125.4) + 1) * 64, (std::sin(T / 102.4) + 1) * 64},
  };
  for (const auto& point : points) {
    int j = static_cast<int>(std::lround(point[0] / 2));
    int i = static_cast<int>(std::lround(point[1] / 2));
    SCOPED_TRACE(testing::Message() << "point (" << point[0] << ", " << point[1] << ")");
    ASSERT_TRUE(i > 2 && i < 61 && j > 2 && j < 61);
    float darkest = At(grid, i, j).brightness;
    EXPECT_LT(darkest, 0.05f);
    for (int di = -3; di <= 3; ++di)
      for (int dj = -3; dj <= 3; ++dj) EXPECT_LE(darkest, At(grid, i + di, j + dj).brightness);
  }
}

TEST_F(BowlInterferenceTest, InterferenceWithoutARecentSyncDrawsOnlyThePictures) {
  SetElapsed(10000);
  lastSyncMs = 7000;
  DrawInterference(0.6f, 30000);
  EXPECT_EQ(SkeletonCalls(), Joined({AddPass("1001"), AddPass("1002")})) << GlrecJoined().substr(0, 400);
}

TEST_F(BowlInterferenceTest, InterferenceSyncAddsGreyPassesAtTwiceTheFade) {
  SetElapsed(10000);
  PostSync(10000);
  DrawInterference(0.6f, 30000);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(lastSyncMs, 10000);
  EXPECT_EQ(SkeletonCalls(), Joined({AddPass("1001"), AddPass("0"), AddPass("1002"), AddPass("0")}));
  std::vector<std::vector<float>> passes = PassGreys();
  ASSERT_EQ(passes.size(), 4u);
  for (int layer : {0, 2})
    for (std::size_t k = 0; k < passes[layer].size(); ++k)
      ASSERT_EQ(passes[layer + 1][k], 2 * passes[layer][k]) << layer << ":" << k;
}

TEST_F(BowlInterferenceTest, InterferenceAtFadeZeroTakesTheSyncAndDrawsNothing) {
  SetElapsed(10000);
  PostSync(9990);
  DrawInterference(0, 30000);
  EXPECT_EQ(GlrecCallCount(), 0u);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(lastSyncMs, 9990);
}

}  // namespace
