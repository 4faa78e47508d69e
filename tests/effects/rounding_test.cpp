// The builders' exact single/double precision: each grid and sheet is compared bit
// for bit with the formulas worked in double, rounded to float only where a value
// is kept in single precision. The frame trace prints nine significant digits, so
// one wrongly placed rounding (a float intermediate, pi for 3.1415927, an integer
// quotient) shows up as a changed trace line.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects/tunnel.h"
#include "effects/wobble.h"
#include "effects_fixture.h"

namespace {

double Clamp(double x) { return x < 0 ? 0 : x > 1 ? 1 : x; }

testing::AssertionResult SameGrid(const WarpGrid& got, const WarpGrid& want) {
  for (int k = 0; k < 64 * 64; ++k) {
    const GridVertex& a = got.points[k];
    const GridVertex& b = want.points[k];
    if (a.u != b.u || a.v != b.v || a.depth != b.depth || a.brightness != b.brightness)
      return testing::AssertionFailure()
             << "row " << k / 64 << " column " << k % 64 << ": (" << a.u << ", " << a.v << ", "
             << a.depth << ", " << a.brightness << ") instead of (" << b.u << ", " << b.v << ", "
             << b.depth << ", " << b.brightness << ")";
  }
  return testing::AssertionSuccess();
}

testing::AssertionResult SameSheet(const Sheet& got, const Sheet& want) {
  for (int k = 0; k < 32 * 32; ++k) {
    const SheetPoint& a = got.points[k];
    const SheetPoint& b = want.points[k];
    if (a.x != b.x || a.y != b.y || a.z != b.z)
      return testing::AssertionFailure() << "row " << k / 32 << " column " << k % 32 << ": ("
                                         << a.x << ", " << a.y << ", " << a.z << ") instead of ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
  }
  return testing::AssertionSuccess();
}

void ExpectRotozoom(float T, WarpGrid& want) {
  double W = 4 * std::sin(T * 0.0033333333333333335);
  double Cu = std::cos(T * 0.0033333333333333335), Cv = std::sin(T * 0.003787878787878788);
  int P1 = static_cast<int>(4000 * (std::sin(T * 0.008032128514056224) +
                                    std::cos(T * 0.006920415224913495)) -
                            3000 * std::sin(T * 0.006349206349206349));
  int P2 = static_cast<int>(4000 * (std::cos(T * 0.007434944237918215) -
                                    std::sin(T * 0.007782101167315175)) +
                            3000 * std::cos(T * 0.006779661016949152));
  // The slopes as real quotients: sy = 32768 - P1 and ty = P2 - 32768 for |P| < 11000.
  double ax = (P1 + 32768) / 256.0, ay = (32768 - P1) / 256.0;
  double bx = (-32768 - P2) / 256.0, by = (P2 - 32768) / 256.0;
  for (int i = 0; i < 64; ++i) {
    double I = i - 32;
    float E = static_cast<float>((32 - I) * by + I * bx);
    for (int j = 0; j < 64; ++j) {
      double J = j - 32;
      float L = static_cast<float>((32 - J) * ay + J * ax + E + 4000);
      if (L <= 0) L = static_cast<float>(1 - static_cast<double>(L));
      double theta = J != 0 ? std::atan(I / J) + (J < 0 ? 3.1415927 : 0)
                            : std::atan(100000000.0) + 3.141592654 + (I > 0 ? 3.141592654 : 0);
      float M = static_cast<float>(64 * std::sqrt(J * J + I * I) / L);
      want.points[i * 64 + j] = {static_cast<float>(0.25 * (M * std::cos(theta + W) + Cu)),
                                 static_cast<float>(0.25 * (M * std::sin(theta + W) + Cv)), 0,
                                 static_cast<float>(Clamp(L * 0.0003333333333333333 - 0.3))};
    }
  }
}

void ExpectTunnel(float T, WarpGrid& wantP, WarpGrid& wantQ) {
  double c = 20 * std::sin(T * 0.015748031496062992) * std::cos(T * 0.0012496875781054736);
  double e = 20 * std::cos(T * 0.018083182640144666) * std::sin(T * 0.0010612331529236973);
  double d = 256 * std::sin(T * 0.0058823529411764705);
  int previous = 0;  // |k - 128| of the point before
  for (int i = 0; i < 64; ++i) {
    double F = 0.4 * (i - 32 + e);
    for (int j = 0; j < 64; ++j) {
      float H = static_cast<float>(0.4 * (j - 32 + c));
      double m = 10 * std::sqrt(F * F + static_cast<double>(H) * H);
      int k = H == 0 ? previous
                     : static_cast<int>((std::atan(F / H) + (H < 0 ? 3.1415927 : 0)) *
                                        81.48733085241038);
      previous = std::abs(k - 128);
      float R = static_cast<float>(6000 / (m + 16));
      float U = std::max(0.0f, static_cast<float>(R - 180.0));
      float V = static_cast<float>(Clamp((256 - static_cast<double>(U)) * (1.0 / 64) - 3));
      float A = static_cast<float>(previous * (1.0 / 1024));
      wantP.points[i * 64 + j] = {A, static_cast<float>((d + 2.0 * R) * (1.0 / 1024)), U, V};
      wantQ.points[i * 64 + j] = {A, static_cast<float>((d - 2.0 * R) * (1.0 / 1024)), U, V};
    }
  }
}

void ExpectInterference(float T, WarpGrid& want) {
  double p1x = (std::cos(T * 0.011061946902654867) + 1) * 64;
  double p1y = (std::sin(T * 0.01026694045174538) + 1) * 64;
  double p2x = (std::cos(T * 0.012919896640826873) + 1) * 64;
  double p2y = (std::sin(T * 0.013812154696132596) + 1) * 64;
  float p3x = static_cast<float>((std::cos(T * 0.007974481658692184) + 1) * 64);
  float p3y = static_cast<float>((std::sin(T * 0.009765625) + 1) * 64);
  float h = static_cast<float>(2.0 * T);
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      double px = 2 * j, py = 2 * i;
      float x1 = static_cast<float>(px - p1x), y1 = static_cast<float>(py - p1y);
      float x2 = static_cast<float>(px - p2x), y2 = static_cast<float>(py - p2y);
      double X1 = x1, Y1 = y1, X2 = x2, Y2 = y2;
      float d1 = static_cast<float>(std::sqrt(X1 * X1 + Y1 * Y1));
      float d2 = static_cast<float>(std::sqrt(X2 * X2 + Y2 * Y2));
      double d3 = std::sqrt((px - p3x) * (px - p3x) + (py - p3y) * (py - p3y));
      double product = static_cast<double>(d1) * d2 * d3 * static_cast<double>(0.000125f);
      want.points[i * 64 + j] = {
          static_cast<float>((T + 2.0 * d1 - d2 - 2.0 * d3) / 256),
          static_cast<float>((2.0 * d2 - d1 - 2.0 * d3 - h) / 256), 0,
          static_cast<float>(std::min(product, 256.0) / 256)};
    }
  }
}

void ExpectBowl(float cx, float cy, float curvature, WarpGrid& want) {
  for (int i = 0; i < 64; ++i) {
    for (int j = 0; j < 64; ++j) {
      double dx = j - 32 + 3.0 * cx, dy = i - 32 + 3.0 * cy;
      want.points[i * 64 + j] = {
          static_cast<float>(j / 64.0), static_cast<float>(i / 64.0),
          static_cast<float>(10.0 * curvature - curvature * (dx * dx + dy * dy)), 1};
    }
  }
}

void ExpectSwirl(float scale, float T, float twist, Sheet& want) {
  for (int n = 0; n < 32; ++n) {
    for (int m = 0; m < 32; ++m) {
      double X = static_cast<float>((n - 15.5) * 0.06451612903225806);
      double Y = static_cast<float>((m - 15.5) * 0.06451612903225806);
      double r = std::sqrt(X * X + Y * Y);
      double theta = std::atan(X / Y) + (Y < 0 ? 3.1415927 : 0);
      want.points[n * 32 + m] = {static_cast<float>(scale * r * std::cos(theta + twist * r)),
                                 static_cast<float>(scale * r * std::sin(theta + twist * r)),
                                 static_cast<float>(10 * std::cos(r + theta + 0.01 * T))};
    }
  }
}

void ExpectWobble(float T, double depthScale, double size, double amplitude, Sheet& want) {
  double a1 = T * 0.0392156862745098, a2 = T * 0.04081632653061224;
  double a3 = T * 0.046511627906976744, a4 = T * 0.02976190476190476;
  double a5 = T * 0.03636363636363636, a6 = T * 0.03508771929824561;
  double a7 = T * 0.02293577981651376, a8 = T * 0.02666666666666667;
  double a9 = T * 0.025974025974025976;
  for (int n = 0; n < 32; ++n) {
    double K = (n - 15.5) * 0.06451612903225806;
    double Rx = std::sin((2 * n + a2) * 0.15873015873015872);
    double Ry = std::cos((2 * n + a6) * 0.1388888888888889);
    double Rz = std::cos((2 * n + a9) * 0.05813953488372093);
    for (int m = 0; m < 32; ++m) {
      double x = size * ((m - 15.5) * 0.06451612903225806 +
                         amplitude * (Rx + std::cos((m - n + a1) * 0.18181818181818182) +
                                      std::cos((2 * m - a3) * 0.1694915254237288)));
      double y = size * (K + amplitude * (Ry + std::sin((n - m - a4) * 0.14925373134328357) +
                                          std::cos((2 * m + a5) * 0.19607843137254904)));
      double z = depthScale * amplitude *
                 (Rz + std::sin((n - m - a7) * 0.059880239520958084) +
                  std::cos((2 * m + a8) * 0.06622516556291391));
      want.points[n * 32 + m] = {static_cast<float>(x), static_cast<float>(y),
                                 static_cast<float>(z)};
    }
  }
}

// The first line where two recordings part, so a failure reads at a glance.
testing::AssertionResult SameRecording(const std::string& drawn, const std::string& replayed) {
  if (drawn == replayed) return testing::AssertionSuccess();
  std::size_t at = 0, line = 0;
  while (at < drawn.size() && at < replayed.size() && drawn[at] == replayed[at])
    if (drawn[at++] == '\n') ++line;
  std::size_t start = drawn.rfind('\n', at == 0 ? 0 : at - 1);
  start = start == std::string::npos ? 0 : start + 1;
  return testing::AssertionFailure()
         << "line " << line << ": drawn '" << drawn.substr(start, drawn.find('\n', start) - start)
         << "', replayed '" << replayed.substr(start, replayed.find('\n', start) - start) << "'";
}

class EffectRoundingTest : public EffectTest {
 protected:
  static WarpGrid got, got2, want, want2;
  static Sheet sheet, wantSheet;
};
WarpGrid EffectRoundingTest::got, EffectRoundingTest::got2;
WarpGrid EffectRoundingTest::want, EffectRoundingTest::want2;
Sheet EffectRoundingTest::sheet, EffectRoundingTest::wantSheet;

// Phases off the whole numbers, large and negative ones, where float and double
// intermediates part.
const float kPhases[] = {1234.56f, -20577.3f, 98765.4f, 261120.125f};

TEST_F(EffectRoundingTest, RotozoomAndTunnelGridsMatchTheirFormulasExactly) {
  for (float T : kPhases) {
    BuildRotozoomGrid(T, got);
    ExpectRotozoom(T, want);
    EXPECT_TRUE(SameGrid(got, want)) << "rotozoom T " << T;
    BuildTunnelGrids(T, got, got2);
    ExpectTunnel(T, want, want2);
    EXPECT_TRUE(SameGrid(got, want)) << "tunnel p T " << T;
    EXPECT_TRUE(SameGrid(got2, want2)) << "tunnel q T " << T;
  }
}

TEST_F(EffectRoundingTest, InterferenceAndBowlGridsMatchTheirFormulasExactly) {
  for (float T : kPhases) {
    BuildInterferenceGrid(T, got);
    ExpectInterference(T, want);
    EXPECT_TRUE(SameGrid(got, want)) << "interference T " << T;
  }
  const float bowls[][3] = {{4.37f, -2.91f, -0.613f}, {-3.3f, 1.7f, 0.27f}};
  for (const auto& b : bowls) {
    BuildBowlGrid(b[0], b[1], b[2], got);
    ExpectBowl(b[0], b[1], b[2], want);
    EXPECT_TRUE(SameGrid(got, want)) << "bowl " << b[0] << " " << b[1] << " " << b[2];
  }
}

TEST_F(EffectRoundingTest, SwirlAndWobbleSheetsMatchTheirFormulasExactly) {
  for (float T : kPhases) {
    BuildSwirlSheet(1.3f, T, -1.737f, sheet);
    ExpectSwirl(1.3f, T, -1.737f, wantSheet);
    EXPECT_TRUE(SameSheet(sheet, wantSheet)) << "swirl T " << T;
    BuildWobbleSheet(T, 150, 1, 0.713f, sheet);
    ExpectWobble(T, 150, 1, 0.713f, wantSheet);
    EXPECT_TRUE(SameSheet(sheet, wantSheet)) << "wobble T " << T;
  }
}

TEST_F(EffectRoundingTest, BlendAndCornersKeepDoubleUntilTheyAreStoredOrSent) {
  BuildTunnelGrids(1234.56f, got, got2);
  BuildRotozoomGrid(-20577.3f, want);
  const float t = 0.3716f;
  BlendGrids(t, got, want, got2);
  for (int k = 0; k < 64 * 64; ++k) {
    const GridVertex& p = got.points[k];
    const GridVertex& q = want.points[k];
    const GridVertex& o = got2.points[k];
    ASSERT_EQ(o.u, static_cast<float>(static_cast<double>(t) * p.u + (1.0 - t) * q.u)) << k;
    ASSERT_EQ(o.v, static_cast<float>(static_cast<double>(t) * p.v + (1.0 - t) * q.v)) << k;
    ASSERT_EQ(o.depth, static_cast<float>(static_cast<double>(t) * p.depth + (1.0 - t) * q.depth))
        << k;
    ASSERT_EQ(o.brightness,
              static_cast<float>(static_cast<double>(t) * p.brightness + (1.0 - t) * q.brightness))
        << k;
  }
  // Each corner's distance: -1000 - 5 depth, worked in double and sent as a float.
  // Depths with fine fractions, where float intermediates would part from it.
  int partsInFloat = 0;
  for (int k = 0; k < 64 * 64; ++k) {
    float depth = -37.0f + k * 0.01234567f;
    got2.points[k].depth = depth;
    partsInFloat += -1000.0f - 5.0f * depth != static_cast<float>(-1000.0 - 5.0 * depth);
  }
  EXPECT_GT(partsInFloat, 100);
  DrawGridAdd(0.77f, got2, 1002);
  std::vector<Corner> corners = RecordedCorners();
  ASSERT_EQ(corners.size(), 63u * 63 * 4);
  for (int column = 0; column < 63; ++column) {
    for (int row = 0; row < 63; ++row) {
      const Corner& first = corners[4 * (column * 63 + row)];
      double depth = got2.points[row * 64 + column].depth;
      ASSERT_EQ(first.z, static_cast<float>(-1000.0 - 5.0 * depth)) << row << "," << column;
    }
  }
}

// Each effect is recorded, then its pieces are replayed with the arguments worked
// out here: the two recordings must agree line for line.
class EffectArgumentTest : public EffectRoundingTest {
 protected:
  static constexpr float kT = 52771.3f;
  static constexpr float kFade = 0.83f;
  // 437.5 ms after a sync that some layer has already taken.
  static void RecentSync() {
    SetElapsed(60437.5f);
    lastSyncMs = 60000;
  }
  static double SinceSync() { return 437.5; }
};

TEST_F(EffectArgumentTest, TunnelAndRotozoomBlendsPassTheirWeightsAndBrightnesses) {
  RecentSync();
  DrawTunnelBlend(kFade, kT);
  std::string drawn = GlrecJoined();
  GlrecReset();
  const double T = kT;
  float s = static_cast<float>(2 * std::sin(T * 0.0005) + 0.5);
  float flash = static_cast<float>(1 - SinceSync() * 0.0003333333333333333);
  static WarpGrid a, b, c, d;
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  BuildTunnelGrids(static_cast<float>(-T * 0.07874015748031496), c, d);
  BuildTunnelGrids(static_cast<float>(T * 0.10309278350515465), a, d);
  BuildRotozoomGrid(static_cast<float>(T * 0.16666666666666666), b);
  BlendGrids(static_cast<float>(2.5 - s), c, b, b);
  BlendGrids(s, a, b, c);
  DrawGridSolid(static_cast<float>((1 - static_cast<double>(flash)) * kFade), c, 1003);
  BlendGrids(s, d, b, c);
  double swing = std::sin(T * 0.00414765657403567) + std::cos(T * 0.005420054200542005);
  DrawGridAdd(static_cast<float>(kFade * (swing * 0.35 + 0.5 * flash + 0.3)), c, 1002);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "tunnel";

  GlrecReset();
  DrawRotozoomBlend(kFade, kT);
  drawn = GlrecJoined();
  GlrecReset();
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  BuildRotozoomGrid(static_cast<float>(T * 0.0792393026941363), a);
  BuildRotozoomGrid(static_cast<float>(-T * 0.10626992561105207), b);
  BlendGrids(-2, a, b, c);
  DrawGridSolid(static_cast<float>((0.3 * std::sin(T * 0.0029708853238265003) + 0.5) * kFade), c,
                1018);
  BlendGrids(2, a, b, c);
  DrawGridAdd(static_cast<float>((0.3 * std::cos(T * 0.00422654268808115) + 0.5) * kFade), c, 1033);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "rotozoom";
}

TEST_F(EffectArgumentTest, BowlAndInterferencePassTheirCentresCurvaturesAndFlashes) {
  RecentSync();
  DrawBowlLayers(kT);
  std::string drawn = GlrecJoined();
  GlrecReset();
  const double T = kT;
  float flash = static_cast<float>(2 - SinceSync() * 0.0013333333333333333);
  double k1 = 0.5 * std::sin(T * 0.0020325203252032522);
  float cy = static_cast<float>(5 * std::cos(T * 0.0015071590052750565));
  float cxA = static_cast<float>(5 * std::sin(T * 0.002829654782116582));
  float cxB = static_cast<float>(5 * std::sin(T * 0.0022055580061755625));
  double k2 = 0.5 * std::sin(T * 0.002551020408163265);
  double g = std::sin(T * 0.0011689070718877848);
  float bright1 = static_cast<float>(0.5 - 0.5 * g + flash);
  float bright2 = static_cast<float>(0.5 * (g + 1) + flash);
  static WarpGrid grid;
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.2), grid);
  DrawGridAdd(bright1, grid, 1038);
  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.3 + 0.1 * std::cos(T * 0.00105999576001696)),
                grid);
  DrawGridAdd(bright2, grid, 1023);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.2), grid);
  DrawGridAdd(bright2, grid, 1036);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.3 + 0.1 * std::cos(T * 0.0011856770215793219)),
                grid);
  DrawGridAdd(bright1, grid, 1003);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "bowl";

  GlrecReset();
  DrawInterference(kFade, kT);
  drawn = GlrecJoined();
  GlrecReset();
  flash = static_cast<float>(2 - SinceSync() * 0.0006666666666666666);
  float grey = static_cast<float>(static_cast<double>(kFade) * flash);
  BuildInterferenceGrid(static_cast<float>(T * 0.2), grid);
  DrawGridAdd(kFade, grid, 1001);
  DrawGridAdd(grey, grid, 0);
  BuildInterferenceGrid(static_cast<float>(T * 0.10416666666666667 + 10000), grid);
  DrawGridAdd(kFade, grid, 1002);
  DrawGridAdd(grey, grid, 0);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "interference";
}

TEST_F(EffectArgumentTest, SwirlsAndWobblesPassTheirTwistsAmplitudesAndBrightnesses) {
  RecentSync();
  swirlKickTime = 52500;
  swirlKickSign = -1;
  pairKickTime = 52600;
  pairKickSign = 1;
  DrawSwirl(kFade, kT, 1);
  std::string drawn = GlrecJoined();
  GlrecReset();
  const double T = kT;
  float flash = static_cast<float>(1 - SinceSync() * 0.0003333333333333333);
  double twist = std::sin((T - 52500) * 0.006666666666666667) * -1 * flash * 2;
  BuildSwirlSheet(2, kT, static_cast<float>(twist), sheet);
  DrawSheetAdd(static_cast<float>((0.5 * flash + 0.25) * kFade), sheet, 1001);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "swirl";

  GlrecReset();
  DrawSwirlPair(kFade, kT, 18, 17);
  drawn = GlrecJoined();
  GlrecReset();
  flash = static_cast<float>(1 - SinceSync() * 0.0008);
  double w = std::sin(T * 0.002);
  BuildSwirlSheet(1.3f, kT, static_cast<float>(std::sin((T - 52600) * 0.01) * -1 * flash * 4),
                  sheet);
  DrawSheetAdd(static_cast<float>(kFade * (w + 1) * 0.5), sheet, 1018);
  BuildSwirlSheet(1.3f, static_cast<float>(T + 30),
                  static_cast<float>(std::sin((T - 52600) * 0.01 + 0.3) * -1 * flash * 4), sheet);
  DrawSheetAdd(static_cast<float>(kFade * (0.5 - 0.5 * w)), sheet, 1017);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "swirl pair";

  GlrecReset();
  DrawWobbleSheets(kFade, kT);
  drawn = GlrecJoined();
  GlrecReset();
  BuildWobbleSheet(static_cast<float>(T * 0.23809523809523808 + 20000), 50, 2, 0.1f, sheet);
  DrawSheetAdd(static_cast<float>((0.5 * flash + 0.3) * kFade), sheet, 0);
  BuildWobbleSheet(static_cast<float>(T * 0.2857142857142857 + 10000), 150, 1,
                   static_cast<float>(0.1 * (std::cos(T * 0.0016666666666666668) + 1) + flash),
                   sheet);
  DrawSheetAdd(static_cast<float>(0.5 * kFade), sheet, 1001);
  BuildWobbleSheet(static_cast<float>(T * 0.25641025641025644), 150, 1,
                   static_cast<float>(0.1 * (std::sin(T * 0.002043735949315348) + 1) + flash),
                   sheet);
  DrawSheetAdd(static_cast<float>(0.5 * kFade), sheet, 1002);
  EXPECT_TRUE(SameRecording(drawn, GlrecJoined())) << "wobble";
}

}  // namespace
