// How smoothly the heard position advances through the live device path: the
// module position sampled at 60 frames a second through SDL's dummy driver, at
// the show's tempo (speed 6, 110 BPM: 136 ms a row, 7.8 steps of 1/64 row per
// frame). Reports the largest and smallest step between consecutive frames;
// positions that jumped by whole device buffers would show steps of 0 and 11.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <string>
#include <thread>

#include "music/audio.h"
#include "test_modules.h"

namespace {

int SongSteps(int32_t pos) { return (pos & 0xFFFF) * 4096 + (pos >> 16); }

void PositionStepAt60Fps(benchmark::State& state) {
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string path = "/tmp/bench_music_smoothness.xm";
  if (!WriteXmFile(path, ToneModule(4, 64, 4, 6, 110)) || !InitAudioDevice(44100)) {
    state.SkipWithError("no dummy audio device");
    return;
  }
  uint32_t handle = LoadMusic(path.c_str(), MusicLoadDefault);
  StartAudioOutput();
  int maxStep = 0, minStep = 1 << 30;
  // Steps over the frames that really passed (sleep overruns on a loaded
  // machine), for frames that lasted at least half a 60th.
  double maxPerFrame = 0, minPerFrame = 1e9;
  int64_t steps = 0, total = 0;
  for (auto _ : state) {
    PlayMusic(handle, 0, -1, 1);
    auto next = std::chrono::steady_clock::now();
    auto last = next;
    int previous = SongSteps(GetMusicPosition(handle));
    for (int frame = 0; frame < 180; frame++) {
      next += std::chrono::microseconds(16667);
      std::this_thread::sleep_until(next);
      int now = SongSteps(GetMusicPosition(handle));
      auto at = std::chrono::steady_clock::now();
      double frames = std::chrono::duration<double>(at - last).count() * 60.0;
      if (frame >= 6) {  // past the first buffers, while the device settles
        maxStep = std::max(maxStep, now - previous);
        minStep = std::min(minStep, now - previous);
        if (frames >= 0.5) {
          maxPerFrame = std::max(maxPerFrame, (now - previous) / frames);
          minPerFrame = std::min(minPerFrame, (now - previous) / frames);
        }
        total += now - previous;
        steps++;
      }
      previous = now;
      last = at;
    }
  }
  FreeAudio();
  std::remove(path.c_str());
  state.counters["maxStep"] = maxStep;
  state.counters["minStep"] = minStep;
  state.counters["maxStepPer60th"] = maxPerFrame;
  state.counters["minStepPer60th"] = minPerFrame;
  state.counters["meanStep"] = steps ? static_cast<double>(total) / steps : 0.0;
  state.counters["idealStep"] = 64.0 * 16.667 / (6 * 1002 / 44.1);
}
BENCHMARK(PositionStepAt60Fps)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
