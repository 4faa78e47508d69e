// The CPU time our own code spends per frame of every order: the GL stand-in
// only counts calls, so what is measured is the scenes, effects, layers and
// object transforms, not GL. Counters: GL calls and vertices per frame.
#include <benchmark/benchmark.h>

#include "assets/textures.h"
#include "frame_clock.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "shell/window.h"
#include "timeline/timeline.h"

namespace {

constexpr int framesPerOrder = 256;

void BM_OrderFrameCpu(benchmark::State& state) {
  int order = static_cast<int>(state.range(0));
  int frame = 0;
  double calls = 0, vertices = 0;
  ResetDemoClock();
  for (auto _ : state) {
    StepFrameClock(order, frame++, framesPerOrder);
    GlrecReset();
    DrawFrame();
    calls += GlrecCallCount();
    vertices += GlrecVertexCount();
  }
  state.counters["gl_calls"] = calls / frame;
  state.counters["vertices"] = vertices / frame;
}

BENCHMARK(BM_OrderFrameCpu)->DenseRange(0, 18)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  for (const TextureLoad& load : textureLoads) TextureTable[load.slot] = 1000 + load.slot;
  benchmark::AddCustomContext("data", LoadShowData(false));
  GlrecSetMode(GlrecCount);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
