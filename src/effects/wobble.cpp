#include "effects/wobble.h"

#include <cmath>

#include "effects/effect_support.h"

void BuildWobbleSheet(float T, float depthScale, float size, float amplitude, Sheet& sheet) {
  // Nine drifting phases (divisors 25.5, 24.5, 21.5, 33.6, 27.5, 28.5, 43.6, 37.5, 38.5).
  double a1 = T * 0.0392156862745098;
  double a2 = T * 0.04081632653061224;
  double a3 = T * 0.046511627906976744;
  double a4 = T * 0.02976190476190476;
  double a5 = T * 0.03636363636363636;
  double a6 = T * 0.03508771929824561;
  double a7 = T * 0.02293577981651376;
  double a8 = T * 0.02666666666666667;
  double a9 = T * 0.025974025974025976;
  // Each coordinate is the flat square (x, y from -size to size) plus amplitude
  // times three waves: along the rows, along the diagonal n - m, along the columns.
  for (int n = 0; n < 32; ++n) {
    double K = (n - 15.5) * 0.06451612903225806;                   // 2/31
    double Rx = std::sin((2 * n + a2) * 0.15873015873015872);      // 1/6.3
    double Ry = std::cos((2 * n + a6) * 0.1388888888888889);       // 1/7.2
    double Rz = std::cos((2 * n + a9) * 0.05813953488372093);      // 1/17.2
    for (int m = 0; m < 32; ++m) {
      SheetPoint& point = sheet.points[n * 32 + m];
      point.x = static_cast<float>(
          size * ((m - 15.5) * 0.06451612903225806 +
                  amplitude * (Rx + std::cos((m - n + a1) * 0.18181818181818182) +    // 1/5.5
                               std::cos((2 * m - a3) * 0.1694915254237288))));        // 1/5.9
      point.y = static_cast<float>(
          size * (K + amplitude * (Ry + std::sin((n - m - a4) * 0.14925373134328357) +  // 1/6.7
                                   std::cos((2 * m + a5) * 0.19607843137254904))));     // 1/5.1
      point.z = static_cast<float>(
          depthScale * static_cast<double>(amplitude) *
          (Rz + std::sin((n - m - a7) * 0.059880239520958084) +                          // 1/16.7
           std::cos((2 * m + a8) * 0.06622516556291391)));                               // 1/15.1
    }
  }
}

void DrawWobbleSheets(float fade, float T) {
  // Off while faded out, leaving a pending sync to the next consumer.
  if (!(fade > 0)) return;
  ConsumeSyncEvent();
  float flash = SyncFlash(1, 0.0008);  // 1 at a sync, gone after 1.25 s
  Sheet sheet;
  // A gentle grey ripple: slot 0 holds no image (divisor 4.2).
  BuildWobbleSheet(static_cast<float>(T * 0.23809523809523808 + 20000), 50, 2, 0.1f, sheet);
  DrawSheetAdd(static_cast<float>((0.5 * flash + 0.3) * fade), sheet, TextureTable[0]);
  // Two pictures breathing between amplitude 0 and 0.2; a sync throws them up to
  // 1 further out of shape (divisors 3.5, 600 and 3.9, 489.3).
  float breath = static_cast<float>(0.1 * (std::cos(T * 0.0016666666666666668) + 1) + flash);
  BuildWobbleSheet(static_cast<float>(T * 0.2857142857142857 + 10000), 150, 1, breath, sheet);
  DrawSheetAdd(static_cast<float>(0.5 * fade), sheet, TextureTable[1]);
  breath = static_cast<float>(0.1 * (std::sin(T * 0.002043735949315348) + 1) + flash);
  BuildWobbleSheet(static_cast<float>(T * 0.25641025641025644), 150, 1, breath, sheet);
  DrawSheetAdd(static_cast<float>(0.5 * fade), sheet, TextureTable[2]);
}
