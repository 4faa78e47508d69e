// A float RGB canvas and the painting primitives the pictures are made of:
// the palette, a seeded random generator, periodic noise, soft lines and glows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb Mix(Rgb a, Rgb b, float t);  // a at t = 0, b at t = 1
Rgb Max(Rgb a, Rgb b);           // per channel

constexpr Rgb Palette(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }
constexpr Rgb Ember = Palette(255, 140, 50);
constexpr Rgb Gold = Palette(255, 196, 96);
constexpr Rgb PaleGold = Palette(255, 234, 190);
constexpr Rgb Coral = Palette(250, 120, 90);
constexpr Rgb Rose = Palette(230, 90, 130);
constexpr Rgb Mauve = Palette(165, 85, 165);
constexpr Rgb Violet = Palette(105, 60, 175);
constexpr Rgb Indigo = Palette(38, 32, 105);
constexpr Rgb Teal = Palette(45, 140, 160);
constexpr Rgb Moon = Palette(215, 222, 250);
constexpr Rgb Ivory = Palette(255, 226, 180);
constexpr Rgb Black = Palette(0, 0, 0);
constexpr Rgb White = Palette(255, 255, 255);
constexpr Rgb Shade = Palette(40, 20, 60);

// A picture being painted. Layout coordinates follow the screen: X runs right,
// Y up, the picture spans Y -0.5..0.5 and X -A/2..A/2, where A = (W/H)/k is the
// aspect the picture shows at; k is the horizontal pre-scale.
struct Canvas {
  int width = 0, height = 0;
  float k = 1;
  bool wrap = false;  // tiled: painting wraps across the edges
  std::vector<Rgb> pixels;
};

Canvas MakeCanvas(int width, int height, float k, bool wrap, Rgb fill = Black);
inline Rgb& At(Canvas& c, int col, int row) { return c.pixels[size_t(row) * c.width + col]; }
double Aspect(const Canvas& c);
double LayoutX(const Canvas& c, int col);
double LayoutY(const Canvas& c, int row);
// Calls paint(pixel, col, row, x, y) for every pixel, with its layout position.
template <typename Paint>
void ForEachPixel(Canvas& c, Paint paint) {
  for (int row = 0; row < c.height; ++row) {
    double y = LayoutY(c, row);
    for (int col = 0; col < c.width; ++col) paint(At(c, col, row), col, row, LayoutX(c, col), y);
  }
}
// Texel position of a layout point (fractional; texel centres at .5).
double TexelCol(const Canvas& c, double x);
double TexelRow(const Canvas& c, double y);

// Splitmix64: one seed, one sequence, the same on every run.
struct Random {
  uint64_t state;
};
uint32_t NextBits(Random& random);
double Uniform(Random& random, double low, double high);
int UniformInt(Random& random, int low, int high);  // low..high inclusive

// Value noise on an integer lattice that repeats every `period` cells in x and y;
// x, y in cells. Returns 0..1, smooth (quintic fade).
double PeriodicNoise(double x, double y, int period, uint32_t seed);
// Sum of `octaves` periodic noises, doubling frequency, halving amplitude; 0..1.
double PeriodicFbm(double x, double y, int period, int octaves, uint32_t seed);

// Soft line profile: 1 inside the core of `width` texels, easing to 0 over
// `soft` texels beyond it. d is the distance from the line's centre in texels.
float LineProfile(double d, double width, double soft = 1.5);
float Smoothstep(double edge0, double edge1, double x);

// Raises the pixels near a texel-space segment to colour * profile (per-channel
// max, so crossings and retraced paths never pile up). Wraps on tiled canvases.
void DrawSegment(Canvas& c, double col0, double row0, double col1, double row1,
                 double width, Rgb colour, double soft = 1.5);
// A soft round glow of radius `radius` texels, peak colour at the centre, added.
void AddGlow(Canvas& c, double col, double row, double radius, Rgb colour);
// A four- or eight-point star: crossed thin rays with a small glow.
void DrawStar(Canvas& c, double col, double row, double size, Rgb colour, bool eightPoints);

// 8-bit RGB, top row first; values below 4 are set to 0 so black stays black
// under stacking.
std::vector<uint8_t> CanvasBytes(const Canvas& c);
