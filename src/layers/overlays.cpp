#include "layers/overlays.h"

#include <cmath>

#include "assets/textures.h"
#include "layers/primitives.h"
#include "render/show_random.h"
#include "music/clock.h"

namespace {

// 1 at the moment of the last sync taken, falling linearly to 0 over 1.5 s.
double SyncPulse() {
  const double elapsed = demoClock.elapsedMs.load(std::memory_order_relaxed);
  const double pulse = 1.0 - (elapsed - lastSyncMs) * (1.0 / 1500);
  return pulse < 0.0 ? 0.0 : pulse;
}

// A random window of the repeating noise texture: from s1, t1 in -1..-0.01 to
// s2, t2 in 1.01..2, i.e. 1.02 to 3 repeats at a random offset, new every call.
struct GrainWindow {
  float s1, t1, s2, t2;
};

GrainWindow PickGrainWindow() {
  const int r1 = ShowRandom() % 100;
  const int r2 = ShowRandom() % 100;
  const int r3 = ShowRandom() % 100;
  const int r4 = ShowRandom() % 100;
  return {static_cast<float>(r4 * 0.01 - 1.0), static_cast<float>(r3 * 0.01 - 1.0),
          static_cast<float>(2.0 - r2 * 0.01), static_cast<float>(2.0 - r1 * 0.01)};
}

}  // namespace

// Concentric copies of one picture, breathing with time and flaring by up to
// 2/3 in brightness for 1.5 s after each sync.
void DrawZoomEcho(float time, int slot) {
  ConsumeSyncEvent();
  const double syncPulse = SyncPulse();
  const double p = time * (1.0 / 239.4);
  const double h = std::sin(time * (1.0 / 402.2));
  const double lift = syncPulse * (2.0 / 3.0) + 0.5 * std::sin(time * (1.0 / 712.3));
  const GLuint texture = SlotTexture(slot);

  // The offset steps by pi/6 but is kept in single precision: after twelve steps
  // it is 6.2831845, still under the bound, so a thirteenth copy repeats the first.
  float a = 0.0f;
  double next;
  do {
    DrawSpriteAdd(0.0f, 0.0f, static_cast<float>(0.5 * std::sin(a + p) + h + 1.6),
                  static_cast<float>(0.3 * std::cos(a + p) + lift), texture);
    next = a + 0.5235987756666667;
    a = static_cast<float>(next);
  } while (next < 6.283185308);
}

// Thirty copies of the two tile pictures at fixed scattered centres; only their
// sizes and brightnesses move.
void DrawScatterEcho(float time) {
  // The pulse is not shown here; taking the sync stamps lastSyncMs for the
  // layers and effects that read it.
  ConsumeSyncEvent();
  const double p = time * (1.0 / 239.4);
  const double h = std::sin(time * (1.0 / 402.2));
  const double flicker = 0.3 * std::sin(time * (1.0 / 712.3));

  for (int i = 0; i < 30; ++i) {
    const GLuint texture = TextureTable[i % 2 == 0 ? SlotTex1 : SlotTex2];
    DrawSpriteAdd(static_cast<float>(std::sin(4.4 * i)), static_cast<float>(std::cos(7.3 * i)),
                  static_cast<float>(0.5 * std::sin(i * (1.0 / 8.5) + p) + h + 1.6),
                  static_cast<float>(0.2 * std::cos(i * (1.0 / 9.4) + p) + flicker), texture);
  }
}

// A trail of 1 to 31 turned copies winding forwards or backwards along a curve
// from its head; the whole trail shares the given brightness.
void DrawSpriteTrail(float brightness, float time, int slot) {
  ConsumeSyncEvent();
  const float growth = static_cast<float>(0.75 * std::sin(time * (1.0 / 455.2)));

  // Truncated toward zero; a non-finite phase (never passed by the timeline)
  // gives a one-copy trail rather than an undefined conversion.
  const double swing = 30 * std::sin(time * (1.0 / 285.4));
  int n = std::isfinite(swing) ? static_cast<int>(swing) : 0;
  const int direction = n > 0 ? 1 : (n < 0 ? -1 : 0);
  n = n < 0 ? -n : n;
  const int count = n + 1;
  const float copyBrightness = static_cast<float>((1.0 / count) * brightness);

  const double sizeWave = 0.2 * std::sin(time * (1.0 / 575.5));
  const double turn = std::sin(time * (1.0 / 650.5));
  const double m = time * (1.0 / 11.3);
  const double o = time * (1.0 / 10);
  const GLuint texture = SlotTexture(slot);

  for (int i = 0; i < count; ++i) {
    const int r = i * direction;
    // About one degree of turn per step along the trail.
    DrawRotatedSpriteAdd(static_cast<float>(0.5 * std::cos((r + o) * (1.0 / 100))),
                         static_cast<float>(0.5 * std::sin((r + m) * (1.0 / 87.3))),
                         static_cast<float>(r * (1.0 / 57.28) + turn),
                         static_cast<float>(r * static_cast<double>(growth) * (1.0 / 30) + sizeWave + 0.9),
                         copyBrightness, texture);
  }
}

// The wide picture in a 1.3 : 1 box centred on (centreX, 0), half-width
// 1.3 * (1 + grow) and half-height 1 + grow.
void DrawWidePicture(float brightness, float centreX, float grow) {
  DrawQuadAdd(static_cast<float>(centreX - 1.3 - 1.3 * grow), static_cast<float>(-1.0 - grow),
              static_cast<float>(centreX + 1.3 * (grow + 1.0)), static_cast<float>(grow + 1.0),
              brightness, TextureTable[SlotPic04]);
}

// Three full-screen copies (each spans at least -1.5..1.5) drifting at
// different speeds, each multiplying the frame by the texture.
void DrawDriftMultiply(GLuint texture) {
  const double e = demoClock.elapsedMs.load(std::memory_order_relaxed);
  DrawSpriteMul(static_cast<float>(0.5 * std::sin(e * (1.0 / 111.4))),
                static_cast<float>(0.5 * std::cos(e * (1.0 / 155.5))), 2.0f, 1.0f, texture);
  DrawSpriteMul(static_cast<float>(0.5 * std::sin(e * (1.0 / 191.4))),
                static_cast<float>(0.5 * std::cos(e * (1.0 / 145.5))), 2.0f, 1.0f, texture);
  DrawSpriteMul(static_cast<float>(0.5 * std::sin(e * (1.0 / 41.4))),
                static_cast<float>(0.5 * std::cos(e * (1.0 / 65.5))), 2.0f, 1.0f, texture);
}

void DrawGrainMul(GLuint texture) {
  const GrainWindow w = PickGrainWindow();
  DrawScreenTexMul(w.s1, w.t1, w.s2, w.t2, 1.0f, texture);
}

void DrawGrainAdd(GLuint texture) {
  const GrainWindow w = PickGrainWindow();
  DrawScreenTexAdd(w.s1, w.t1, w.s2, w.t2, 1.0f, texture);
}
