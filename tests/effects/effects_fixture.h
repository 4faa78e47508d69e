// Shared set-up for the effect tests: a recording GL, a clock at start-up, the
// kick states at their start values and a texture table where slot s holds 1000 + s.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "effects/sheets.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "timeline/frame_state.h"

class EffectTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecReset();
    GlrecSetMode(GlrecRecord);
    FrameState frame;
    SaveFrameState(frame);
    SetShowStartValues(frame);
    RestoreFrameState(frame);
    for (GLuint& name : TextureTable) name = 0;
    for (const TextureLoad& load : textureLoads) TextureTable[load.slot] = 1000 + load.slot;
  }
  void TearDown() override {
    for (GLuint& name : TextureTable) name = 0;
  }

  static void SetElapsed(float ms) { demoClock.elapsedMs.store(ms); }
  static void PostSync(float ms) {
    syncEvent.timeMs.store(ms);
    syncEvent.pending.store(1);
  }
};

// The float arguments of one recorded line ("glVertex3f -32 -31 -1000").
inline std::vector<float> Args(const std::string& line) {
  std::vector<float> values;
  std::istringstream in(line);
  std::string word;
  in >> word;
  while (in >> word) values.push_back(std::strtof(word.c_str(), nullptr));
  return values;
}

// The recording without the per-corner calls: the set-up and restore skeleton.
inline std::vector<std::string> SkeletonCalls() {
  std::vector<std::string> out;
  bool inside = false;
  for (const std::string& line : GlrecCalls()) {
    if (line.rfind("glBegin ", 0) == 0) inside = true;
    if (line == "glEnd") inside = false;
    bool corner = line.rfind("glVertex3f ", 0) == 0 || line.rfind("glTexCoord2f ", 0) == 0 ||
                  line.rfind("glColor3f ", 0) == 0;
    if (!(inside && corner)) out.push_back(line);
  }
  return out;
}

// Corners as (x, y) pairs, from every glVertex3f of the recording.
struct Corner {
  float x, y, z;
};
inline std::vector<Corner> RecordedCorners() {
  std::vector<Corner> corners;
  for (const std::string& line : GlrecCallsNamed("glVertex3f")) {
    std::vector<float> a = Args(line);
    corners.push_back({a[0], a[1], a[2]});
  }
  return corners;
}

// Twice the signed area of quad q (corners 4q..4q+3): positive when counter-clockwise.
inline double QuadArea(const std::vector<Corner>& c, std::size_t q) {
  double area = 0;
  for (int k = 0; k < 4; ++k) {
    const Corner& a = c[4 * q + k];
    const Corner& b = c[4 * q + (k + 1) % 4];
    area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return area;
}
