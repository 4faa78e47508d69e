// What a seek costs with the show's soundtrack: the one decode of the whole
// module (on its own thread while the show plays), the table built from it at
// the first seek (DrawFrame with GL calls counted, for the frames with a sync in
// hand), and each seek after that (restart, clock and sync state).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "glrec/glrec.h"
#include "music/clock.h"
#include "player/playback.h"
#include "player/seek_table.h"

namespace {

std::vector<char> Soundtrack() {
  std::vector<char> bytes;
  std::FILE* f = std::fopen(NIVORA_SHOW_DIR "/soundtrack.mo3", "rb");
  if (!f) return bytes;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return bytes;
}

void BM_RecordShowRun(benchmark::State& state) {
  std::vector<char> module = Soundtrack();
  if (module.empty()) return state.SkipWithError("no soundtrack in " NIVORA_SHOW_DIR);
  ShowRun run;
  for (auto _ : state) benchmark::DoNotOptimize(RecordShowRun(module.data(), module.size(), run));
  state.counters["frames"] = static_cast<double>(run.position.size());
}
BENCHMARK(BM_RecordShowRun)->Unit(benchmark::kMillisecond)->Iterations(3);

// The soundtrack's run, with GL calls counted from here on; false without it.
bool RecordSoundtrackRun(ShowRun& run) {
  std::vector<char> module = Soundtrack();
  if (module.empty() || !RecordShowRun(module.data(), module.size(), run)) return false;
  GlrecSetMode(GlrecCount);
  return true;
}

void BM_BuildSeekTable(benchmark::State& state) {
  ShowRun run;
  if (!RecordSoundtrackRun(run)) return state.SkipWithError("no soundtrack in " NIVORA_SHOW_DIR);
  SeekTable table;
  for (auto _ : state) BuildSeekTable(run, table);
  state.counters["orders"] = table.orders;
}
BENCHMARK(BM_BuildSeekTable)->Unit(benchmark::kMillisecond);

// From the start to the last order and back, without an audio device.
void BM_SeekToLastAndBack(benchmark::State& state) {
  ShowRun run;
  if (!RecordSoundtrackRun(run)) return state.SkipWithError("no soundtrack in " NIVORA_SHOW_DIR);
  SeekTable table;
  BuildSeekTable(run, table);
  Playback playback;
  for (auto _ : state) {
    SeekPlayback(playback, table, table.orders - 1);
    SeekPlayback(playback, table, 0);
  }
  ResetDemoClock();
}
BENCHMARK(BM_SeekToLastAndBack)->Unit(benchmark::kMicrosecond);

}  // namespace
