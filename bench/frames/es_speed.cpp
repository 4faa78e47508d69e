// Frame times of every order through both GL backends on the system's GL, at
// 640x480 and 1920x1080: the fixed-function GL and the ES 3 backend, both
// reached through the recording stand-in's forward mode. Per order: the
// wall time of a frame (drawn and finished), the main thread's CPU time in it
// (our code and the GL's front end; llvmpipe rasterises on threads of its
// own), all threads' CPU time in it (the figure load changes least), the full-screen layers it fills (samples passed over the frame's
// pixels, counted on the fixed-function GL) and its fill floor: those layers
// times one full-screen textured, blended layer's time. The two backends take
// turns, `--rounds N` times (default 3), and each figure is the lowest of the
// rounds' medians: other work on the machine only ever adds time, and taking
// turns lets both backends meet the same load.
//
//   bench_es_speed [--rounds N] [--frames N] [--order K] [--size 640|1080]
#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

struct Options {
  int rounds = 3;
  int frames = 16;      // per order, spread over it
  int onlyOrder = -1;   // all
  int onlyHeight = 0;   // both sizes
};
Options options;

struct OrderTimes {
  double wallMs = 0, cpuMs = 0, allCpuMs = 0, layers = 0;
};

struct Pass {
  OrderTimes order[orders];
  double layerMs = 0;  // one full-screen textured, blended layer
};

// The lower of each figure; a pass not yet run holds zeros.
void KeepFaster(Pass& best, const Pass& round) {
  auto lower = [](double a, double b) { return a == 0 ? b : std::min(a, b); };
  for (int o = 0; o < orders; ++o) {
    best.order[o].wallMs = lower(best.order[o].wallMs, round.order[o].wallMs);
    best.order[o].cpuMs = lower(best.order[o].cpuMs, round.order[o].cpuMs);
    best.order[o].allCpuMs = lower(best.order[o].allCpuMs, round.order[o].allCpuMs);
    if (round.order[o].layers > 0) best.order[o].layers = round.order[o].layers;
  }
  best.layerMs = lower(best.layerMs, round.layerMs);
}

// The main thread's, or with CLOCK_PROCESS_CPUTIME_ID all threads' (the
// rasteriser's with ours): CPU time is what load leaves alone.
double CpuMs(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
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
  return *std::min_element(ms.begin(), ms.end());
}

// A counting pass (fixed-function only) takes the layers; the timed passes run
// without the query, which would keep llvmpipe off its fast paths.
bool RunPass(bool es, bool countLayers, int width, int height, Pass& pass) {
  std::string error;
  if (!OpenBackend(es, width, height, error)) {
    std::fprintf(stderr, "es_speed: %s\n", error.c_str());
    return false;
  }
  Query q{};
  if (countLayers) {
    q.Gen = reinterpret_cast<decltype(q.Gen)>(ReadGlProc("glGenQueries"));
    q.Begin = reinterpret_cast<decltype(q.Begin)>(ReadGlProc("glBeginQuery"));
    q.End = reinterpret_cast<decltype(q.End)>(ReadGlProc("glEndQuery"));
    q.Result = reinterpret_cast<decltype(q.Result)>(ReadGlProc("glGetQueryObjectuiv"));
    q.Gen(1, &q.name);
  }
  ResetShowState();
  for (int order = 0; order < orders; ++order) {
    if (options.onlyOrder >= 0 && order != options.onlyOrder) continue;
    const int framesPerOrder = options.frames;
    // One frame first, untimed: llvmpipe compiles its code for each new state.
    StepFrameClock(order, framesPerOrder / 2, framesPerOrder);
    DrawFrame();
    glFinish();
    std::vector<double> wall, cpu, allCpu;
    double samples = 0;
    for (int f = 0; f < framesPerOrder; ++f) {
      StepFrameClock(order, f, framesPerOrder);
      if (countLayers) q.Begin(GL_SAMPLES_PASSED, q.name);
      auto start = std::chrono::steady_clock::now();
      double cpuStart = CpuMs(CLOCK_THREAD_CPUTIME_ID);
      double allCpuStart = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
      DrawFrame();
      glFinish();
      cpu.push_back(CpuMs(CLOCK_THREAD_CPUTIME_ID) - cpuStart);
      allCpu.push_back(CpuMs(CLOCK_PROCESS_CPUTIME_ID) - allCpuStart);
      wall.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
      if (countLayers) {
        q.End(GL_SAMPLES_PASSED);
        GLuint passed = 0;
        q.Result(q.name, GL_QUERY_RESULT, &passed);
        samples += passed;
      }
      SwapOffscreenGl();
    }
    pass.order[order] = {Median(wall), Median(cpu), Median(allCpu),
                         samples / framesPerOrder / (double{1} * width * height)};
  }
  BeginFrame(0, 0, 0);
  pass.layerMs = MeasureLayerMs();
  CloseBackend(es);
  return true;
}

// The floor is the order's layers times the faster backend's layer: the
// rasteriser's own fill time on this machine.
void PrintTable(int width, int height, const Pass& fixed, const Pass& es) {
  double layerMs = std::min(fixed.layerMs, es.layerMs);
  std::printf("\n%dx%d: one full-screen layer %.2f ms fixed-function, %.2f ms ES\n", width, height,
              fixed.layerMs, es.layerMs);
  std::printf("| order | layers | fill floor ms | fixed ms (CPU ours, all) | ES ms (CPU ours, all) | "
              "ES / fixed | ES / floor | CPU all: ES / fixed |\n|---|---|---|---|---|---|---|---|\n");
  for (int o = 0; o < orders; ++o) {
    if (options.onlyOrder >= 0 && o != options.onlyOrder) continue;
    const OrderTimes& f = fixed.order[o];
    const OrderTimes& e = es.order[o];
    double floor = f.layers * layerMs;
    std::printf("| %d | %.1f | %.1f | %.1f (%.1f, %.1f) | %.1f (%.1f, %.1f) | %.2f | %.2f | %.2f |\n",
                o, f.layers, floor, f.wallMs, f.cpuMs, f.allCpuMs, e.wallMs, e.cpuMs, e.allCpuMs,
                e.wallMs / f.wallMs, floor > 0 ? e.wallMs / floor : 0.0, e.allCpuMs / f.allCpuMs);
  }
}

double LoadAverage() {
  double load[1] = {0};
  return getloadavg(load, 1) == 1 ? load[0] : -1;
}

bool ReadOptions(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; i += 2) {
    int value = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--rounds") == 0) options.rounds = value;
    else if (std::strcmp(argv[i], "--frames") == 0) options.frames = value;
    else if (std::strcmp(argv[i], "--order") == 0) options.onlyOrder = value;
    else if (std::strcmp(argv[i], "--size") == 0) options.onlyHeight = value;
    else return false;
  }
  return argc % 2 == 1 && options.rounds >= 1 && options.frames >= 1 && options.frames <= 256 &&
         options.onlyOrder < orders && (options.onlyHeight == 0 || options.onlyHeight == 480 ||
                                        options.onlyHeight == 640 || options.onlyHeight == 1080);
}

}  // namespace

int main(int argc, char** argv) {
  if (!ReadOptions(argc, argv)) {
    std::fprintf(stderr, "usage: bench_es_speed [--rounds N] [--frames N] [--order K] "
                         "[--size 640|1080]\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  std::printf("load average %.2f at the start; %d rounds of %d frames per order\n", LoadAverage(),
              options.rounds, options.frames);
  const int sizes[2][2] = {{640, 480}, {1920, 1080}};
  for (const auto& size : sizes) {
    bool wanted = options.onlyHeight == 0 || options.onlyHeight == size[1] ||
                  options.onlyHeight == size[0];
    if (!wanted) continue;
    Pass counted, fixed, es;
    if (!RunPass(false, true, size[0], size[1], counted)) return 1;
    for (int r = 0; r < options.rounds; ++r) {
      Pass round;
      if (!RunPass(false, false, size[0], size[1], round)) return 1;
      KeepFaster(fixed, round);
      round = Pass{};
      if (!RunPass(true, false, size[0], size[1], round)) return 1;
      KeepFaster(es, round);
    }
    for (int o = 0; o < orders; ++o) fixed.order[o].layers = counted.order[o].layers;
    PrintTable(size[0], size[1], fixed, es);
    std::fflush(stdout);
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("\nload average %.2f at the end; %.0f s in all\n", LoadAverage(), seconds);
  return 0;
}
