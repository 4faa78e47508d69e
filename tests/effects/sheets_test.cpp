#include <cmath>

#include "effects/sheets.h"
#include "effects/wobble.h"
#include "effects_fixture.h"

namespace {

using Strings = std::vector<std::string>;
constexpr std::size_t kSheetCorners = 31 * 31 * 4;

Strings SheetPass(const char* texture, const std::string& colour) {
  return {std::string("glBindTexture GL_TEXTURE_2D ") + texture,
          "glDisable GL_DEPTH_TEST",
          "glEnable GL_BLEND",
          "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA",
          "glColor3f " + colour + " " + colour + " " + colour,
          "glBegin GL_QUADS",
          "glEnd",
          "glDisable GL_BLEND",
          "glDepthMask GL_TRUE",
          "glEnable GL_DEPTH_TEST"};
}

std::string Grey(double value) { return GlrecFloat(static_cast<float>(value)); }

// The corners of pass `pass` (each pass one sheet).
std::vector<Corner> PassCorners(std::size_t pass) {
  std::vector<Corner> all = RecordedCorners();
  return {all.begin() + pass * kSheetCorners, all.begin() + (pass + 1) * kSheetCorners};
}

// How far the drawn sheet's outer corner (row 0, column 0, radius sqrt 2) is turned
// against the untwisted swirl of the same scale and T.
double OuterTurn(const std::vector<Corner>& drawn, float scale, float T) {
  static Sheet flat;
  BuildSwirlSheet(scale, T, 0, flat);
  double x0 = flat.points[0].x, y0 = flat.points[0].y;
  double x1 = drawn[0].x, y1 = drawn[0].y;
  return std::atan2(x0 * y1 - y0 * x1, x0 * x1 + y0 * y1);
}

class SheetTest : public EffectTest {
 protected:
  static Sheet sheet;
};
Sheet SheetTest::sheet;

TEST_F(SheetTest, SheetQuadsRunDownEachColumnWithThePictureSpreadOverThem) {
  for (int n = 0; n < 32; ++n)
    for (int m = 0; m < 32; ++m) sheet.points[n * 32 + m] = {float(m), float(n), 0.5f};
  DrawSheetAdd(0.75f, sheet, 1005);
  Strings skeleton = SheetPass("1005", "0.75");
  EXPECT_EQ(SkeletonCalls(), skeleton);
  const Strings& calls = GlrecCalls();
  ASSERT_EQ(calls.size(), skeleton.size() + 2 * kSheetCorners);
  const std::string step = GlrecFloat(static_cast<float>(0.03225806451612903));
  Strings firstQuads = {"glTexCoord2f 0 0",           "glVertex3f 0 0 -31.5",
                        "glTexCoord2f " + step + " 0", "glVertex3f 1 0 -31.5",
                        "glTexCoord2f " + step + " " + step, "glVertex3f 1 1 -31.5",
                        "glTexCoord2f 0 " + step,      "glVertex3f 0 1 -31.5",
                        "glTexCoord2f 0 " + step,      "glVertex3f 0 1 -31.5"};
  EXPECT_EQ(Strings(calls.begin() + 6, calls.begin() + 16), firstQuads);
  // Column 1 starts after the 31 quads of column 0; the last quad reaches the far corner.
  EXPECT_EQ(calls[6 + 2 * 4 * 31 + 1], "glVertex3f 1 0 -31.5");
  EXPECT_EQ(calls[6 + 2 * kSheetCorners - 4], "glTexCoord2f 1 1");
  EXPECT_EQ(calls[6 + 2 * kSheetCorners - 3], "glVertex3f 31 31 -31.5");
  std::vector<Corner> corners = RecordedCorners();
  for (std::size_t q = 0; q < 31 * 31; ++q) ASSERT_GT(QuadArea(corners, q), 0) << "quad " << q;
}

TEST_F(SheetTest, SheetWithNoBrightnessMakesNoCall) {
  for (float brightness : {0.0f, -0.5f, std::nanf("")}) {
    DrawSheetAdd(brightness, sheet, 1005);
    EXPECT_EQ(GlrecCallCount(), 0u) << brightness;
  }
}

TEST_F(SheetTest, UntwistedSwirlIsTheSquareWithOnlyDepthFollowingTime) {
  static Sheet later;
  BuildSwirlSheet(2, 0, 0, sheet);
  BuildSwirlSheet(2, 5000, 0, later);
  int moved = 0;
  for (int n = 0; n < 32; ++n) {
    for (int m = 0; m < 32; ++m) {
      const SheetPoint& a = sheet.points[n * 32 + m];
      const SheetPoint& b = later.points[n * 32 + m];
      ASSERT_NEAR(a.x, 2 * (m - 15.5) * 2 / 31, 1e-6) << n << "," << m;
      ASSERT_NEAR(a.y, 2 * (n - 15.5) * 2 / 31, 1e-6) << n << "," << m;
      ASSERT_EQ(a.x, b.x);
      ASSERT_EQ(a.y, b.y);
      ASSERT_LE(std::fabs(a.z), 10.0f);
      moved += std::fabs(a.z - b.z) > 0.01f;
    }
  }
  EXPECT_GT(moved, 900);
}

TEST_F(SheetTest, TwistTurnsEachRingInProportionToItsRadius) {
  static Sheet flat;
  BuildSwirlSheet(1.3f, 100, 0, flat);
  BuildSwirlSheet(1.3f, 100, 0.5f, sheet);
  for (int k : {0, 31, 15 * 32 + 15, 20 * 32 + 3, 1023}) {
    const SheetPoint& a = flat.points[k];
    const SheetPoint& b = sheet.points[k];
    double r = std::hypot(a.x, a.y) / 1.3;
    EXPECT_NEAR(std::hypot(b.x, b.y), std::hypot(a.x, a.y), 1e-5) << k;
    double turn = std::atan2(a.x * double(b.y) - a.y * double(b.x), a.x * double(b.x) + a.y * double(b.y));
    EXPECT_NEAR(turn, 0.5 * r, 1e-5) << k;
    EXPECT_EQ(a.z, b.z) << k;
  }
}

TEST_F(SheetTest, SwirlAtStartUpIsUntwistedAtAQuarterOfTheFade) {
  SetElapsed(4000);
  DrawSwirl(0.8f, 5000, 1);
  EXPECT_EQ(SkeletonCalls(), SheetPass("1001", Grey(0.25 * 0.8f)));
  std::string drawn = GlrecJoined();
  GlrecReset();
  BuildSwirlSheet(2, 5000, 0, sheet);
  DrawSheetAdd(static_cast<float>(0.25 * 0.8f), sheet, 1001);
  EXPECT_EQ(drawn, GlrecJoined());
}

TEST_F(SheetTest, SwirlKicksFlipWithEachSyncAndRecordTheirTime) {
  SetElapsed(4000);
  PostSync(3990);
  DrawSwirl(1, 1234.75f, 1);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(lastSyncMs, 3990);
  EXPECT_EQ(swirlKickTime, 1234);
  EXPECT_EQ(swirlKickSign, -1);
  // The first kick winds the sheet clockwise, 1 + 0.5 flash brighter.
  float flash = static_cast<float>(1 - 10 * (1.0 / 3000));
  EXPECT_EQ(SkeletonCalls(), SheetPass("1001", Grey((0.5 * flash + 0.25) * 1)));
  EXPECT_LT(OuterTurn(RecordedCorners(), 2, 1234.75f), -1e-3);

  GlrecReset();
  PostSync(3995);
  DrawSwirl(1, -7.5f, 2);
  EXPECT_EQ(swirlKickTime, -7);
  EXPECT_EQ(swirlKickSign, 1);

  // No new sync: the kicks stay, and half a unit on the sheet winds the other way.
  GlrecReset();
  DrawSwirl(1, -6.5f, 2);
  EXPECT_EQ(swirlKickTime, -7);
  EXPECT_EQ(swirlKickSign, 1);
  EXPECT_GT(OuterTurn(RecordedCorners(), 2, -6.5f), 1e-3);
}

TEST_F(SheetTest, SwirlFadedOutStillTakesTheSyncAndKicks) {
  SetElapsed(4000);
  PostSync(3990);
  DrawSwirl(0, 2222.5f, 1);
  EXPECT_EQ(GlrecCallCount(), 0u);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(lastSyncMs, 3990);
  EXPECT_EQ(swirlKickTime, 2222);
  EXPECT_EQ(swirlKickSign, -1);
}

TEST_F(SheetTest, SwirlWithASlotOutsideTheTableOrAWildPhaseStaysSafe) {
  // A slot outside the table draws untextured instead of reading past it.
  DrawSwirl(1, 5000, 256);
  DrawSwirlPair(1, 5000, -1, 300);
  for (const std::string& line : GlrecCallsNamed("glBindTexture"))
    EXPECT_EQ(line, "glBindTexture GL_TEXTURE_2D 0");
  EXPECT_EQ(GlrecCallsNamed("glBindTexture").size(), 3u);
  // A kick time that no int can hold saturates; NaN kicks at 0.
  PostSync(0);
  DrawSwirl(1, 1e20f, 1);
  EXPECT_EQ(swirlKickTime, 2147483647);
  PostSync(0);
  DrawSwirlPair(1, -1e20f, 18, 17);
  EXPECT_EQ(pairKickTime, -2147483647 - 1);
  PostSync(0);
  DrawSwirl(1, std::nanf(""), 1);
  EXPECT_EQ(swirlKickTime, 0);
}

TEST_F(SheetTest, SwirlPairFadedOutLeavesTheSyncAndTheKicks) {
  SetElapsed(4000);
  PostSync(3990);
  for (float fade : {0.0f, -1.0f}) {
    DrawSwirlPair(fade, 2222.5f, 18, 17);
    EXPECT_EQ(GlrecCallCount(), 0u);
    EXPECT_EQ(syncEvent.pending.load(), 1);
    EXPECT_EQ(pairKickTime, 0);
    EXPECT_EQ(pairKickSign, 1);
  }
}

TEST_F(SheetTest, SwirlPairFirstKickTwistsTheOtherWay) {
  SetElapsed(4000);
  PostSync(4000);
  DrawSwirlPair(1, 3000.5f, 18, 17);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(pairKickTime, 3000);
  EXPECT_EQ(pairKickSign, -1);
  double w = std::sin(3000.5f * 0.002);
  EXPECT_EQ(SkeletonCalls(),
            [&] {
              Strings both = SheetPass("1018", Grey(1 * (w + 1) * 0.5));
              Strings second = SheetPass("1017", Grey(1 * (0.5 - 0.5 * w)));
              both.insert(both.end(), second.begin(), second.end());
              return both;
            }());
  EXPECT_GT(OuterTurn(PassCorners(0), 1.3f, 3000.5f), 1e-3);
  EXPECT_GT(OuterTurn(PassCorners(1), 1.3f, 3030.5f), OuterTurn(PassCorners(0), 1.3f, 3000.5f))
      << "the second sheet's kick runs ahead";

  PostSync(4000);
  DrawSwirlPair(1, 3100, 18, 17);
  EXPECT_EQ(pairKickTime, 3100);
  EXPECT_EQ(pairKickSign, 1);
}

TEST_F(SheetTest, SwirlPairCrossFadesToOnePictureAtTheExtremes) {
  // sin(44767.6953125 / 500) is exactly 1 in double precision.
  DrawSwirlPair(1, 44767.6953125f, 18, 17);
  EXPECT_EQ(SkeletonCalls(), SheetPass("1018", "1"));
  GlrecReset();
  DrawSwirlPair(1, -44767.6953125f, 18, 17);
  EXPECT_EQ(SkeletonCalls(), SheetPass("1017", "1"));
}

TEST_F(SheetTest, WobbleWithNoAmplitudeIsTheFlatSquare) {
  BuildWobbleSheet(12345, 150, 1.5f, 0, sheet);
  for (int n = 0; n < 32; ++n) {
    for (int m = 0; m < 32; ++m) {
      const SheetPoint& point = sheet.points[n * 32 + m];
      ASSERT_NEAR(point.x, 1.5 * (m - 15.5) * 2 / 31, 1e-6) << n << "," << m;
      ASSERT_NEAR(point.y, 1.5 * (n - 15.5) * 2 / 31, 1e-6) << n << "," << m;
      ASSERT_EQ(point.z, 0.0f) << n << "," << m;
    }
  }
}

TEST_F(SheetTest, WobbleFadedOutLeavesTheSync) {
  PostSync(10);
  for (float fade : {0.0f, -2.0f, std::nanf("")}) {
    DrawWobbleSheets(fade, 500);
    EXPECT_EQ(GlrecCallCount(), 0u);
    EXPECT_EQ(syncEvent.pending.load(), 1);
  }
}

// The largest distance of a pass's corners from the overlay plane.
float DepthSwing(std::size_t pass) {
  float swing = 0;
  for (const Corner& c : PassCorners(pass)) swing = std::max(swing, std::fabs(c.z + 32));
  return swing;
}

TEST_F(SheetTest, WobbleAtStartUpIsAGentleGreyVeilAndTwoPictures) {
  SetElapsed(8000);
  DrawWobbleSheets(0.5f, 700);
  Strings expected = SheetPass("0", Grey(0.3 * 0.5f));
  for (const char* texture : {"1001", "1002"}) {
    Strings pass = SheetPass(texture, "0.25");
    expected.insert(expected.end(), pass.begin(), pass.end());
  }
  EXPECT_EQ(SkeletonCalls(), expected);
  // Depth swings within 3 x amplitude x depthScale: 15 for the veil, 90 for the pictures.
  EXPECT_LE(DepthSwing(0), 15.0f);
  EXPECT_LE(DepthSwing(1), 90.0f);
  EXPECT_LE(DepthSwing(2), 90.0f);
}

TEST_F(SheetTest, WobbleRightAfterASyncThrowsThePicturesOutOfShape) {
  SetElapsed(8000);
  PostSync(8000);
  DrawWobbleSheets(0.5f, 700);
  EXPECT_EQ(syncEvent.pending.load(), 0);
  EXPECT_EQ(GlrecCallsNamed("glColor3f")[0], "glColor3f " + Grey(0.8 * 0.5f) + " " +
                                                 Grey(0.8 * 0.5f) + " " + Grey(0.8 * 0.5f));
  EXPECT_LE(DepthSwing(0), 15.0f);
  EXPECT_GT(DepthSwing(1), 150.0f);
  EXPECT_GT(DepthSwing(2), 150.0f);
}

}  // namespace
