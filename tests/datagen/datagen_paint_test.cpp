#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "datagen/canvas.h"
#include "datagen/icons.h"
#include "datagen/pictures.h"
#include "datagen/text.h"

TEST(Canvas, BytesSetNearBlackToBlackAndClamp) {
  Canvas c = MakeCanvas(4, 1, 1, false);
  c.pixels[0] = {3.4f / 255, 0, 0};  // rounds to 3: black
  c.pixels[1] = {4.0f / 255, 0, 0};  // 4 stays
  c.pixels[2] = {1.7f, -0.3f, 0.5f};
  c.pixels[3] = {1, 1, 1};
  std::vector<uint8_t> b = CanvasBytes(c);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[3], 4);
  EXPECT_EQ(b[6], 255);
  EXPECT_EQ(b[7], 0);
  EXPECT_EQ(b[8], 128);
  EXPECT_EQ(b[9], 255);
}

TEST(Canvas, LayoutCoordinatesUndoThePreScale) {
  // 1024x512 shown at aspect 1.6: k = 1.25, X spans ±0.8, Y spans ±0.5.
  Canvas c = MakeCanvas(1024, 512, 1.25f, false);
  EXPECT_NEAR(Aspect(c), 1.6, 1e-9);
  EXPECT_NEAR(LayoutX(c, 0), -0.8 + 0.8 / 1024, 1e-9);
  EXPECT_NEAR(LayoutY(c, 0), 0.5 - 0.5 / 512, 1e-9);
  EXPECT_NEAR(TexelCol(c, LayoutX(c, 300)), 300.5, 1e-9);
  EXPECT_NEAR(TexelRow(c, LayoutY(c, 77)), 77.5, 1e-9);
}

TEST(Canvas, PeriodicNoiseRepeatsAndStaysInRange) {
  for (double x = 0; x < 6; x += 0.37) {
    for (double y = 0; y < 6; y += 0.41) {
      double n = PeriodicNoise(x, y, 6, 3);
      EXPECT_GE(n, 0);
      EXPECT_LE(n, 1);
      EXPECT_NEAR(PeriodicNoise(x + 6, y, 6, 3), n, 1e-9);
      EXPECT_NEAR(PeriodicNoise(x, y - 6, 6, 3), n, 1e-9);
      EXPECT_NEAR(PeriodicFbm(x + 6, y + 12, 6, 4, 3), PeriodicFbm(x, y, 6, 4, 3), 1e-9);
    }
  }
}

TEST(Canvas, SegmentsWrapOnTiledCanvases) {
  Canvas c = MakeCanvas(32, 32, 1, true);
  DrawSegment(c, 30, 10, 36, 10, 2, White);  // runs off the right edge
  EXPECT_GT(At(c, 2, 9).r, 0.9f);            // and comes back on the left
  EXPECT_GT(At(c, 31, 9).r, 0.9f);
  EXPECT_EQ(At(c, 16, 9).r, 0.0f);
  Canvas flat = MakeCanvas(32, 32, 1, false);
  DrawSegment(flat, 30, 10, 36, 10, 2, White);
  EXPECT_EQ(At(flat, 2, 9).r, 0.0f);
}

TEST(Canvas, LineProfileHasAFullCoreAndASoftEdge) {
  EXPECT_EQ(LineProfile(0, 3), 1.0f);
  EXPECT_EQ(LineProfile(1.5, 3), 1.0f);
  EXPECT_GT(LineProfile(2.0, 3), 0.0f);
  EXPECT_LT(LineProfile(2.0, 3), 1.0f);
  EXPECT_EQ(LineProfile(3.0, 3), 0.0f);
  EXPECT_EQ(LineProfile(-3.0, 3), 0.0f);
}

class Text : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenFonts()); }
  void TearDown() override { CloseFonts(); }
};

TEST_F(Text, PreScaleWidensTheLineByK) {
  TextStyle plain{FontSerif, 40, 1.0, 0};
  TextStyle wide{FontSerif, 40, 1.25, 0};
  double w = MeasureText(plain, "nivora dusk");
  EXPECT_GT(w, 100);
  EXPECT_NEAR(MeasureText(wide, "nivora dusk") / w, 1.25, 0.02);
  TextStyle spaced{FontSerif, 40, 1.0, 0.25};
  EXPECT_NEAR(MeasureText(spaced, "abc") - MeasureText(plain, "abc"), 2 * 0.25 * 40, 0.5);
}

TEST_F(Text, FitEmMakesTheLineFitItsWidth) {
  TextStyle style{FontSansBold, 100, 1.0, 0};
  const std::string line = "LONG SHADOWS \u00B7 THE WEST IS BURNING";
  double em = FitEm(style, line, 500, 100);
  EXPECT_LT(em, 100);
  style.emPixels = em;
  double width = MeasureText(style, line);
  EXPECT_LE(width, 500);
  EXPECT_GT(width, 490);
  EXPECT_EQ(FitEm(style, "SDL", 500, 30), 30);  // short lines keep their size
}

TEST_F(Text, DrawnInkLandsAroundTheBaselineAndCentre) {
  Canvas c = MakeCanvas(200, 60, 1, false);
  TextStyle style{FontSans, 30, 1.0, 0};
  DrawTextCentred(c, style, "HH", 100, 40, SolidInk(White));
  double cap = CapHeight(style);
  int top = 60, bottom = -1, left = 200, right = -1;
  for (int row = 0; row < 60; ++row)
    for (int col = 0; col < 200; ++col)
      if (At(c, col, row).r > 0.5f) {
        top = std::min(top, row), bottom = std::max(bottom, row);
        left = std::min(left, col), right = std::max(right, col);
      }
  EXPECT_NEAR(bottom, 39, 1);
  EXPECT_NEAR(top, 40 - cap, 1.5);
  EXPECT_NEAR(0.5 * (left + right), 100, 3);
}

// The menu icon is the sun-wheel, cut round; at 48 px its outer ring (3 texels
// of 512) must still read.
TEST(Icons, RoundAndTheRingVisibleAtEverySize) {
  const PictureEntry* wheel = nullptr;
  for (const PictureEntry& entry : showPictures)
    if (std::string(entry.path) == "gfx/tex4.jpg") wheel = &entry;
  ASSERT_NE(wheel, nullptr);
  ASSERT_TRUE(OpenFonts());
  Canvas picture = PaintPicture(*wheel);
  CloseFonts();
  for (int size : iconSizes) {
    std::vector<uint8_t> icon = MakeIcon(picture, size);
    ASSERT_EQ(icon.size(), size_t(size) * size * 4);
    auto alpha = [&](int col, int row) { return icon[(size_t(row) * size + col) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0) << size;
    EXPECT_EQ(alpha(size - 1, size / 2), 0) << size;
    EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
    EXPECT_EQ(alpha(size / 2, size / 2 + int(size * 0.44)), 255) << size;
    // The brightest channel along the ring's radius, going round.
    int brightest = 0;
    for (int step = 0; step < 360; ++step) {
      double angle = step * (6.283185308 / 360);
      for (double radius : {0.42, 0.43, 0.44}) {
        int col = int((0.5 + radius * std::cos(angle)) * size);
        int row = int((0.5 + radius * std::sin(angle)) * size);
        const uint8_t* p = &icon[(size_t(row) * size + col) * 4];
        brightest = std::max({brightest, int(p[0]), int(p[1]), int(p[2])});
      }
    }
    EXPECT_GE(brightest, 160) << size;
  }
}
