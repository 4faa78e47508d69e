#include "effects/bowl.h"

#include <cmath>

#include "effects/effect_support.h"

void BuildBowlGrid(float cx, float cy, float curvature, WarpGrid& grid) {
  // depth = curvature * (10 - d^2), d the distance from the screen point (-3cx, -3cy):
  // a negative curvature is a dome, a positive one a bowl; 0 is the flat screen.
  for (int i = 0; i < 64; ++i) {
    double dy = i - 32 + 3 * static_cast<double>(cy);
    for (int j = 0; j < 64; ++j) {
      double dx = j - 32 + 3 * static_cast<double>(cx);
      GridVertex& point = grid.points[i * 64 + j];
      point.u = static_cast<float>(j * 0.015625);  // the picture lies flat: 1/64 per point
      point.v = static_cast<float>(i * 0.015625);
      point.depth =
          static_cast<float>(10 * static_cast<double>(curvature) - curvature * (dx * dx + dy * dy));
      point.brightness = 1;
    }
  }
}

void DrawBowlLayers(float T) {
  // Lit only by syncs that another layer has taken: the pending sync is not looked
  // at. 2 at the sync, gone after 1.5 s (1/750).
  float flash = SyncFlash(2, 0.0013333333333333333);
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);

  // Slow swings (divisors 492, 663.5, 353.4, 453.4, 392, 855.5).
  double k1 = 0.5 * std::sin(T * 0.0020325203252032522);
  float cy = static_cast<float>(5 * std::cos(T * 0.0015071590052750565));
  float cxA = static_cast<float>(5 * std::sin(T * 0.002829654782116582));
  float cxB = static_cast<float>(5 * std::sin(T * 0.0022055580061755625));
  double k2 = 0.5 * std::sin(T * 0.002551020408163265);
  double g = std::sin(T * 0.0011689070718877848);
  // Without a flash the two brightnesses always add up to 1.
  float bright1 = static_cast<float>(0.5 - 0.5 * g + flash);
  float bright2 = static_cast<float>(0.5 * (g + 1) + flash);

  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.2), gridA);
  DrawGridAdd(bright1, gridA, TextureTable[38]);
  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.3 + 0.1 * std::cos(T * 0.00105999576001696)),
                gridA);  // 1/943.4
  DrawGridAdd(bright2, gridA, TextureTable[23]);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.2), gridA);
  DrawGridAdd(bright2, gridA, TextureTable[36]);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.3 + 0.1 * std::cos(T * 0.0011856770215793219)),
                gridA);  // 1/843.4
  DrawGridAdd(bright1, gridA, TextureTable[3]);
}
