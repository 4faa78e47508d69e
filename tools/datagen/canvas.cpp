#include "datagen/canvas.h"

#include <algorithm>
#include <cmath>

Rgb Mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Max(Rgb a, Rgb b) { return {std::max(a.r, b.r), std::max(a.g, b.g), std::max(a.b, b.b)}; }

Canvas MakeCanvas(int width, int height, float k, bool wrap, Rgb fill) {
  Canvas c;
  c.width = width;
  c.height = height;
  c.k = k;
  c.wrap = wrap;
  c.pixels.assign(size_t(width) * height, fill);
  return c;
}

double Aspect(const Canvas& c) { return double(c.width) / c.height / c.k; }
double LayoutX(const Canvas& c, int col) { return ((col + 0.5) / c.width - 0.5) * Aspect(c); }
double LayoutY(const Canvas& c, int row) { return 0.5 - (row + 0.5) / c.height; }
double TexelCol(const Canvas& c, double x) { return (x / Aspect(c) + 0.5) * c.width; }
double TexelRow(const Canvas& c, double y) { return (0.5 - y) * c.height; }

uint32_t NextBits(Random& random) {
  uint64_t z = (random.state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return uint32_t((z ^ (z >> 31)) >> 32);
}

double Uniform(Random& random, double low, double high) {
  return low + (high - low) * (NextBits(random) * (1.0 / 4294967296.0));
}

int UniformInt(Random& random, int low, int high) {
  return low + int(NextBits(random) % uint32_t(high - low + 1));
}

static double LatticeValue(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return (h & 0xFFFFFF) * (1.0 / 16777215.0);
}

static double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

static int WrapIndex(int i, int period) { return ((i % period) + period) % period; }

double PeriodicNoise(double x, double y, int period, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  int x0 = WrapIndex(int(fx), period), y0 = WrapIndex(int(fy), period);
  int x1 = (x0 + 1) % period, y1 = (y0 + 1) % period;
  double u = Fade(x - fx), v = Fade(y - fy);
  double a = LatticeValue(x0, y0, seed), b = LatticeValue(x1, y0, seed);
  double c = LatticeValue(x0, y1, seed), d = LatticeValue(x1, y1, seed);
  return (a + (b - a) * u) + ((c + (d - c) * u) - (a + (b - a) * u)) * v;
}

double PeriodicFbm(double x, double y, int period, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += PeriodicNoise(x, y, period, seed + 101u * i) * amplitude;
    total += amplitude;
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= 0.5;
  }
  return sum / total;
}

float Smoothstep(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return float(t * t * (3 - 2 * t));
}

float LineProfile(double d, double width, double soft) {
  double edge = std::fabs(d) - 0.5 * width;
  if (edge <= 0) return 1;
  if (edge >= soft) return 0;
  return 1 - Smoothstep(0, soft, edge);
}

// Visits every texel within `reach` of the box (col0,row0)-(col1,row1), with the
// texel's unwrapped position; on tiled canvases the indices wrap.
template <typename Visit>
static void VisitBox(Canvas& c, double col0, double row0, double col1, double row1, double reach,
                     Visit visit) {
  int left = int(std::floor(std::min(col0, col1) - reach));
  int right = int(std::ceil(std::max(col0, col1) + reach));
  int top = int(std::floor(std::min(row0, row1) - reach));
  int bottom = int(std::ceil(std::max(row0, row1) + reach));
  if (!c.wrap) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, c.width - 1);
    bottom = std::min(bottom, c.height - 1);
  } else {
    right = std::min(right, left + c.width - 1);
    bottom = std::min(bottom, top + c.height - 1);
  }
  for (int row = top; row <= bottom; ++row) {
    for (int col = left; col <= right; ++col) {
      Rgb& pixel = At(c, WrapIndex(col, c.width), WrapIndex(row, c.height));
      visit(pixel, col + 0.5, row + 0.5);
    }
  }
}

void DrawSegment(Canvas& c, double col0, double row0, double col1, double row1, double width,
                 Rgb colour, double soft) {
  double dx = col1 - col0, dy = row1 - row0;
  double lengthSq = dx * dx + dy * dy;
  VisitBox(c, col0, row0, col1, row1, 0.5 * width + soft + 1, [&](Rgb& pixel, double x, double y) {
    double t = lengthSq > 0 ? std::clamp(((x - col0) * dx + (y - row0) * dy) / lengthSq, 0.0, 1.0) : 0;
    double ex = x - (col0 + t * dx), ey = y - (row0 + t * dy);
    float p = LineProfile(std::sqrt(ex * ex + ey * ey), width, soft);
    if (p > 0) pixel = Max(pixel, colour * p);
  });
}

void AddGlow(Canvas& c, double col, double row, double radius, Rgb colour) {
  VisitBox(c, col, row, col, row, radius, [&](Rgb& pixel, double x, double y) {
    double d = std::hypot(x - col, y - row) / radius;
    if (d < 1) {
      double fall = (1 - d * d);
      pixel = pixel + colour * float(fall * fall);
    }
  });
}

void DrawStar(Canvas& c, double col, double row, double size, Rgb colour, bool eightPoints) {
  int rays = eightPoints ? 8 : 4;
  for (int i = 0; i < rays; ++i) {
    double angle = i * 6.283185307179586 / rays;
    double length = (i % 2 == 1 && eightPoints) ? 0.55 * size : size;
    double ex = col + std::cos(angle) * length, ey = row + std::sin(angle) * length;
    // Rays thin out toward their tips: draw them as a few shortening strokes.
    for (int s = 0; s < 3; ++s) {
      double f = 1 - s * 0.3;
      DrawSegment(c, col, row, col + (ex - col) * f, row + (ey - row) * f, 0.6 + 0.5 * s,
                  colour * float(0.45 + 0.25 * s), 1.0);
    }
  }
  AddGlow(c, col, row, std::max(1.5, size * 0.35), colour * 0.6f);
}

std::vector<uint8_t> CanvasBytes(const Canvas& c) {
  std::vector<uint8_t> bytes(c.pixels.size() * 3);
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    const float channels[3] = {c.pixels[i].r, c.pixels[i].g, c.pixels[i].b};
    for (int j = 0; j < 3; ++j) {
      int v = int(std::lround(std::clamp(channels[j], 0.0f, 1.0f) * 255.0f));
      bytes[i * 3 + j] = uint8_t(v < 4 ? 0 : v);
    }
  }
  return bytes;
}
