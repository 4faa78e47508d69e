// Tiled pictures: every feature is a whole-number frequency of the tile or is
// drawn with wrapped coordinates, so the pictures repeat without seams.
#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/pictures.h"

namespace {

constexpr double twoPi = 6.283185307179586;

double Frac(double x) { return x - std::floor(x); }

// A field sampled on the tile with its gradient length in field units per texel.
struct Field {
  int width = 0, height = 0;
  std::vector<double> value, slope;
};

template <typename F>
Field SampleField(int width, int height, F f) {
  Field field;
  field.width = width;
  field.height = height;
  field.value.resize(size_t(width) * height);
  field.slope.resize(field.value.size());
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      field.value[size_t(row) * width + col] = f((col + 0.5) / width, (row + 0.5) / height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      auto v = [&](int c, int r) {
        return field.value[size_t((r + height) % height) * width + (c + width) % width];
      };
      double gx = 0.5 * (v(col + 1, row) - v(col - 1, row));
      double gy = 0.5 * (v(col, row + 1) - v(col, row - 1));
      field.slope[size_t(row) * width + col] = std::max(std::hypot(gx, gy), 1e-6);
    }
  }
  return field;
}

// Multiplied grain is painted as darkness on black, then turned over.
void InvertToLight(Canvas& c) {
  for (Rgb& p : c.pixels) p = {1 - p.r, 1 - p.g, 1 - p.b};
}

// A pale haze under each credits line where the right-hand panel shows it,
// the filaments there dimmed so the dark type stands on an even ground; the
// filaments elsewhere give up the haze's light. Stacked (nine sprites deep in
// order 0) the haze clips less than thin lines do, so the picture keeps 85 %
// of its light for the scenes to keep theirs.
void LightCreditsGround(Canvas& c) {
  constexpr float haze = 0.18f, filamentsLeft = 0.3f;
  constexpr double meanKept = 0.85;
  std::vector<float> band(c.pixels.size(), 0.0f);
  for (int i = 0; i < creditLineCount; ++i) {
    PanelSpan span = CreditLineOnPanel(i);
    for (int row = 0; row < c.height; ++row) {
      double t = (row + 0.5) / c.height;
      float across = Smoothstep(span.top - 0.006, span.top, t) * (1 - Smoothstep(span.bottom, span.bottom + 0.006, t));
      if (!(across > 0)) continue;
      for (int col = 0; col < c.width; ++col) {
        double s = (col + 0.5) / c.width;
        float along = Smoothstep(span.left - 0.02, span.left, s) * (1 - Smoothstep(span.right, span.right + 0.02, s));
        float& b = band[size_t(row) * c.width + col];
        b = std::max(b, across * along);
      }
    }
  }
  double before = 0, kept = 0, added = 0;
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    Rgb& p = c.pixels[i];
    before += p.r + p.g + p.b;
    p = p * (1 - (1 - filamentsLeft) * band[i]);
    kept += p.r + p.g + p.b;
    added += haze * band[i] * (PaleGold.r + PaleGold.g + PaleGold.b);
  }
  float gain = float(std::max(0.0, meanKept * before - added) / kept);
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    Rgb p = c.pixels[i] * gain + PaleGold * (haze * band[i]);
    c.pixels[i] = {std::min(1.0f, p.r), std::min(1.0f, p.g), std::min(1.0f, p.b)};
  }
}

}  // namespace

void PaintAmberFilaments(Canvas& c) {
  // A smooth periodic field (whole frequencies 1-4) under a light periodic warp.
  Field field = SampleField(c.width, c.height, [](double u, double v) {
    double wu = u + 0.035 * std::sin(twoPi * 2 * v + 1.3);
    double wv = v + 0.035 * std::sin(twoPi * 3 * u + 0.7);
    return 0.50 * std::sin(twoPi * (1 * wu + 2 * wv) + 0.4) +
           0.40 * std::sin(twoPi * (3 * wu - 1 * wv) + 1.9) +
           0.30 * std::cos(twoPi * (2 * wu + 3 * wv) + 2.3) +
           0.22 * std::sin(twoPi * (4 * wu - 2 * wv) + 0.2);
  });
  constexpr double spacing = 0.36;  // field units between contour lines
  for (int row = 0; row < c.height; ++row) {
    for (int col = 0; col < c.width; ++col) {
      size_t i = size_t(row) * c.width + col;
      double level = field.value[i] / spacing;
      long line = std::lround(level);
      double distance = std::fabs(level - line) * spacing / field.slope[i];  // texels
      float core = LineProfile(distance, 1.3, 1.4);
      float halo = float(0.07 * std::exp(-distance / 1.4));
      double u = (col + 0.5) / c.width, v = (row + 0.5) / c.height;
      float warmth = float(0.5 + 0.5 * std::sin(twoPi * (u + 2 * v) + line));
      Rgb colour = (line % 4 == 0) ? PaleGold : Mix(Ember, Gold, warmth);
      float shimmer = float(0.75 + 0.25 * std::sin(twoPi * (2 * u - v) + 0.9 * line));
      At(c, col, row) = colour * ((core * shimmer) + halo * (1 - core));
    }
  }
  LightCreditsGround(c);
}

void PaintRoseLattice(Canvas& c) {
  constexpr int cells = 8;
  const double cell = double(c.width) / cells;  // texels
  const double radius = 0.75 * cell;
  for (int row = 0; row < c.height; ++row) {
    for (int col = 0; col < c.width; ++col) {
      double x = col + 0.5, y = row + 0.5;
      int ci = int(x / cell), cj = int(y / cell);
      float first = 0, second = 0;  // the two strongest outlines at this texel
      for (int dj = -1; dj <= 1; ++dj) {
        for (int di = -1; di <= 1; ++di) {
          double cx = (ci + di + 0.5) * cell, cy = (cj + dj + 0.5) * cell;
          float p = LineProfile(std::hypot(x - cx, y - cy) - radius, 1.1, 1.2);
          if (p > first) {
            second = first;
            first = p;
          } else if (p > second) {
            second = p;
          }
        }
      }
      Rgb colour = Rose * (0.8f * first);
      At(c, col, row) = Mix(colour, Mauve * 1.25f, second);
    }
  }
  // Sparks where neighbouring outlines cross: two points per pair of circles
  // one cell apart (straight or diagonal); circles two cells apart never meet.
  const int neighbours[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      for (const auto& n : neighbours) {
        double ax = (i + 0.5) * cell, ay = (j + 0.5) * cell;
        double dx = n[0] * cell, dy = n[1] * cell;
        double d = std::hypot(dx, dy);
        double h = std::sqrt(radius * radius - 0.25 * d * d);
        double mx = ax + 0.5 * dx, my = ay + 0.5 * dy;
        for (int side = -1; side <= 1; side += 2) {
          AddGlow(c, mx - side * h * dy / d, my + side * h * dx / d, 3.2, PaleGold * 0.8f);
        }
      }
    }
  }
}

void PaintVioletPlasma(Canvas& c) {
  Field field = SampleField(c.width, c.height, [](double u, double v) {
    double p = std::sin(twoPi * (2 * u + v)) + std::sin(twoPi * (3 * v - u) + 1.7) +
               0.7 * std::sin(twoPi * (u + 3 * v) + 0.6) + 0.5 * std::sin(twoPi * (4 * u - 2 * v) + 2.2);
    return std::clamp((p + 3.2) / 6.4, 0.0, 1.0);
  });
  for (int row = 0; row < c.height; ++row) {
    for (int col = 0; col < c.width; ++col) {
      size_t i = size_t(row) * c.width + col;
      double p = field.value[i];
      Rgb colour = p < 0.4   ? Mix(Indigo, Violet, float(p / 0.4))
                   : p < 0.7 ? Mix(Violet, Mauve, float((p - 0.4) / 0.3))
                             : Mix(Mauve, Rose, float((p - 0.7) / 0.3));
      colour = colour * float(0.38 + 0.42 * p);
      // One band carries a thin gold ridge.
      float ridge = LineProfile((p - 0.66) / field.slope[i], 1.2, 1.2);
      At(c, col, row) = Mix(colour, Gold, 0.85f * ridge);
    }
  }
}

void PaintTunnelRibs(Canvas& c) {
  constexpr int repeats = 4, ribs = 8;
  const double repeatWidth = double(c.width) / repeats, ribPitch = double(c.height) / ribs;
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double ru = Frac((col + 0.5) / repeatWidth);  // 0..1 across one repeat
    double rv = Frac((row + 0.5) / ribPitch);     // 0..1 down one cell
    double seamDistance = std::fabs(ru - 0.5) * repeatWidth;
    double ribDistance = std::min(rv, 1 - rv) * ribPitch;
    // Each cell: dim violet at its top easing to indigo, lit a little by the seam.
    Rgb cell = Mix(Violet * 0.62f, Indigo * 0.95f, float(rv));
    cell = cell * float(0.85 + 0.45 * std::exp(-seamDistance / 18));
    Rgb colour = Mix(cell, Rose * 0.95f, LineProfile(ribDistance, 3.0, 1.5));
    colour = colour + Ember * float(0.45 * std::exp(-seamDistance / 6));
    pixel = Mix(colour, Ember + Gold * 0.3f, LineProfile(seamDistance, 2.5, 1.5));
  });
}

void PaintScales(Canvas& c) {
  constexpr int rows = 8, perRow = 8;
  const double pitchX = double(c.width) / perRow, pitchY = double(c.height) / rows;
  const double radius = 0.47 * pitchX;
  const Rgb paleRose = Palette(255, 188, 205);
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double x = col + 0.5, y = row + 0.5;
    int rj = int(y / pitchY);
    double best = 1e9;
    for (int dj = -1; dj <= 1; ++dj) {
      int j = rj + dj;
      double offset = (((j % 2) + 2) % 2) * 0.5;  // alternate rows shift half a scale
      double cy = (j + 0.5) * pitchY;
      int ri = int(std::floor(x / pitchX - offset));
      for (int di = -1; di <= 1; ++di) {
        double cx = (ri + di + 0.5 + offset) * pitchX;
        best = std::min(best, std::hypot(x - cx, y - cy));
      }
    }
    double t = best / radius;
    if (t >= 1.05) return;
    Rgb body = Mix(Mauve * 0.75f, Violet * 0.5f, float(std::min(1.0, t * t)));
    body = Mix(body, paleRose * 0.8f, LineProfile((t - 0.9) * radius, 1.4, 1.2));
    pixel = body * (1 - Smoothstep(radius - 0.8, radius + 0.8, best));
  });
}

void PaintCloudShadows(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double u = (col + 0.5) / c.width, v = (row + 0.5) / c.height;
    double n = PeriodicFbm(u * 4, v * 4, 4, 5, 11);
    float light = float(0.72 + 0.28 * Smoothstep(0.22, 0.68, n));
    pixel = Rgb{0.985f, 0.955f, 1.0f} * light;  // a faint lavender cast
  });
}

namespace {

void PaintMoonstone(Canvas& c, Rgb base, Rgb blotch, uint32_t seed) {
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double u = (col + 0.5) / c.width, v = (row + 0.5) / c.height;
    double n = PeriodicFbm(u * 5, v * 5, 5, 4, seed);
    float spots = Smoothstep(0.52, 0.7, n);
    // s runs horn to horn: the horns fade toward a darker stone.
    float horns = float(0.58 + 0.42 * std::pow(std::sin(3.141592653589793 * u), 0.6));
    float grain = float(0.94 + 0.06 * PeriodicNoise(u * 64, v * 64, 64, seed + 7));
    pixel = Mix(base, blotch, spots) * (horns * grain);
  });
}

}  // namespace

void PaintMoonstoneGold(Canvas& c) {
  PaintMoonstone(c, Rgb{0.95f, 0.86f, 0.62f}, Rgb{0.95f, 0.86f, 0.62f} * 0.78f, 21);
}

void PaintMoonstoneSilver(Canvas& c) {
  PaintMoonstone(c, Rgb{0.86f, 0.84f, 1.0f}, Rgb{0.88f, 0.56f, 0.70f}, 22);
}

void PaintSpeckGrain(Canvas& c) {
  // Darkness on black, turned over at the end: soft mottling, specks, hairlines.
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double u = (col + 0.5) / c.width, v = (row + 0.5) / c.height;
    float mottle = Smoothstep(0.5, 0.8, PeriodicFbm(u * 6, v * 6, 6, 3, 31));
    pixel = White * (0.13f * mottle);
  });
  Random random{30};
  int specks = int(0.03 * c.width * c.height);
  for (int i = 0; i < specks; ++i) {
    Rgb& p = At(c, UniformInt(random, 0, c.width - 1), UniformInt(random, 0, c.height - 1));
    p = Max(p, White * float(Uniform(random, 0.15, 0.45)));
  }
  for (int i = 0; i < 5; ++i) {
    double x = Uniform(random, 0, c.width), y = Uniform(random, 0, c.height);
    double angle = Uniform(random, 0, twoPi), length = Uniform(random, 40, 140);
    DrawSegment(c, x, y, x + std::cos(angle) * length, y + std::sin(angle) * length, 0.3,
                White * float(Uniform(random, 0.2, 0.35)), 0.8);
  }
  InvertToLight(c);
}

void PaintDustGrain(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    double u = (col + 0.5) / c.width, v = (row + 0.5) / c.height;
    float mottle = Smoothstep(0.55, 0.85, PeriodicFbm(u * 5, v * 5, 5, 3, 41));
    pixel = White * (0.024f + 0.1f * mottle);
  });
  Random random{34};
  for (int i = 0; i < 60; ++i) {
    double x = Uniform(random, 0, c.width), y = Uniform(random, 0, c.height);
    DrawSegment(c, x, y, x, y, Uniform(random, 2, 4), White * float(Uniform(random, 0.4, 0.7)), 1.0);
  }
  for (int i = 0; i < 3; ++i) {
    // A long, slightly bent scratch: a few joined strokes.
    double x = Uniform(random, 0, c.width), y = Uniform(random, 0, c.height);
    double angle = Uniform(random, 0, twoPi), bend = Uniform(random, -0.12, 0.12);
    for (int s = 0; s < 6; ++s) {
      double nx = x + std::cos(angle) * 30, ny = y + std::sin(angle) * 30;
      DrawSegment(c, x, y, nx, ny, 0.4, White * 0.28f, 0.8);
      x = nx;
      y = ny;
      angle += bend;
    }
  }
  InvertToLight(c);
}

void PaintSparkGrain(Canvas& c) {
  Random random{35};
  const Rgb warm[3] = {Ember, Gold, PaleGold};
  for (int i = 0; i < 150; ++i) {
    Rgb& p = At(c, UniformInt(random, 0, c.width - 1), UniformInt(random, 0, c.height - 1));
    p = warm[UniformInt(random, 0, 2)] * float(Uniform(random, 0.3, 0.9));
  }
}
