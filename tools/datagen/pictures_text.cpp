// Pictures with words: the title, the shadow strip, the poem, the credits and
// the two closing lines. Every line is measured and fitted with FreeType.
#include <algorithm>
#include <cmath>
#include <string>

#include "datagen/pictures.h"
#include "datagen/text.h"

namespace {

// A thin horizontal line (layout units) whose ends fade over `fade` of its half length.
void HorizonLine(Canvas& c, double y, double halfLength, double width, Rgb colour, double fade) {
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double py) {
    float ends = 1 - Smoothstep(halfLength * (1 - fade), halfLength, std::fabs(x));
    pixel = Max(pixel, colour * (ends * LineProfile((py - y) * c.height, width, 1.2)));
  });
}

// The upper half of a circle outline standing on y = base.
void HalfSunOutline(Canvas& c, double cx, double base, double radius, double width, Rgb colour) {
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    if (y < base) return;
    double d = (std::hypot(x - cx, y - base) - radius) * c.height;
    pixel = Max(pixel, colour * (LineProfile(d, width, 1.3) * Smoothstep(base - 0.5 / c.height, base + 1.0 / c.height, y)));
  });
}

// The shared ground of the two closing lines: a coral horizon on the top edge
// (where the sky picture above ends) and a rose reflection streak below the centre.
void PaintClosingGround(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int, int row, double x, double y) {
    Rgb colour = Coral * float(0.3 * std::exp(-row / 2.5));
    if (y < -0.02) {
      double depth = -0.02 - y;
      double ripple = 0.5 + 0.5 * std::sin(row * 1.3 + 2 * std::sin(x * 9));
      double spread = 0.07 + 0.3 * depth;
      float streak = float(std::exp(-(x / spread) * (x / spread)) * (1 - depth / 0.48) * ripple);
      colour = colour + Rose * (0.25f * std::max(0.0f, streak));
    }
    pixel = colour;
  });
}

// Sets one closing line, centred together with `reserve` texels kept free at
// its right, and returns where its ink ends (texels).
double ClosingLine(Canvas& c, const std::string& line, double reserve) {
  TextStyle style{FontSerifBold, 60, c.k, 0.02};
  style.emPixels = FitEm(style, line, 0.88 * c.width - reserve, 60);
  double width = MeasureText(style, line);
  double left = 0.5 * (c.width - width - reserve), baseline = 0.45 * c.height;
  DrawText(c, style, line, left, baseline, SolidInk(PaleGold));
  return left + width;
}

constexpr int creditsSide = 512;  // the credits picture is square
constexpr float creditsK = 1.2f;

TextStyle CreditStyle(const CreditLine& line) {
  TextStyle style{line.face, line.em, creditsK, 0.02};
  style.emPixels = FitEm(style, line.text, 0.9 * creditsSide, line.em);
  return style;
}

}  // namespace

const CreditLine creditLines[creditLineCount] = {
    {"made with", FontSans, 19, 0.405},
    {"SDL", FontSansBold, 27, 0.478},
    {"libopenmpt", FontSansBold, 27, 0.540},
    {"libjpeg-turbo", FontSansBold, 27, 0.602},
    {"Mesa \u00B7 OpenGL", FontSansBold, 27, 0.664},
    {"FreeType", FontSansBold, 27, 0.726},
    {"DejaVu fonts", FontSansBold, 27, 0.788},
    {"pictures, shapes and music", FontSans, 16, 0.858},
    {"grown by the show\u2019s own code", FontSans, 16, 0.906},
};

void PaintTitle(Canvas& c) {
  const double h = c.height;
  const std::string title = "nivora dusk";
  // Bold, bright and tracked only a little, so the word holds together over
  // the swirl's lines and the crescent crossing it.
  TextStyle style{FontSerifBold, 100, c.k, 0.03};
  double capRatio = CapHeight(style) / 100;
  style.emPixels = FitEm(style, title, 0.88 * c.width, 0.22 * h / capRatio);
  double cap = CapHeight(style);
  double baseline = 0.52 * h + 0.5 * cap;
  double top = baseline - cap;
  // The setting sun above the word: a semicircle outline, gold fading to ember.
  ForEachPixel(c, [&](Rgb& pixel, int, int row, double x, double y) {
    double base = 0.5 - (top - 0.04 * h) / h, radius = 0.18;
    if (y < base) return;
    double d = (std::hypot(x, y - base) - radius) * h;
    float t = float(std::clamp((row - (base - radius)) / radius, 0.0, 1.0));
    pixel = Max(pixel, Mix(Gold, Ember, t) * LineProfile(d, 3.0, 1.5));
  });
  HorizonLine(c, 0.5 - 0.64, 0.35 * Aspect(c), 2.0, Rose, 0.35);
  DrawTextCentred(c, style, title, 0.5 * c.width, baseline, [&](double, double row) {
    return Mix(PaleGold, Gold, float(std::clamp((row - top) / cap, 0.0, 1.0)));
  });
  // A light rose rather than mauve: mauve alone reads as a dim violet on black.
  const std::string subtitle = "light, leaving slowly";
  TextStyle sub{FontSansBold, 0.09 * h, c.k, 0.08};
  sub.emPixels = FitEm(sub, subtitle, 0.8 * c.width, 0.09 * h);
  DrawTextCentred(c, sub, subtitle, 0.5 * c.width, 0.79 * h, SolidInk(Mix(Rose, PaleGold, 0.45f)));
}

void PaintShadowStrip(Canvas& c) {
  const std::string line = "LONG SHADOWS \u00B7 THE WEST IS BURNING \u00B7 EMBERS \u00B7 THEN BLUE \u00B7";
  for (Rgb& p : c.pixels) p = White;
  TextStyle style{FontSansBold, 24, c.k, 0};
  style.emPixels = FitEm(style, line, 1000, 24);
  double baseline = 0.5 * c.height + 0.5 * CapHeight(style);
  DrawTextCentred(c, style, line, 0.5 * c.width, baseline, SolidInk(Shade));
}

void PaintPoem(Canvas& c) {
  const char* const lines[9] = {
      "the sun lies down", "the hills keep warm", "the sky lets go",
      "of every colour",  "amber, rose, slate", "one gold thread",
      "across the water", "then blue",          "then quiet",
  };
  TextStyle style{FontSerif, 38, c.k, 0};
  double em = 1e9;
  for (const char* line : lines) em = std::min(em, FitEm(style, line, 0.9 * c.width, 200));
  style.emPixels = em;
  double xHeight = 0.53 * em;  // DejaVu Serif's x-height, to centre lower-case lines
  for (int i = 0; i < 9; ++i) {
    double centre = (0.07 + i * (0.86 / 8)) * c.height;
    DrawTextCentred(c, style, lines[i], 0.5 * c.width, centre + 0.5 * xHeight, SolidInk(Ivory));
  }
}

void PaintCredits(Canvas& c) {
  // Painted as ink on white: the top quarter holds only a horizon and a half sun.
  for (Rgb& p : c.pixels) p = White;
  Canvas ink = MakeCanvas(c.width, c.height, c.k, false);
  HorizonLine(ink, 0.5 - 0.2, 0.3 * Aspect(c), 1.4, White * 0.8f, 0.3);
  HalfSunOutline(ink, 0, 0.5 - 0.2, 0.07, 1.8, White * 0.8f);
  for (size_t i = 0; i < c.pixels.size(); ++i) c.pixels[i] = Mix(White, Shade, ink.pixels[i].r);
  for (const CreditLine& line : creditLines) {
    TextStyle style = CreditStyle(line);
    DrawTextCentred(c, style, line.text, 0.5 * c.width, line.baseline * c.height, SolidInk(Shade));
  }
}

PanelSpan CreditLineOnPanel(int i) {
  const CreditLine& line = creditLines[i];
  TextStyle style = CreditStyle(line);
  double halfWidth = 0.5 * MeasureText(style, line.text) / creditsSide;
  double top = line.baseline - 0.8 * style.emPixels / creditsSide;
  double bottom = line.baseline + 0.27 * style.emPixels / creditsSide;
  // Order 11 at g = 3000 ticks: the credits box spans x g/1024 - 3 .. g/1424 - 1
  // and y -1 .. 2 - g/2896; the panel x 0 .. 1 (swaying 0.03) and y -1 .. 1 + g/8192.
  constexpr double g = 3000;
  const double x1 = g / 1024 - 3, x2 = g / 1424 - 1, y2 = 2 - g / 2896, panelTop = 1 + g / 8192;
  auto panelT = [&](double v) { return (panelTop - (y2 - v * (y2 + 1))) / (panelTop + 1); };
  // Margins: the sway, and the box sliding 0.06 units a row past the moment.
  // Kept off tex1's edges, which the panel never shows here, so it still tiles.
  return {std::max(0.03, x1 + (0.5 - halfWidth) * (x2 - x1) - 0.04),
          std::min(0.97, x1 + (0.5 + halfWidth) * (x2 - x1) + 0.06), panelT(top) - 0.008,
          panelT(bottom) + 0.008};
}

void PaintClosingFirst(Canvas& c) {
  PaintClosingGround(c);
  ClosingLine(c, "the light goes down here", 0);
}

void PaintClosingSecond(Canvas& c) {
  PaintClosingGround(c);
  // A tiny gold half sun rising just past the end of the line.
  double radius = 0.05, gap = 0.025;
  double end = ClosingLine(c, "and rises somewhere else", (gap + 2 * radius) / Aspect(c) * c.width);
  double cx = ((end) / c.width - 0.5) * Aspect(c) + gap + radius;
  double base = 0.5 - 0.45;
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    if (y < base - 1.0 / c.height) return;
    double r = std::hypot(x - cx, y - base);
    float disc = (1 - Smoothstep(radius - 1.0 / c.height, radius + 1.0 / c.height, r)) *
                 Smoothstep(base - 1.0 / c.height, base + 0.5 / c.height, y);
    float halo = float(0.3 * std::exp(-std::max(0.0, r - radius) / 0.02));
    pixel = Max(pixel, Gold * std::max(disc, halo * Smoothstep(base, base + 2.0 / c.height, y)));
  });
}
