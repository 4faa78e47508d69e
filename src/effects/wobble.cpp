#include "effects/wobble.h"

#include <cmath>

#include "effects/effect_support.h"

void BuildWobbleSheet(float T, float depthScale, float size, float amplitude, Sheet& sheet) {
  // Nine drifting phases.
  double a1 = T * (1.0 / 25.5);
  double a2 = T * (1.0 / 24.5);
  double a3 = T * (1.0 / 21.5);
  double a4 = T * (1.0 / 33.6);
  double a5 = T * (1.0 / 27.5);
  double a6 = T * (1.0 / 28.5);
  double a7 = T * (1.0 / 43.6);
  double a8 = T * (1.0 / 37.5);
  double a9 = T * (1.0 / 38.5);
  // Each coordinate is the flat square (x, y from -size to size) plus amplitude
  // times three waves: along the rows, along the diagonal n - m, along the columns.
  for (int n = 0; n < 32; ++n) {
    double K = (n - 15.5) * (1.0 / 15.5);                   // 2/31
    double Rx = std::sin((2 * n + a2) * (1.0 / 6.3));    
    double Ry = std::cos((2 * n + a6) * (1.0 / 7.2));     
    double Rz = std::cos((2 * n + a9) * (1.0 / 17.2));    
    for (int m = 0; m < 32; ++m) {
      SheetPoint& point = sheet.points[n * 32 + m];
      point.x = static_cast<float>(
          size * ((m - 15.5) * (1.0 / 15.5) +
                  amplitude * (Rx + std::cos((m - n + a1) * (1.0 / 5.5)) +  
                               std::cos((2 * m - a3) * (1.0 / 5.9)))));      
      point.y = static_cast<float>(
          size * (K + amplitude * (Ry + std::sin((n - m - a4) * (1.0 / 6.7)) +
                                   std::cos((2 * m + a5) * (1.0 / 5.1)))));   
      point.z = static_cast<float>(
          depthScale * static_cast<double>(amplitude) *
          (Rz + std::sin((n - m - a7) * (1.0 / 16.7)) +                        
           std::cos((2 * m + a8) * (1.0 / 15.1))));                             
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
  BuildWobbleSheet(static_cast<float>(T * (1.0 / 4.2) + 20000), 50, 2, 0.1f, sheet);
  DrawSheetAdd(static_cast<float>((0.5 * flash + 0.3) * fade), sheet, TextureTable[SlotUntextured]);
  // Two pictures breathing between amplitude 0 and 0.2; a sync throws them up to
  // 1 further out of shape.
  float breath = static_cast<float>(0.1 * (std::cos(T * (1.0 / 600)) + 1) + flash);
  BuildWobbleSheet(static_cast<float>(T * (1.0 / 3.5) + 10000), 150, 1, breath, sheet);
  DrawSheetAdd(static_cast<float>(0.5 * fade), sheet, TextureTable[SlotTex1]);
  breath = static_cast<float>(0.1 * (std::sin(T * (1.0 / 489.3)) + 1) + flash);
  BuildWobbleSheet(static_cast<float>(T * (1.0 / 3.9)), 150, 1, breath, sheet);
  DrawSheetAdd(static_cast<float>(0.5 * fade), sheet, TextureTable[SlotTex2]);
}
