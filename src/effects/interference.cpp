#include "effects/interference.h"

#include <algorithm>
#include <cmath>

#include "effects/effect_support.h"

namespace {

double Length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

}  // namespace

void BuildInterferenceGrid(float T, WarpGrid& grid) {
  // Three points wandering over a 128x128 field; the third is held in single precision.
  double p1x = (std::cos(T * (1.0 / 90.4)) + 1) * 64;
  double p1y = (std::sin(T * (1.0 / 97.4)) + 1) * 64;
  double p2x = (std::cos(T * (1.0 / 77.4)) + 1) * 64;
  double p2y = (std::sin(T * (1.0 / 72.4)) + 1) * 64;
  float p3x = static_cast<float>((std::cos(T * (1.0 / 125.4)) + 1) * 64);
  float p3y = static_cast<float>((std::sin(T * (1.0 / 102.4)) + 1) * 64);
  float h = static_cast<float>(2 * static_cast<double>(T));

  for (int i = 0; i < 64; ++i) {
    int py = 2 * i;  // the grid samples every second unit of the field
    for (int j = 0; j < 64; ++j) {
      int px = 2 * j;
      float dx1 = static_cast<float>(px - p1x), dy1 = static_cast<float>(py - p1y);
      float dx2 = static_cast<float>(px - p2x), dy2 = static_cast<float>(py - p2y);
      float d1 = static_cast<float>(Length(dx1, dy1));
      float d2 = static_cast<float>(Length(dx2, dy2));
      double dx3 = px - static_cast<double>(p3x), dy3 = py - static_cast<double>(p3y);
      double d3 = Length(dx3, dy3);
      GridVertex& point = grid.points[i * 64 + j];
      // Sums and differences of the distances give the interlocking rings; the
      // pattern scrolls with T (u forward by T/256, v back by 2T/256).
      point.u = static_cast<float>((T + 2.0 * d1 - d2 - 2 * d3) * (1.0 / 256));
      point.v = static_cast<float>((2.0 * d2 - d1 - 2 * d3 - h) * (1.0 / 256));
      point.depth = 0;
      // Dark at each point, full wherever the product reaches 2,048,000.
      double product = d1 * static_cast<double>(d2) * d3 * static_cast<double>(0.000125f);
      point.brightness = static_cast<float>(std::min(product, 256.0) * (1.0 / 256));
    }
  }
}

void DrawInterference(float fade, float T) {
  // No early exit: the sync is taken whatever the fade, and DrawGridAdd skips the
  // passes that have nothing to add.
  ConsumeSyncEvent();
  float flash = SyncFlash(2, 1.0 / 1500);  // 2 at a sync, gone after 3 s

  BuildInterferenceGrid(static_cast<float>(T * 0.2), gridA);
  DrawGridAdd(fade, gridA, TextureTable[SlotTex1]);
  // Slot 0 holds no image: the grid's brightness pattern flares up in grey.
  DrawGridAdd(static_cast<float>(fade * static_cast<double>(flash)), gridA, TextureTable[SlotUntextured]);
  BuildInterferenceGrid(static_cast<float>(T * (1.0 / 9.6) + 10000), gridA);
  DrawGridAdd(fade, gridA, TextureTable[SlotTex2]);
  DrawGridAdd(static_cast<float>(fade * static_cast<double>(flash)), gridA, TextureTable[SlotUntextured]);
}
