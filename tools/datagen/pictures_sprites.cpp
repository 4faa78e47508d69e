// Sprites and full-screen pictures, painted in layout coordinates so their
// shapes look true at the aspect they are shown at.
#include <algorithm>
#include <cmath>

#include "datagen/pictures.h"

namespace {

constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;

// Texels per layout unit (vertical; horizontal differs by k, which the layout
// coordinates already undo).
double Texels(const Canvas& c) { return c.height; }

// Zero beyond radius `outer` (layout units) with a soft one-texel edge.
float InsideRadius(const Canvas& c, double r, double outer) {
  return 1 - Smoothstep(outer - 1.0 / Texels(c), outer, r);
}

// Distance in layout units from the segment a-b.
double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay;
  double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

// A crescent: the disc (cx, cy, r) less the disc shifted by (ox, oy), drawn as
// coverage with soft edges.
float Crescent(const Canvas& c, double x, double y, double cx, double cy, double r, double ox,
               double oy) {
  double soft = 1.2 / Texels(c);
  float lit = 1 - Smoothstep(r - soft, r + soft, std::hypot(x - cx, y - cy));
  float cut = 1 - Smoothstep(r - soft, r + soft, std::hypot(x - cx - ox, y - cy - oy));
  return lit * (1 - cut);
}

void StarAt(Canvas& c, double x, double y, double size, Rgb colour, bool eight) {
  DrawStar(c, TexelCol(c, x), TexelRow(c, y), size, colour, eight);
}

}  // namespace

void PaintTarget(Canvas& c) {
  const double rings[4] = {0.12, 0.22, 0.32, 0.42};
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    double r = std::hypot(x, y);
    Rgb colour;
    for (int i = 0; i < 4; ++i) {
      double d = (r - rings[i]) * Texels(c);
      colour = colour + (i % 2 == 0 ? Gold : Ember) * float(std::exp(-(d * d) / 5.0));
    }
    // 24 faint rays between the two outer rings.
    double angle = std::atan2(y, x);
    double step = twoPi / 24;
    double offset = angle - step * std::round(angle / step);
    float span = Smoothstep(0.325, 0.345, r) * (1 - Smoothstep(0.395, 0.415, r));
    colour = colour + Gold * (0.15f * span * LineProfile(offset * r * Texels(c), 1.0, 1.2));
    float open = Smoothstep(0.08, 0.09, r) * InsideRadius(c, r, 0.46);
    pixel = colour * open;
  });
}

void PaintSunWheel(Canvas& c) {
  constexpr int petals = 12;
  constexpr double petalRadius = 0.2;  // circles through the centre reaching r .40
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    double r = std::hypot(x, y);
    float outline = 0, fill = 1;
    for (int k = 0; k < petals; ++k) {
      double a = k * twoPi / petals;
      double d = std::hypot(x - petalRadius * std::cos(a), y - petalRadius * std::sin(a)) - petalRadius;
      outline = std::max(outline, 0.85f * LineProfile(d * Texels(c), 1.5, 1.3));
      // One petal filled, the lens where circles 0 and 1 overlap, so turning reads.
      if (k <= 1) fill *= 1 - Smoothstep(-1.0 / Texels(c), 1.0 / Texels(c), d);
    }
    Rgb colour = Rose * (0.35f * fill);
    colour = Max(colour, PaleGold * outline);
    colour = Max(colour, Coral * LineProfile((r - 0.43) * Texels(c), 3.0, 1.5));
    // Black inside the small ring at r .06, the ring itself over everything.
    float open = Smoothstep(0.06 - 2.5 / Texels(c), 0.06 - 1.0 / Texels(c), r);
    pixel = Max(colour * open * InsideRadius(c, r, 0.46),
                Gold * LineProfile((r - 0.06) * Texels(c), 2.0, 1.2));
  });
}

void PaintSun(Canvas& c) {
  constexpr double cy = -0.05, radius = 0.28, horizon = -0.3;
  // Cloud bands: centre heights and half-thicknesses (layout units).
  const double bandY[5] = {-0.235, -0.15, -0.065, 0.03, 0.14};
  const double bandThick[5] = {0.014, 0.020, 0.016, 0.024, 0.018};
  auto sky = [&](double x, double y) {
    double r = std::hypot(x, y - cy);
    double t = std::clamp((cy + radius - y) / (2 * radius), 0.0, 1.0);
    Rgb disc = t < 0.5 ? Mix(PaleGold, Ember, float(t * 2)) : Mix(Ember, Coral, float(t * 2 - 1));
    float inside = 1 - Smoothstep(radius - 1.2 / Texels(c), radius + 1.2 / Texels(c), r);
    Rgb colour = disc * inside + Ember * float(0.28 * std::exp(-std::max(0.0, r - radius) / 0.035)) * (1 - inside);
    double nearSun = std::exp(-std::max(0.0, r - radius) / 0.18);
    for (int b = 0; b < 5; ++b) {
      double centre = bandY[b] + 0.012 * std::sin(x * (3.1 + b) + b * 1.7) + 0.006 * std::sin(x * 11.0 + b);
      double thick = bandThick[b] * (0.75 + 0.5 * (0.5 + 0.5 * std::sin(x * (2.3 + 0.4 * b) + 2.0 * b)));
      double d = std::fabs(y - centre) - thick;  // < 0 inside the band
      float body = 1 - Smoothstep(-1.0 / Texels(c), 1.0 / Texels(c), d);
      colour = colour * (1 - body);
      float edge = LineProfile(d * Texels(c), 1.6, 2.0);
      colour = Max(colour, Rose * float(edge * (0.3 + 0.7 * nearSun)));
    }
    return colour;
  };
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    if (y >= horizon) {
      pixel = sky(x, y) * Smoothstep(horizon, horizon + 1.5 / Texels(c), y);
      return;
    }
    // The reflection: the sky folded below the horizon, squeezed, broken into
    // horizontal ripples and faint.
    double depth = horizon - y;
    double ripple = 0.5 + 0.5 * std::sin(depth * Texels(c) * 0.9 + 3 * std::sin(x * 7));
    double sourceY = horizon + depth * 1.8;
    double wobble = 0.01 * std::sin(depth * 90 + x * 5);
    pixel = sky(x + wobble, sourceY) * float(0.28 * ripple * std::exp(-depth / 0.15));
  });
  // The horizon itself, a thin pale line fading toward the sides.
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    float line = LineProfile((y - horizon) * Texels(c), 1.0, 1.2) * float(std::exp(-std::fabs(x) / 0.35));
    pixel = Max(pixel, PaleGold * (0.5f * line));
  });
}

void PaintNightWindow(Canvas& c) {
  constexpr double halfWidth = 0.30, bottom = -0.425, spring = 0.125;  // arch centre height
  auto windowDistance = [&](double x, double y) {  // signed, < 0 inside
    if (y > spring) return std::hypot(x, y - spring) - halfWidth;
    double dx = std::fabs(x) - halfWidth, dy = bottom - y;
    if (dx > 0 && dy > 0) return std::hypot(dx, dy);
    return std::max(dx, dy);
  };
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    double sd = windowDistance(x, y) * Texels(c);  // texels
    float inside = 1 - Smoothstep(-1, 0.5, sd);
    Rgb wash = Indigo * float(0.34 + 0.22 * Smoothstep(0.4, -0.4, y));
    Rgb colour = wash * inside;
    colour = Max(colour, Moon * (0.9f * LineProfile(sd, 1.8, 1.4)));
    colour = Max(colour, Teal * (0.9f * LineProfile(sd + 9, 1.4, 1.3)));
    // The sill, a little wider than the window.
    float sill = LineProfile((y - bottom + 6 / Texels(c)) * Texels(c), 1.4, 1.2) *
                 (1 - Smoothstep(halfWidth + 0.02, halfWidth + 0.05, std::fabs(x)));
    colour = Max(colour, Teal * sill);
    colour = Max(colour, Moon * Crescent(c, x, y, 0.13, 0.26, 0.075, -0.03, 0.02) * inside);
    pixel = colour;
  });
  Random random{9};
  int stars = 0;
  for (int attempt = 0; attempt < 1000 && stars < 20; ++attempt) {
    double x = Uniform(random, -0.27, 0.27), y = Uniform(random, -0.38, 0.5);
    if (windowDistance(x, y) > -0.025 || std::hypot(x - 0.12, y - 0.27) < 0.11) continue;
    StarAt(c, x, y, Uniform(random, 3, 8), Mix(Moon, Ivory, float(Uniform(random, 0, 1))), false);
    ++stars;
  }
}

void PaintRidgePanorama(Canvas& c) {
  const double horizon = 0.5 - 0.62;
  const double aspect = Aspect(c);
  struct Ridge {
    double base, amplitude;
    int period;
    Rgb rim;
  };
  const Ridge ridges[4] = {
      {horizon + 0.09, 0.10, 5, Teal},
      {horizon + 0.05, 0.10, 7, Mix(Teal, Mauve, 0.5f)},
      {horizon - 0.03, 0.11, 4, Mix(Mauve, Rose, 0.6f)},
      {horizon - 0.13, 0.12, 3, Rose},
  };
  ForEachPixel(c, [&](Rgb& pixel, int col, int, double x, double y) {
    double u = (col + 0.5) / c.width;  // the panorama wraps once around
    double t = (y - horizon) / (0.5 - horizon);
    Rgb skyColour;
    if (t < 0.12)
      skyColour = Mix(Mix(Ember, Gold, 0.3f) * 0.85f, Coral * 0.6f, float(t / 0.12));
    else if (t < 0.45)
      skyColour = Mix(Coral * 0.6f, Violet * 0.45f, float((t - 0.12) / 0.33));
    else
      skyColour = Mix(Violet * 0.45f, Black, Smoothstep(0.45, 0.92, t));
    skyColour = skyColour + Ember * float(0.35 * std::exp(-std::hypot(x / 1.5, std::max(0.0, y - horizon)) / 0.08));
    // The half-set sun, centred on the horizon.
    double sun = std::hypot(x, y - horizon);
    float disc = 1 - Smoothstep(0.085 - 1.0 / Texels(c), 0.085 + 1.0 / Texels(c), sun);
    Rgb colour = Mix(skyColour, PaleGold, disc);
    if (y < horizon) colour = Black;
    for (const Ridge& ridge : ridges) {
      // A valley at the centre keeps the sun clear.
      double valley = 0.2 * std::exp(-(x / (0.25 * aspect)) * (x / (0.25 * aspect)));
      double top = ridge.base - valley +
                   ridge.amplitude * (PeriodicFbm(u * ridge.period, ridge.period * 1.37, ridge.period, 4, ridge.period) - 0.5) * 3;
      double d = (y - top) * Texels(c);
      colour = colour * Smoothstep(-0.8, 0.8, d);
      colour = Max(colour, ridge.rim * (0.85f * LineProfile(d, 1.3, 1.3)));
    }
    pixel = colour;
  });
}

void PaintCloudShelf(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    // Violet haze under the top edge, easing off before the edge itself.
    Rgb colour = Violet * (0.32f * Smoothstep(0.12, 0.42, y) * (1 - Smoothstep(0.44, 0.5, y)));
    for (int b = 0; b < 6; ++b) {
      double centre = 0.31 - b * 0.12 + 0.025 * std::sin(x * (1.1 + 0.25 * b) + b * 2.1) + 0.012 * x;
      // Each band thickens, thins and breaks along its length.
      double shape = PeriodicFbm(x * 3.5 + 20, b * 3.1, 64, 3, 5 + b);
      double thick = 0.016 + 0.055 * Smoothstep(0.25, 0.7, shape);
      double o = (y - centre) / thick;  // -1 at the underside, +1 on top
      if (o < -1.8 || o > 1.3) continue;
      double wisps = PeriodicFbm(x * 9 + 3, y * 26, 256, 3, 70 + b);
      double density = std::max(0.0, 1 - o * o) * (0.45 + 0.55 * wisps);
      Rgb underside = b % 2 == 0 ? Coral : Rose;
      double glow = PeriodicFbm(x * 4 + 7, b * 1.7, 64, 2, 90 + b);
      double lit = std::exp(-((o + 0.85) / 0.3) * ((o + 0.85) / 0.3)) * Smoothstep(0.2, 0.6, glow) *
                   Smoothstep(0.015, 0.03, thick);
      colour = colour * float(1 - density) + Mauve * float(0.5 * density) + underside * float(lit);
    }
    pixel = colour * (1 - Smoothstep(0.47, 0.5, std::fabs(y)));
  });
}

void PaintFilamentFrame(Canvas& c) {
  const double aspect = Aspect(c);
  Random random{6};
  struct Walker {
    double x, y, heading, length, width;
    int depth;
    Rgb colour;
  };
  std::vector<Walker> pending;
  constexpr int roots = 40;
  for (int i = 0; i < roots; ++i) {
    // Spread the roots round the border, each heading inward.
    // Walk the border clockwise from the top left corner: top, right, bottom, left.
    double along = (i + Uniform(random, 0.2, 0.8)) / roots * (2 * aspect + 2);
    double x, y;
    if (along < aspect) {
      x = -aspect / 2 + along;
      y = 0.52;
    } else if (along < aspect + 1) {
      x = aspect / 2 + 0.02;
      y = 0.5 - (along - aspect);
    } else if (along < 2 * aspect + 1) {
      x = aspect / 2 - (along - aspect - 1);
      y = -0.52;
    } else {
      x = -aspect / 2 - 0.02;
      y = -0.5 + (along - 2 * aspect - 1);
    }
    double heading = std::atan2(-y, -x) + Uniform(random, -0.5, 0.5);
    pending.push_back({x, y, heading, Uniform(random, 0.22, 0.40), 3.4, 0,
                       Mix(Rose, Coral, float(Uniform(random, 0, 1)))});
  }
  const double step = 2.0 / Texels(c);
  while (!pending.empty()) {
    Walker w = pending.back();
    pending.pop_back();
    int steps = int(w.length / step);
    for (int s = 0; s < steps; ++s) {
      double f = double(s) / steps;
      double nx = w.x + std::cos(w.heading) * step, ny = w.y + std::sin(w.heading) * step;
      double centreOval = std::hypot(nx / (0.3 * aspect), ny / 0.3);
      if (centreOval < 1.05) break;
      double width = w.width * (1 - 0.6 * f);
      Rgb colour = Mix(w.colour, Gold, Smoothstep(0.7, 1.0, f));
      DrawSegment(c, TexelCol(c, w.x), TexelRow(c, w.y), TexelCol(c, nx), TexelRow(c, ny), width + 4,
                  colour * 0.16f, 2.5);
      DrawSegment(c, TexelCol(c, w.x), TexelRow(c, w.y), TexelCol(c, nx), TexelRow(c, ny), width,
                  colour * float(0.85 - 0.2 * w.depth), 1.3);
      w.x = nx;
      w.y = ny;
      w.heading += Uniform(random, -0.16, 0.16);
      if (w.depth < 3 && Uniform(random, 0, 1) < 0.035) {
        double side = Uniform(random, 0, 1) < 0.5 ? -1 : 1;
        pending.push_back({w.x, w.y, w.heading + side * Uniform(random, 0.4, 0.9),
                           w.length * (1 - f) * Uniform(random, 0.5, 0.9), width * 0.75, w.depth + 1,
                           w.colour});
      }
    }
    AddGlow(c, TexelCol(c, w.x), TexelRow(c, w.y), 3.5, Gold * 0.6f);
  }
  // The centre stays open: fade everything inside the central oval.
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    pixel = pixel * Smoothstep(0.95, 1.1, std::hypot(x / (0.3 * aspect), y / 0.3));
  });
}

void PaintNightDial(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    double r = std::hypot(x, y);
    double angle = std::atan2(y, x);
    Rgb colour = Moon * LineProfile((r - 0.44) * Texels(c), 3.0, 1.5);
    colour = Max(colour, Moon * (0.75f * LineProfile((r - 0.30) * Texels(c), 1.8, 1.3)));
    // 60 ticks, every fifth a long gold one.
    double step = twoPi / 60;
    long tick = std::lround(angle / step);
    double across = (angle - tick * step) * r * Texels(c);
    bool major = ((tick % 5) + 5) % 5 == 0;
    double inner = major ? 0.375 : 0.405;
    float along = Smoothstep(inner - 0.004, inner, r) * (1 - Smoothstep(0.43, 0.434, r));
    colour = Max(colour, (major ? Gold : Moon * 0.7f) * (along * LineProfile(across, major ? 2.6 : 1.5, 1.2)));
    colour = Max(colour, Moon * Crescent(c, x, y, -0.16, 0.12, 0.055, 0.022, 0.016));
    pixel = colour * InsideRadius(c, r, 0.46);
  });
  // Five small constellations inside the inner ring: lines first, dots over them.
  Random random{8};
  for (int group = 0; group < 5; ++group) {
    double a = twoPi * group / 5 + 0.9;
    double gx = std::cos(a) * 0.19, gy = std::sin(a) * 0.19;
    if (std::hypot(gx + 0.16, gy - 0.12) < 0.1) {  // keep clear of the crescent
      gx *= 0.6;
      gy *= 1.25;
    }
    int count = UniformInt(random, 4, 6);
    double sx[6], sy[6];
    for (int i = 0; i < count; ++i) {
      sx[i] = gx + Uniform(random, -0.055, 0.055);
      sy[i] = gy + Uniform(random, -0.055, 0.055);
      if (i > 0)
        DrawSegment(c, TexelCol(c, sx[i - 1]), TexelRow(c, sy[i - 1]), TexelCol(c, sx[i]),
                    TexelRow(c, sy[i]), 0.8, Moon * 0.45f, 1.0);
    }
    for (int i = 0; i < count; ++i)
      AddGlow(c, TexelCol(c, sx[i]), TexelRow(c, sy[i]), 3.2, Mix(Moon, Ivory, float(i % 2)) * 0.9f);
  }
  StarAt(c, 0, 0, 26, PaleGold, true);
}

void PaintLineSunset(Canvas& c) {
  constexpr double horizon = -0.1;
  const double aspect = Aspect(c);
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    float ends = 1 - Smoothstep(0.38 * aspect, 0.5 * aspect, std::fabs(x));
    Rgb colour = PaleGold * (LineProfile((y - horizon) * Texels(c), 1.5, 1.2) * ends);
    if (y > horizon) {
      double r = std::hypot(x, y - horizon);
      for (int i = 0; i < 7; ++i) {
        double radius = 0.06 + i * 0.065;
        float p = LineProfile((r - radius) * Texels(c), 1.4, 1.2) * float(1 - 0.05 * i);
        colour = Max(colour, (i % 2 == 0 ? Rose : Gold) * p);
      }
    }
    pixel = colour;
  });
  // Reflections: short vertical dashes under the arcs, fading with depth.
  Random random{19};
  for (int i = 0; i < 46; ++i) {
    double x = Uniform(random, -0.55, 0.55) * std::sqrt(Uniform(random, 0.1, 1.0));
    Rgb colour = UniformInt(random, 0, 1) ? Rose : Gold;
    double y = horizon - Uniform(random, 0.01, 0.03);
    while (y > -0.48) {
      double dash = Uniform(random, 0.012, 0.03);
      float fade = float(std::exp(-(horizon - y) / 0.12) * (1 - std::fabs(x)));
      DrawSegment(c, TexelCol(c, x), TexelRow(c, y), TexelCol(c, x), TexelRow(c, y - dash), 1.2, colour * (0.8f * fade), 1.0);
      y -= dash + Uniform(random, 0.012, 0.04);
    }
  }
}

void PaintSkyBead(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    double r = std::hypot(x, y);
    Rgb colour = r < 0.13   ? Mix(Gold, Rose * 0.9f, Smoothstep(0.0, 0.13, r))
                 : r < 0.26 ? Mix(Rose * 0.9f, Violet * 0.8f, Smoothstep(0.13, 0.26, r))
                            : Mix(Violet * 0.8f, Indigo * 0.9f, Smoothstep(0.26, 0.40, r));
    // Upper half warmer, lower half a teal water with ripple lines.
    colour = Mix(colour, colour * Coral * 1.6f, 0.45f * Smoothstep(0.0, 0.2, y));
    double ripple = std::pow(0.5 + 0.5 * std::sin(twoPi * (y * 14 + 0.05 * std::sin(x * 20))), 10);
    Rgb water = Teal * float(0.45 + 0.4 * ripple);
    colour = Mix(colour, water, 0.75f * Smoothstep(0.0, -0.12, y) * Smoothstep(0.04, 0.2, r));
    colour = Mix(colour, PaleGold, Smoothstep(0.43, 0.465, r));
    pixel = colour * InsideRadius(c, r, 0.5);
  });
}

void PaintGear(Canvas& c) {
  constexpr int teeth = 12, spokes = 6;
  const Rgb bevel = Palette(70, 50, 90);
  // Returns the colour of one sample point: white, body or bevel.
  auto sample = [&](double x, double y) {
    double r = std::hypot(x, y), angle = std::atan2(y, x);
    double phase = std::fabs(std::fmod(angle / twoPi * teeth + 100.5, 1.0) - 0.5);  // 0 at a tooth's middle
    double outer = 0.35 + 0.05 * std::clamp((0.3 - phase) / 0.08, 0.0, 1.0);
    if (r > outer || r < 0.05) return White;
    bool rim = r > 0.29, hub = r < 0.11;
    bool spoke = false;
    for (int s = 0; s < spokes; ++s) {
      double a = twoPi * s / spokes + pi / 6;
      if (SegmentDistance(x, y, 0, 0, std::cos(a) * 0.3, std::sin(a) * 0.3) < 0.028) spoke = true;
    }
    if (!rim && !hub && !spoke) return White;
    bool lip = (r > outer - 0.014) || (rim && r < 0.304) || (hub && r > 0.096) || (r < 0.062);
    return lip ? bevel : Shade;
  };
  constexpr int grid = 4;  // 4x4 samples per texel
  for (int row = 0; row < c.height; ++row) {
    for (int col = 0; col < c.width; ++col) {
      Rgb sum;
      for (int sy = 0; sy < grid; ++sy)
        for (int sx = 0; sx < grid; ++sx) {
          double x = ((col + (sx + 0.5) / grid) / c.width - 0.5) * Aspect(c);
          double y = 0.5 - (row + (sy + 0.5) / grid) / c.height;
          sum = sum + sample(x, y);
        }
      At(c, col, row) = sum * (1.0f / (grid * grid));
    }
  }
}

void PaintEveningSky(Canvas& c) {
  const double aspect = Aspect(c);
  ForEachPixel(c, [&](Rgb& pixel, int, int, double, double y) {
    double up = y + 0.5;  // 0 at the bottom edge
    Rgb colour = Coral * float(0.35 * std::exp(-up / 0.06));
    colour = colour + Indigo * float(0.55 * std::exp(-up / 0.11));
    pixel = colour;
  });
  Random random{46};
  for (int i = 0; i < 40; ++i) {
    double x = Uniform(random, -0.48, 0.48) * aspect, y = Uniform(random, -0.25, 0.47);
    if (std::hypot(x - 0.9, y - 0.25) < 0.12) continue;
    double size = Uniform(random, 0, 1);
    Rgb colour = Mix(Moon, Ivory, float(Uniform(random, 0, 1))) * float(0.4 + 0.5 * size);
    if (size > 0.8)
      StarAt(c, x, y, 4 + 4 * size, colour, false);
    else
      AddGlow(c, TexelCol(c, x), TexelRow(c, y), 1.6 + size, colour);
  }
  ForEachPixel(c, [&](Rgb& pixel, int, int, double x, double y) {
    pixel = Max(pixel, Moon * Crescent(c, x, y, 0.9, 0.25, 0.07, -0.025, 0.012));
  });
}

void PaintGreyGradient(Canvas& c) {
  ForEachPixel(c, [&](Rgb& pixel, int col, int row, double, double) {
    pixel = White * float(0.38 + 0.24 * (col + row) / double(c.width + c.height - 2));
  });
}
