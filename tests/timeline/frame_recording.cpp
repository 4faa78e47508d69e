#include "frame_recording.h"

#include <algorithm>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "layers/primitives.h"
#include "render/show_random.h"
#include "records/gl_window.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

void SetClockState(const ClockState& state) {
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  for (GLuint& name : TextureTable) name = 0;
  for (const TextureLoad& load : textureLoads) TextureTable[load.slot] = 1000 + load.slot;
  FrameState frame;
  SaveFrameState(frame);
  SetShowStartValues(frame);
  SetFrameClock(frame, state.order, state.row, state.tick, state.elapsedMs);
  RestoreFrameState(frame);
}

std::vector<std::string> RecordFrame(const ClockState& state) {
  SetClockState(state);
  GlrecSetMode(GlrecRecord);
  GlrecReset();
  DrawFrame();
  return GlrecCalls();
}

std::vector<std::string> RecordCalls(const ClockState& state, void (*draw)(const ClockState&)) {
  SetClockState(state);
  GlrecSetMode(GlrecRecord);
  GlrecReset();
  BeginFrame(0, 0, 0);
  draw(state);
  return GlrecCalls();
}

std::string DescribeDifference(const std::vector<std::string>& actual,
                               const std::vector<std::string>& expected) {
  size_t common = std::min(actual.size(), expected.size());
  size_t at = 0;
  while (at < common && actual[at] == expected[at]) ++at;
  if (at == common && actual.size() == expected.size()) return "";
  std::string out = "recordings differ at line " + std::to_string(at + 1) + " (" +
                    std::to_string(actual.size()) + " lines drawn, " +
                    std::to_string(expected.size()) + " expected)\n";
  for (size_t i = at >= 4 ? at - 4 : 0; i < at; ++i) out += "    " + actual[i] + "\n";
  out += "  drawn:    " + (at < actual.size() ? actual[at] : std::string("<end>")) + "\n";
  out += "  expected: " + (at < expected.size() ? expected[at] : std::string("<end>")) + "\n";
  return out;
}

std::vector<std::string> QuadLines(bool additive, float x1, float y1, float x2, float y2,
                                   float brightness, unsigned texture) {
  auto f = [](float v) { return GlrecFloat(v); };
  std::string b = f(brightness);
  return {
      "glDisable GL_DEPTH_TEST",
      "glBindTexture GL_TEXTURE_2D " + std::to_string(texture),
      "glEnable GL_BLEND",
      additive ? "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA"
               : "glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR",
      "glColor3f " + b + " " + b + " " + b,
      "glBegin GL_QUADS",
      "glTexCoord2f 0 0",
      "glVertex3f " + f(x1) + " " + f(y1) + " -32",
      "glTexCoord2f 1 0",
      "glVertex3f " + f(x2) + " " + f(y1) + " -32",
      "glTexCoord2f 1 1",
      "glVertex3f " + f(x2) + " " + f(y2) + " -32",
      "glTexCoord2f 0 1",
      "glVertex3f " + f(x1) + " " + f(y2) + " -32",
      "glEnd",
      "glDisable GL_BLEND",
      "glDepthMask GL_TRUE",
      "glEnable GL_DEPTH_TEST",
  };
}

bool ContainsRun(const std::vector<std::string>& calls, const std::vector<std::string>& lines) {
  return std::search(calls.begin(), calls.end(), lines.begin(), lines.end()) != calls.end();
}

int CountLines(const std::vector<std::string>& calls, const std::string& line) {
  return static_cast<int>(std::count(calls.begin(), calls.end(), line));
}

uint32_t RandomStateAfter(int draws) {
  uint32_t state = 1;
  for (int i = 0; i < draws; ++i) state = state * 214013u + 2531011u;
  return state;
}
