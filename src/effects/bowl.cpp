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
      point.u = static_cast<float>(j * (1.0 / 64));  // the picture lies flat: 1/64 per point
      point.v = static_cast<float>(i * (1.0 / 64));
      point.depth =
          static_cast<float>(10 * static_cast<double>(curvature) - curvature * (dx * dx + dy * dy));
      point.brightness = 1;
    }
  }
}

void DrawBowlLayers(float T) {
  // Lit only by syncs that another layer has taken: the pending sync is not looked
  // at. 2 at the sync, gone after 1.5 s.
  float flash = SyncFlash(2, 1.0 / 750);
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);

  // Slow swings.
  double k1 = 0.5 * std::sin(T * (1.0 / 492));
  float cy = static_cast<float>(5 * std::cos(T * (1.0 / 663.5)));
  float cxA = static_cast<float>(5 * std::sin(T * (1.0 / 353.4)));
  float cxB = static_cast<float>(5 * std::sin(T * (1.0 / 453.4)));
  double k2 = 0.5 * std::sin(T * (1.0 / 392));
  double g = std::sin(T * (1.0 / 855.5));
  // Without a flash the two brightnesses always add up to 1.
  float bright1 = static_cast<float>(0.5 - 0.5 * g + flash);
  float bright2 = static_cast<float>(0.5 * (g + 1) + flash);

  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.2), gridA);
  DrawGridAdd(bright1, gridA, TextureTable[SlotPic05]);
  BuildBowlGrid(cxA, cy, static_cast<float>(k1 - 0.3 + 0.1 * std::cos(T * (1.0 / 943.4))),
                gridA);
  DrawGridAdd(bright2, gridA, TextureTable[SlotPic04]);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.2), gridA);
  DrawGridAdd(bright2, gridA, TextureTable[SlotPic06]);
  BuildBowlGrid(cxB, cy, static_cast<float>(k2 - 0.3 + 0.1 * std::cos(T * (1.0 / 843.4))),
                gridA);
  DrawGridAdd(bright1, gridA, TextureTable[SlotTex6]);
}
