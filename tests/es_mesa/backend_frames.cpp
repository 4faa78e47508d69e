#include "backend_frames.h"

#include <GL/gl.h>

#include <cstdlib>

#include "assets/objects.h"
#include "esgl/esgl.h"
#include "frame_clock.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "shell/offscreen_gl.h"
#include "shell/window.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

namespace {

FrameState startState;
bool startSaved = false;

}  // namespace

bool OpenBackend(bool es, int width, int height, std::string& error) {
  if (!OpenOffscreenGl(width, height, error, es ? GlContextEs3 : GlContextCompatibility))
    return false;
  if (!ForwardGlrecTo(es, ReadGlProc, error)) return false;
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  InitGlState(width, height);
  for (Object3D& object : ObjectTable) ReleaseObject(object);
  std::string loaded = LoadShowData(true);
  if (loaded.rfind("show data", 0) != 0) {
    error = "no show data: " + loaded;
    return false;
  }
  if (!startSaved) SaveFrameState(startState);
  startSaved = true;
  return glGetError() == GL_NO_ERROR || (error = "GL error after set-up", false);
}

void CloseBackend(bool es) {
  if (es) EsglStop();
  CloseOffscreenGl();
}

void ResetShowState() {
  ResetDemoClock();
  RestoreFrameState(startState);
}

void DrawStateFrame(int order, int frame, int frames, int width, int height,
                    unsigned char* pixels) {
  StepFrameClock(order, frame, frames);
  DrawFrame();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
}

FrameDifference CompareFrames(const unsigned char* a, const unsigned char* b,
                              std::size_t pixels) {
  FrameDifference d;
  d.pixels = static_cast<long long>(pixels);
  for (std::size_t i = 0; i < pixels; ++i) {
    int most = 0;
    for (int c = 0; c < 3; ++c) {
      int diff = std::abs(a[i * 3 + c] - b[i * 3 + c]);
      if (diff > most) most = diff;
    }
    d.identical += most == 0;
    d.overTwo += most > 2;
    if (most > d.maxDiff) d.maxDiff = most;
  }
  return d;
}

void AddDifference(FrameDifference& total, const FrameDifference& d) {
  total.pixels += d.pixels;
  total.identical += d.identical;
  total.overTwo += d.overTwo;
  if (d.maxDiff > total.maxDiff) total.maxDiff = d.maxDiff;
}
