#include "effects/tunnel.h"

#include <cmath>
#include <cstdlib>

#include "effects/effect_support.h"

void BuildRotozoomGrid(float T, WarpGrid& grid) {
  double W = 4 * std::sin(T * (1.0 / 300));  // the rotation angle
  // The texture centre drifts on a Lissajous path.
  double Cu = std::cos(T * (1.0 / 300));
  double Cv = std::sin(T * (1.0 / 264));
  // The tilt of the depth plane; |P1| and |P2| stay below 11000.
  int P1 = TruncateToInt(4000 * (std::sin(T * (1.0 / 124.5)) +
                                 std::cos(T * (1.0 / 144.5))) -
                         3000 * std::sin(T * (1.0 / 157.5)));
  int P2 = TruncateToInt(4000 * (std::cos(T * (1.0 / 134.5)) -
                                 std::sin(T * (1.0 / 128.5))) +
                         3000 * std::cos(T * (1.0 / 147.5)));
  int sx = P1 + 32768;
  int sy = 65536 - sx;
  if (sy > 65536) sy -= 131072;
  int tx = -32768 - P2;
  int ty = 65536 - tx;
  if (ty > 65536) ty -= 131072;
  double ax = sx / 256.0, ay = sy / 256.0, bx = tx / 256.0, by = ty / 256.0;

  for (int i = 0; i < 64; ++i) {
    float I = static_cast<float>(i - 32);
    float E = static_cast<float>((32 - static_cast<double>(I)) * by + I * bx);
    float I2 = I * I;
    for (int j = 0; j < 64; ++j) {
      float J = static_cast<float>(j - 32);
      // L is the tilted plane 4000 + (P2 - P1)/8 + (J*P1 - I*P2)/128; where it
      // would reach 0 or below it is folded to 1 - L, so it never divides by 0.
      float L = static_cast<float>((32 - static_cast<double>(J)) * ay + J * ax + E + 4000);
      if (L <= 0) L = static_cast<float>(1 - static_cast<double>(L));
      double theta;
      if (J != 0) {
        theta = std::atan(static_cast<double>(I) / J);
        if (J < 0) theta += 3.1415927;
      } else {
        theta = std::atan(100000000.0) + 3.141592654;
        if (I > 0) theta += 3.141592654;
      }
      float M = static_cast<float>(64 * std::sqrt(static_cast<double>(J * J) + I2) / L);
      GridVertex& point = grid.points[i * 64 + j];
      point.u = static_cast<float>(0.25 * (M * std::cos(theta + W) + Cu));
      point.v = static_cast<float>(0.25 * (M * std::sin(theta + W) + Cv));
      point.depth = 0;
      // 1/3000: the far side of the plane (small L) darkens.
      point.brightness = static_cast<float>(Clamp01(L * (1.0 / 3000) - 0.3));
    }
  }
}

void BuildTunnelGrids(float T, WarpGrid& p, WarpGrid& q) {
  // The centre wanders; d scrolls the walls.
  double c = 20 * std::sin(T * (1.0 / 63.5)) * std::cos(T * (1.0 / 800.2));
  double e = 20 * std::cos(T * (1.0 / 55.3)) * std::sin(T * (1.0 / 942.3));
  double d = 256 * std::sin(T * (1.0 / 170));

  // |k - 128| of the previous point: a point straight above or below the centre
  // (H = 0) has no angle of its own and takes this instead.
  int folded = 0;
  for (int i = 0; i < 64; ++i) {
    double F = 0.4 * (i - 32 + e);
    for (int j = 0; j < 64; ++j) {
      float H = static_cast<float>(0.4 * (j - 32 + c));
      double m = 10 * std::sqrt(F * F + static_cast<double>(H) * H);
      int k;
      if (H != 0) {
        double angle = std::atan(F / H);
        if (H < 0) angle += 3.1415927;
        k = TruncateToInt(angle * 81.48733085241038);  // 256/pi: half a turn is 256
      } else {
        k = folded;
      }
      folded = std::abs(k - 128);
      // k lies in (-128, 384), so A is in [0, 0.25], mirrored about the upward direction.
      double A = folded * (1.0 / 1024);
      float R = static_cast<float>(6000 / (m + 16));
      // Within about 4.3 units of the centre (R > 180) the mesh recedes and darkens.
      float U = static_cast<float>(R - 180.0);
      if (U < 0) U = 0;
      double V = Clamp01((256 - static_cast<double>(U)) * (1.0 / 64) - 3);
      float twoR = 2 * R;

      GridVertex& a = p.points[i * 64 + j];
      a.u = static_cast<float>(A);
      a.v = static_cast<float>((d + twoR) * (1.0 / 1024));
      a.depth = U;
      a.brightness = static_cast<float>(V);
      GridVertex& b = q.points[i * 64 + j];
      b.u = static_cast<float>(A);
      b.v = static_cast<float>((d - twoR) * (1.0 / 1024));
      b.depth = U;
      b.brightness = static_cast<float>(V);
    }
  }
}

void DrawTunnelBlend(float fade, float T) {
  // Out of range the effect is off: nothing drawn, a pending sync left for others.
  if (!(fade > 0)) return;
  if (fade > 1) fade = 1;
  float s = static_cast<float>(2 * std::sin(T * 0.0005) + 0.5);
  ConsumeSyncEvent();
  float flash = SyncFlash(1, 1.0 / 3000);  // 1 at a sync, gone after 3 s

  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  BuildTunnelGrids(static_cast<float>(-T * (1.0 / 12.7)), gridC, gridD);
  // The second tunnel's q replaces the first's: only gridC is kept from above.
  BuildTunnelGrids(static_cast<float>(T * (1.0 / 9.7)), gridA, gridD);
  BuildRotozoomGrid(static_cast<float>(T * (1.0 / 6)), gridB);      
  // The plane is pulled toward and past the first tunnel (weight 0 to 4), then
  // mixed with each of the second tunnel's grids (weight -1.5 to 2.5).
  BlendGrids(static_cast<float>(2.5 - s), gridC, gridB, gridB);
  BlendGrids(s, gridA, gridB, gridC);
  // At a sync the solid layer goes black and comes back over 3 s ...
  DrawGridSolid(static_cast<float>((1 - static_cast<double>(flash)) * fade), gridC,
                TextureTable[SlotTex6]);
  BlendGrids(s, gridD, gridB, gridC);
  // ... while the additive layer brightens.
  DrawGridAdd(static_cast<float>(fade * ((std::sin(T * (1.0 / 241.1)) +
                                          std::cos(T * (1.0 / 184.5))) * 0.35 +
                                         0.5 * flash + 0.3)),
              gridC, TextureTable[SlotTex2]);
}

void DrawRotozoomBlend(float fade, float T) {
  if (fade > 1) fade = 1;
  // Below 0 (or not a number) the effect is off; at 0 the black solid layer still fills depth.
  if (!(fade >= 0)) return;

  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  BuildRotozoomGrid(static_cast<float>(T * (1.0 / 12.62)), gridA);  
  BuildRotozoomGrid(static_cast<float>(-T * (1.0 / 9.41)), gridB);
  BlendGrids(-2, gridA, gridB, gridC);  // coordinates 3B - 2A, brightness of B
  DrawGridSolid(static_cast<float>((0.3 * std::sin(T * (1.0 / 336.6)) + 0.5) * fade),
                gridC, TextureTable[SlotTex5]);
  BlendGrids(2, gridA, gridB, gridC);  // coordinates 2A - B, brightness of A
  DrawGridAdd(static_cast<float>((0.3 * std::cos(T * (1.0 / 236.6)) + 0.5) * fade),
              gridC, TextureTable[SlotPic07]);
}
