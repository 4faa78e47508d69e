// Small steps shared by the effects: the sync flash, the float-to-int truncation
// and the texture of a slot.
#pragma once

#include <GL/gl.h>

#include <cmath>
#include <limits>

#include "assets/textures.h"
#include "music/clock.h"

// start at the moment of the last sync taken, falling by perMs each millisecond
// after it; rounded to single precision and held at 0 once it has died away.
inline float SyncFlash(double start, double perMs) {
  double sinceSync = static_cast<double>(demoClock.elapsedMs.load(std::memory_order_relaxed)) -
                     static_cast<double>(lastSyncMs);
  float flash = static_cast<float>(start - sinceSync * perMs);
  return flash < 0 ? 0.0f : flash;
}

// Truncation toward zero. A value outside int's range saturates and NaN gives 0,
// so a wild phase never reaches an undefined conversion.
inline int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

inline double Clamp01(double value) { return value < 0 ? 0.0 : value > 1 ? 1.0 : value; }
