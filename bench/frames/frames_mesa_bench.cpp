// Frame times of every order through the system's GL at 640x480: each iteration
// draws one frame at the next clock position and waits for GL to finish it.
// Counters: median and slowest frame in ms, and the full-screen-equivalent
// layers drawn (fragments that passed, over 640 x 480).
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "frame_clock.h"
#include "music/clock.h"
#include "shell/offscreen_gl.h"
#include "shell/window.h"
#include "timeline/timeline.h"

namespace {

constexpr int framesPerOrder = 64;
GLuint samplesQuery = 0;

void BM_OrderFrameMesa(benchmark::State& state) {
  int order = static_cast<int>(state.range(0));
  std::vector<double> frameMs;
  double samples = 0;
  int frame = 0;
  ResetDemoClock();
  // One frame first, untimed: llvmpipe compiles its code for each new state
  // combination on first use, which the show pays once, not every frame.
  StepFrameClock(order, framesPerOrder / 2, framesPerOrder);
  DrawFrame();
  glFinish();
  for (auto _ : state) {
    StepFrameClock(order, frame++, framesPerOrder);
    auto start = std::chrono::steady_clock::now();
    glBeginQuery(GL_SAMPLES_PASSED, samplesQuery);
    DrawFrame();
    glEndQuery(GL_SAMPLES_PASSED);
    glFinish();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    frameMs.push_back(seconds * 1000);
    GLuint passed = 0;
    glGetQueryObjectuiv(samplesQuery, GL_QUERY_RESULT, &passed);
    samples += passed;
    SwapOffscreenGl();
  }
  if (glGetError() != GL_NO_ERROR) state.SkipWithError("GL error");
  std::sort(frameMs.begin(), frameMs.end());
  state.counters["median_ms"] = frameMs[frameMs.size() / 2];
  state.counters["slowest_ms"] = frameMs.back();
  state.counters["layers"] = samples / frameMs.size() / (640.0 * 480.0);
}

BENCHMARK(BM_OrderFrameMesa)
    ->DenseRange(0, 18)
    ->Iterations(framesPerOrder)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string error;
  if (!OpenOffscreenGl(640, 480, error)) {
    std::fprintf(stderr, "bench_frames_mesa: %s\n", error.c_str());
    return 1;
  }
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  InitGlState(640, 480);
  benchmark::AddCustomContext("renderer", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  benchmark::AddCustomContext("data", LoadShowData(true));
  glGenQueries(1, &samplesQuery);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CloseOffscreenGl();
  return 0;
}
