// CPU cost of the effect builders and of whole effect calls per frame. GL calls
// are only counted, so the figures are our own arithmetic and loop work.
#include <benchmark/benchmark.h>

#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects/sheets.h"
#include "effects/tunnel.h"
#include "effects/wobble.h"
#include "glrec/glrec.h"
#include "music/clock.h"

namespace {

// A frame a second after a sync, so the flashes and grey passes are live.
void PrepareFrame() {
  GlrecReset();
  GlrecSetMode(GlrecCount);
  ResetDemoClock();
  demoClock.elapsedMs.store(61000.0f);
  lastSyncMs = 60000;
}

// Phases step from frame to frame as the timeline's do.
float Phase(int frame) { return 20000.0f + 37.0f * static_cast<float>(frame % 4096); }

void BM_BuildTunnelGrids(benchmark::State& state) {
  int frame = 0;
  for (auto _ : state) {
    BuildTunnelGrids(Phase(frame++), gridA, gridB);
    benchmark::DoNotOptimize(gridA.points[0]);
  }
}
BENCHMARK(BM_BuildTunnelGrids);

void BM_BuildRotozoomGrid(benchmark::State& state) {
  int frame = 0;
  for (auto _ : state) {
    BuildRotozoomGrid(Phase(frame++), gridA);
    benchmark::DoNotOptimize(gridA.points[0]);
  }
}
BENCHMARK(BM_BuildRotozoomGrid);

void BM_BuildBowlGrid(benchmark::State& state) {
  int frame = 0;
  for (auto _ : state) {
    float t = Phase(frame++) * 0.001f;
    BuildBowlGrid(t, -t, -0.4f, gridA);
    benchmark::DoNotOptimize(gridA.points[0]);
  }
}
BENCHMARK(BM_BuildBowlGrid);

void BM_BuildInterferenceGrid(benchmark::State& state) {
  int frame = 0;
  for (auto _ : state) {
    BuildInterferenceGrid(Phase(frame++), gridA);
    benchmark::DoNotOptimize(gridA.points[0]);
  }
}
BENCHMARK(BM_BuildInterferenceGrid);

void BM_BuildSwirlSheet(benchmark::State& state) {
  Sheet sheet;
  int frame = 0;
  for (auto _ : state) {
    BuildSwirlSheet(2, Phase(frame++), 0.7f, sheet);
    benchmark::DoNotOptimize(sheet.points[0]);
  }
}
BENCHMARK(BM_BuildSwirlSheet);

void BM_BuildWobbleSheet(benchmark::State& state) {
  Sheet sheet;
  int frame = 0;
  for (auto _ : state) {
    BuildWobbleSheet(Phase(frame++), 150, 1, 0.6f, sheet);
    benchmark::DoNotOptimize(sheet.points[0]);
  }
}
BENCHMARK(BM_BuildWobbleSheet);

template <void (*Draw)(float, float)>
void BM_Effect(benchmark::State& state) {
  PrepareFrame();
  int frame = 0;
  for (auto _ : state) Draw(0.9f, Phase(frame++));
  state.counters["GL calls/frame"] =
      benchmark::Counter(static_cast<double>(GlrecCallCount()) / static_cast<double>(state.iterations()));
}

void DrawBowlFrame(float, float T) { DrawBowlLayers(T); }
void DrawSwirlPairFrame(float fade, float T) { DrawSwirlPair(fade, T, 18, 17); }

BENCHMARK(BM_Effect<DrawTunnelBlend>)->Name("DrawTunnelBlend");
BENCHMARK(BM_Effect<DrawRotozoomBlend>)->Name("DrawRotozoomBlend");
BENCHMARK(BM_Effect<DrawBowlFrame>)->Name("DrawBowlLayers");
BENCHMARK(BM_Effect<DrawInterference>)->Name("DrawInterference");
BENCHMARK(BM_Effect<DrawSwirlPairFrame>)->Name("DrawSwirlPair");
BENCHMARK(BM_Effect<DrawWobbleSheets>)->Name("DrawWobbleSheets");

}  // namespace
