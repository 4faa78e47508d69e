#include "timeline/timeline.h"

#include <GL/gl.h>

#include <cmath>

#include "assets/textures.h"
#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects/sheets.h"
#include "effects/tunnel.h"
#include "effects/wobble.h"
#include "layers/overlays.h"
#include "layers/primitives.h"
#include "music/clock.h"
#include "render/scenes.h"

const int pictureCycle[10] = {SlotTex1,  SlotTex2,  SlotTex3,  SlotTex4,   SlotTex5,
                              SlotTex6,  SlotPic01, SlotPic02, SlotPic02b, SlotPic03};

// Every scene reads this frame's clock through these names: S = songPosition,
// R = rowPosition (0-4095), row (0-63), E = elapsedMs. Sums and differences of S
// and R stay int; everything else is double and rounds to float when passed.
// A quotient by a constant is the product with its double reciprocal.
namespace {

struct SceneClock {
  int S;
  int R;
  int row;
  double E;
};

void DrawGrainPair() {
  DrawGrainMul(SlotTexture(SlotNoice2));
  DrawGrainAdd(SlotTexture(SlotAddnoice));
}

void DrawSingleGrain() { DrawGrainMul(SlotTexture(SlotHomo)); }

void DrawScene0(const SceneClock& c) { DrawScatterEcho(c.S * (1.0 / 1.2) - 9500); }

void DrawScene1(const SceneClock& c) {
  double fade = c.row < 32 ? c.R * (1.0 / 2048) : 2 - c.R * (1.0 / 2048);
  DrawZoomEcho(c.S + 300, SlotTex3);
  DrawSpriteAdd(0, 0, 1, fade, SlotTexture(SlotPic02));
}

void DrawScene2(const SceneClock& c) {
  DrawSwirl(c.R * (1.0 / 4096), c.S, SlotTex1);
  DrawHaloObjectScene((c.S - 8192) * 1.4, SlotAkanpaa1);
  DrawQuadAdd(-1, -0.7, 1, 0.7, c.R * (1.0 / 4096), SlotTexture(SlotPic01));
}

void DrawScene3(const SceneClock& c) {
  double fade = c.R * (1.0 / 4096);
  DrawSwirl(1 - fade, c.S, SlotTex1);
  DrawSwirl(fade, c.S + 52345, SlotTex2);
  DrawSpriteTrail(fade, c.S + 15435, SlotTex4);
  DrawQuadAdd(-1, -0.7, 1, 0.7, 1 - fade, SlotTexture(SlotPic01));
}

// The full-screen picture steps through pictureCycle once per tick.
void DrawScene4(const SceneClock& c) {
  DrawZoomEcho(2 * c.S + 300, SlotTex4);
  DrawSpriteTrail(1, 2 * c.S + 15435, SlotTex4);
  DrawQuadAdd(-1, -1, 1, 1, 1 - c.R * (1.0 / 3000), SlotTexture(pictureCycle[c.R % 10]));
  DrawGrainPair();
}

// Two strips of the text picture darken the tunnel: the upper one moves right by
// 1/120 unit per tick, the lower one left by 1/100.
void DrawScene5(const SceneClock& c) {
  int d = 24576 - c.S;
  int g = c.S - 20480;
  DrawTunnelBlend(c.R * (1.0 / 2048), 2 * c.S + 20000);
  DrawQuadMul(1 - d * (1.0 / 120), 0.4, 20 - d * (1.0 / 120), 0.9, 1, SlotTexture(SlotText1));
  DrawQuadMul(1 - g * (1.0 / 100), -1.2, 35 - g * (1.0 / 100), 0.2, 1, SlotTexture(SlotText1));
  DrawQuadAdd(-1, -0.8, 1, 0.8, c.R * (1.0 / 3000), SlotTexture(SlotPic09));
}

// A picture slightly larger than the screen whose edges drift by up to 0.03.
void DrawScene6(const SceneClock& c) {
  double E = c.E;
  DrawTunnelBlend(0.4 + 0.3 * std::cos(E * (1.0 / 243.4)), c.S + 20000);
  double x1 = 0.03 * std::cos(E * (1.0 / 2433.5)) - 1.03;
  double y1 = 0.03 * std::sin(E * (1.0 / 1833.5)) - 1.03;
  double x2 = 1.03 - 0.03 * std::cos(E * (1.0 / 2133.5));
  double y2 = 1.03 - 0.03 * std::sin(E * (1.0 / 1733.5));
  DrawQuadAdd(x1, y1, x2, y2, 0.9 + 0.1 * std::cos(E * (1.0 / 333.5)), SlotTexture(SlotPic06));
  if (c.row >= 56 && c.row <= 60) DrawSingleGrain();
}

// The bowls darkened by a wobbling level, the picture over them, and from
// R = 3073 a fade of the whole frame to black over the last 16 rows.
void DrawScene7(const SceneClock& c) {
  double E = c.E;
  double v = (0.7 + 0.125 * std::cos(E * (1.0 / 182.4)) * std::sin(E * (1.0 / 299.5))) *
             (1 - c.R * (1.0 / 7000));
  double w = 1 - (c.R - 3072) * (1.0 / 1024);
  DrawBowlLayers(c.S);
  if (v < 1) DrawShadeScreen(v);
  DrawQuadAdd(-1, -0.8, 1, 0.8, c.R * (1.0 / 3000), SlotTexture(SlotPic05));
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
  if (w < 1) DrawShadeScreen(w);
}

// Orders 8 and 9: the rotozoom darkened by a turning picture, under a
// full-screen picture that fades out by R = 3000.
void DrawRotozoomScene(const SceneClock& c) {
  double E = c.E;
  DrawRotozoomBlend(1, c.S + 2 * c.R + 20000);
  DrawSingleGrain();
  DrawRotatedSpriteMul(0, 0, 0.4 * std::sin(E * (1.0 / 554.5)) - E * (1.0 / 500), 1, 1,
                       SlotTexture(SlotRatass));
  DrawQuadAdd(-1, -1, 1, 1, 1 - c.R * (1.0 / 3000), SlotTexture(SlotPic07));
  DrawGrainPair();
}

void DrawScene8(const SceneClock& c) { DrawRotozoomScene(c); }

void DrawScene9(const SceneClock& c) {
  DrawRotozoomScene(c);
  DrawInterference(c.R * (1.0 / 4096), c.S);
}

// The five fly-around passes share one base brightness per pass, which the
// orders scale or lower: scaled by R/4096 in order 10, lowered by R/4096 in 12.
struct FlyAroundBases {
  double b[5];
};

FlyAroundBases ComputeFlyAroundBases(double E) {
  double b23 = 0.3 + 0.5 * std::cos(E * (1.0 / 1735.4));
  return {{0.3 + 0.5 * std::sin(E * (1.0 / 1535.4)), b23, b23,
           0.3 - 0.5 * std::sin(E * (1.0 / 1435.4)), 0.3 - 0.5 * std::cos(E * (1.0 / 1835.4))}};
}

constexpr double flyAroundPhaseOffsets[5] = {115155, 365346, 549478, 730867, 920836};

// scale multiplies and lower subtracts from every base brightness.
void DrawFlyAroundPasses(const SceneClock& c, double scale, double lower) {
  FlyAroundBases bases = ComputeFlyAroundBases(c.E);
  for (int k = 0; k < 5; ++k)
    DrawFlyAroundScene(bases.b[k] * scale - lower, c.E * (1.0 / 2) + flyAroundPhaseOffsets[k]);
}

// The right-hand panel of orders 10 and 11: its top edge rises by 1/8192 per
// tick across both orders, its left edge sways by 0.03.
void DrawRightPanel(const SceneClock& c, double brightness) {
  DrawQuadAdd(0.03 * std::cos(c.E * (1.0 / 2433.5)), -1, 1, 0.5 + (c.S - 40960) * (1.0 / 8192),
              brightness, SlotTexture(SlotTex1));
}

void DrawScene10(const SceneClock& c) {
  double fade = c.R * (1.0 / 4096);
  DrawInterference(1 - fade, c.S);
  DrawDriftMultiply(SlotTexture(SlotNoice1));
  DrawFlyAroundPasses(c, fade, 0);
  DrawRightPanel(c, c.R * (1.0 / 2048));
}

// The credits picture is multiplied in a box that slides and shrinks.
void DrawScene11(const SceneClock& c) {
  int g = c.S - 45056;
  DrawFlyAroundPasses(c, 1, 0);
  DrawBlobTunnelScene(c.R * (1.0 / 4096), c.S, SlotTex2);
  DrawRightPanel(c, 1);
  DrawHaloObjectScene(5300 - g * 1.8, SlotAkanpaa2);
  DrawQuadMul(g * (1.0 / 1024) - 3, -1, g * (1.0 / 1424) - 1, 2 - g * (1.0 / 2896), 1,
              SlotTexture(SlotCreds1));
}

// The second blob tunnel fades in from R = 820, restarts at 1 on row 48 and
// falls to 0 at the end of the order.
void DrawScene12(const SceneClock& c) {
  double second = c.row < 48 ? c.R * (1.0 / 2048) - 0.4 : 1 - (c.R - 3072) * (1.0 / 1024);
  DrawFlyAroundPasses(c, 1, c.R * (1.0 / 4096));
  DrawBlobTunnelScene(1 - c.R * (1.0 / 2048), c.S, SlotTex2);
  DrawBlobTunnelScene(second, c.S + 92852, SlotTex1);
  DrawQuadAdd(0.03 * std::cos(c.E * (1.0 / 2433.5)), -1, 1, 1 - (c.S - 49152) * (1.0 / 8192),
              1 - c.R * (1.0 / 4096), SlotTexture(SlotTex2));
}

// A left-hand panel widening over the object; the last eight rows fade to black.
void DrawScene13(const SceneClock& c) {
  double E = c.E;
  DrawEnvMapEchoScene((c.S - 53248) * 1.75 + 500);
  DrawQuadAdd(c.R * (1.0 / 20000) - 1.1, -1, c.R * (1.0 / 8192) + 0.2, 1,
              1 + 0.2 * (std::cos(E * (1.0 / 623.4)) + std::sin(E * (1.0 / 473.4))),
              SlotTexture(SlotPic03));
  if (c.row >= 56) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    DrawShadeScreen(1 - (c.R - 3584) * (1.0 / 512));
  }
}

// One wide picture cross-faded between two positions and sizes: the two
// brightnesses add up to f.
void DrawWidePicturePair(const SceneClock& c, double f) {
  double E = c.E;
  double swing = std::sin(E * (1.0 / 1357.4));
  DrawWidePicture((0.5 - 0.5 * swing) * f, 0.3 * std::sin(E * (1.0 / 1000)),
                  0.1 * (std::cos(E * (1.0 / 823.4)) + 1));
  DrawWidePicture((swing + 1) * 0.5 * f, 0.3 * std::sin(E * (1.0 / 1000) + 0.3),
                  0.1 * (std::cos(E * (1.0 / 823.4) + 0.3) + 1));
}

// The text picture rises across orders 15 and 16 (d = S - 61440): its bottom
// edge climbs one unit per 1024 ticks, its top edge one per 800.
void DrawRisingText(int d) {
  DrawQuadAdd(-d * (1.0 / 7000), d * (1.0 / 1024) - 5, 1, d * (1.0 / 800) - 1, 0.7,
              SlotTexture(SlotText2));
}

// v reaches 1 at row 16 and stays there.
void DrawScene14(const SceneClock& c) {
  float v = static_cast<float>(c.R * (1.0 / 1024));
  if (v > 1) v = 1;
  DrawWidePicturePair(c, v);
  DrawBlobTunnelScene(v, c.S, SlotTex4);
}

void DrawScene15(const SceneClock& c) {
  int d = c.S - 61440;
  DrawWidePicturePair(c, 1 - d * (1.0 / 7000));
  DrawBlobTunnelScene(1 - c.R * (1.0 / 4096), c.S, SlotTex4);
  DrawRisingText(d);
}

// The wide pictures fade with f, which reaches 0 at d = 7000 (R = 2904); the
// turning picture starts five times the screen size and shrinks while it fades in.
void DrawScene16(const SceneClock& c) {
  int d = c.S - 61440;
  int rr = c.R * c.R;
  double size =
      5.1 - c.R * (1.0 / 1000) + 0.05 * std::cos(rr * (1.0 / 200000) + c.E * (1.0 / 302.3));
  DrawWidePicturePair(c, 1 - d * (1.0 / 7000));
  DrawRotatedSpriteAdd(0, 0, c.E * (1.0 / 500), size, c.R * (1.0 / 2048), SlotTexture(SlotPic08));
  DrawWobbleSheets(c.R * (1.0 / 4096), rr * (1.0 / 10000));
  DrawRisingText(d);
}

// The closing pictures: a turning picture (one radian per 250 ms) and the
// half-screen pictures.
void DrawTurningPicture(double angle, double brightness) {
  DrawRotatedSpriteAdd(0, 0, angle, 1.15, brightness, SlotTexture(SlotPic08));
}

void DrawLowerHalf(int slot) { DrawQuadAdd(-1, -1, 1, 0, 1, SlotTexture(slot)); }
void DrawUpperHalf(int slot) { DrawQuadAdd(-1, 0, 1, 1, 1, SlotTexture(slot)); }

// At row 28 the turning picture reverses and dims; the lower half shows on rows
// 22-51 and the upper half from row 28 on.
void DrawScene17(const SceneClock& c) {
  double turn = c.E * (1.0 / 250);
  if (c.row < 28) {
    DrawTurningPicture(-turn, 1);
    if (c.row >= 22) DrawLowerHalf(SlotDNy);
  } else {
    DrawTurningPicture(turn, 0.8);
    if (c.row < 52) DrawLowerHalf(SlotDNy);
    DrawUpperHalf(SlotDFlect);
  }
  // 5S - 348160 = 5R here; the offset is added in double and rounded once.
  DrawWobbleSheets(1, static_cast<double>(5 * c.S - 348160) + 1677.7216);
  DrawSwirlPair(1, c.S, SlotTex5, SlotTex4);
  DrawGrainPair();
}

void DrawScene18(const SceneClock& c) {
  double turn = c.E * (1.0 / 250);
  if (c.row < 28) {
    DrawTurningPicture(-turn, 0.6);
    DrawLowerHalf(SlotDStroy);
    if (c.row < 22) DrawUpperHalf(SlotDFlect);
  } else {
    DrawTurningPicture(turn, 0.4);
  }
  DrawSwirlPair(1, c.S, SlotTex5, SlotTex4);
  DrawGrainPair();
}

using SceneFunction = void (*)(const SceneClock&);

constexpr SceneFunction scenes[19] = {
    DrawScene0,  DrawScene1,  DrawScene2,  DrawScene3,  DrawScene4,  DrawScene5,  DrawScene6,
    DrawScene7,  DrawScene8,  DrawScene9,  DrawScene10, DrawScene11, DrawScene12, DrawScene13,
    DrawScene14, DrawScene15, DrawScene16, DrawScene17, DrawScene18,
};

}  // namespace

void DrawFrame() {
  BeginFrame(0, 0, 0);
  // Unsigned, so a negative order (no position yet) is black too.
  if (static_cast<unsigned>(demoClock.order) >= 19) return;
  SceneClock clock = {demoClock.songPosition, demoClock.rowPosition, demoClock.row,
                      demoClock.elapsedMs.load(std::memory_order_acquire)};
  scenes[demoClock.order](clock);
}
