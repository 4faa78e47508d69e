// Frame times of every order through both GL backends on the system's GL, at
// 640x480 and 1920x1080: the fixed-function GL and the ES 3 backend, both
// reached through the recording stand-in's forward mode. Per order: the
// median wall time of a frame (drawn and finished), the main thread's CPU
// time in it (our code and the GL's front end; llvmpipe rasterises on threads
// of its own), the full-screen layers it fills (samples passed over the
// frame's pixels, counted on the fixed-function GL) and its fill floor: those
// layers times one full-screen textured, blended layer's time.
#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "backend_frames.h"
#include "frame_clock.h"
#include "layers/primitives.h"
#include "shell/offscreen_gl.h"
#include "shell/window.h"
#include "timeline/timeline.h"

namespace {

constexpr int orders = 19;
constexpr int framesPerOrder = 16;

struct OrderTimes {
  double wallMs = 0, cpuMs = 0, layers = 0;
};

struct Pass {
  OrderTimes order[orders];
  double layerMs = 0;  // one full-screen textured, blended layer
};

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The fixed-function GL's samples-passed query, looked up beside the stand-in.
struct Query {
  void (*Gen)(GLsizei, GLuint*);
  void (*Begin)(GLenum, GLuint);
  void (*End)(GLenum);
  void (*Result)(GLuint, GLenum, GLuint*);
  GLuint name = 0;
};

double MeasureLayerMs() {
  std::vector<double> ms;
  for (int i = 0; i < 9; ++i) {
    glFinish();
    auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < 10; ++k) DrawScreenTexAdd(0, 0, 1, 1, 0.5f, TextureTable[SlotTex1]);
    glFinish();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count() / 10);
  }
  return Median(ms);
}

bool RunPass(bool es, int width, int height, Pass& pass) {
  std::string error;
  if (!OpenBackend(es, width, height, error)) {
    std::fprintf(stderr, "es_speed: %s\n", error.c_str());
    return false;
  }
  Query q{};
  if (!es) {
    q.Gen = reinterpret_cast<decltype(q.Gen)>(ReadGlProc("glGenQueries"));
    q.Begin = reinterpret_cast<decltype(q.Begin)>(ReadGlProc("glBeginQuery"));
    q.End = reinterpret_cast<decltype(q.End)>(ReadGlProc("glEndQuery"));
    q.Result = reinterpret_cast<decltype(q.Result)>(ReadGlProc("glGetQueryObjectuiv"));
    q.Gen(1, &q.name);
  }
  ResetShowState();
  for (int order = 0; order < orders; ++order) {
    // One frame first, untimed: llvmpipe compiles its code for each new state.
    StepFrameClock(order, framesPerOrder / 2, framesPerOrder);
    DrawFrame();
    glFinish();
    std::vector<double> wall, cpu;
    double samples = 0;
    for (int f = 0; f < framesPerOrder; ++f) {
      StepFrameClock(order, f, framesPerOrder);
      if (!es) q.Begin(GL_SAMPLES_PASSED, q.name);
      auto start = std::chrono::steady_clock::now();
      double cpuStart = ThreadCpuMs();
      DrawFrame();
      glFinish();
      cpu.push_back(ThreadCpuMs() - cpuStart);
      wall.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
      if (!es) {
        q.End(GL_SAMPLES_PASSED);
        GLuint passed = 0;
        q.Result(q.name, GL_QUERY_RESULT, &passed);
        samples += passed;
      }
      SwapOffscreenGl();
    }
    pass.order[order] = {Median(wall), Median(cpu),
                         samples / framesPerOrder / (double{1} * width * height)};
  }
  BeginFrame(0, 0, 0);
  pass.layerMs = MeasureLayerMs();
  CloseBackend(es);
  return true;
}

void PrintTable(int width, int height, const Pass& fixed, const Pass& es) {
  std::printf("\n%dx%d: one full-screen layer %.2f ms fixed-function, %.2f ms ES\n", width, height,
              fixed.layerMs, es.layerMs);
  std::printf("| order | layers | fill floor ms | fixed ms (CPU) | ES ms (CPU) | ES / fixed | "
              "ES / floor |\n|---|---|---|---|---|---|---|\n");
  for (int o = 0; o < orders; ++o) {
    const OrderTimes& f = fixed.order[o];
    const OrderTimes& e = es.order[o];
    double floor = f.layers * es.layerMs;
    std::printf("| %d | %.1f | %.1f | %.1f (%.1f) | %.1f (%.1f) | %.2f | %.2f |\n", o, f.layers,
                floor, f.wallMs, f.cpuMs, e.wallMs, e.cpuMs, e.wallMs / f.wallMs,
                floor > 0 ? e.wallMs / floor : 0.0);
  }
}

}  // namespace

int main() {
  const int sizes[2][2] = {{640, 480}, {1920, 1080}};
  for (const auto& size : sizes) {
    Pass fixed, es;
    if (!RunPass(false, size[0], size[1], fixed) || !RunPass(true, size[0], size[1], es)) return 1;
    PrintTable(size[0], size[1], fixed, es);
  }
  return 0;
}
