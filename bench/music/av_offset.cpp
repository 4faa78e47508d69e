// Picture against sound through the real device path: plays a generated click
// module (a click and a sync on every fourth row, the show's tempo) for a whole
// run at 60 frames a second and reports, in ms,
//   click vs frame: the frame on which the clock first shows a click's row,
//                   against the click's heard time (0-16.7 ms by construction);
//   clock vs click: the instant the clock passes the row's start (between two
//                   frames, from the steps it showed), against the heard time;
//   sync vs frame:  each sync's arrival against the frame that first shows its row;
//   sync vs click:  each sync's arrival against the click's heard time.
// "disk": SDL's disk driver; heard is the latency model's own instant (a block
// sounds one block after its hand-over). The others start a sound server here
// (tests/e2e/sound_session.sh) with a null sink whose monitor parecord records;
// heard is the time the recording received the click's sample. "pulse":
// PulseAudio, through SDL's pulseaudio driver; "pipewire": PipeWire, through
// SDL's pulseaudio driver and pipewire-pulse; "pipewire-native": PipeWire,
// through SDL's own pipewire driver.
//   av_offset disk|pulse|pipewire|pipewire-native [seconds]
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "music/audio.h"
#include "sound_server.h"
#include "test_modules.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSpeed = 6, kBpm = 110;
constexpr int kRowFrames = kSpeed * (kRate * 5 / (2 * kBpm));  // 6012
constexpr int kClickEvery = 4;                                   // rows

// First frames of the clicks: sound after at least 2000 silent frames.
std::vector<int64_t> Onsets(const std::vector<float>& stereo) {
  std::vector<int64_t> at;
  int64_t quiet = 2000;
  for (size_t f = 0; 2 * f + 1 < stereo.size(); f++) {
    float level = std::max(std::fabs(stereo[2 * f]), std::fabs(stereo[2 * f + 1]));
    if (level > 0.02f) {
      if (quiet >= 2000) at.push_back(static_cast<int64_t>(f));
      quiet = 0;
    } else {
      quiet++;
    }
  }
  return at;
}

struct Stats {
  const char* name;
  std::vector<double> ms;
};

void Print(const Stats& s) {
  if (s.ms.empty()) {
    std::printf("| %-16s | %5d |   -    |   -    |   -    |   -    |   -    |\n", s.name, 0);
    return;
  }
  std::vector<double> v = s.ms;
  std::sort(v.begin(), v.end());
  double mean = 0;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  size_t at95 = std::min(v.size() - 1, static_cast<size_t>(std::ceil(0.95 * v.size())) - 1);
  double p95 = v[at95];
  std::vector<double> a;
  for (double x : v) a.push_back(std::fabs(x));
  std::sort(a.begin(), a.end());
  std::printf("| %-16s | %5zu | %6.2f | %6.2f | %6.2f | %6.2f | %6.2f |\n", s.name, v.size(), mean,
              p95, a[at95], v.front(), v.back());
}

std::atomic<int> syncCount{0};
double syncArrival[4096];
void NoteSync(uint32_t, uint32_t, uint32_t, uint32_t) {
  int i = syncCount.fetch_add(1);
  if (i < 4096) syncArrival[i] = BenchNow();
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "disk";
  double seconds = argc > 2 ? std::atof(argv[2]) : 30;
  // The sound server each mode starts, and SDL's driver to it.
  std::string server = mode == "pulse"                                  ? "pulse"
                       : mode == "pipewire" || mode == "pipewire-native" ? "pipewire"
                                                                         : "";
  if (mode != "disk" && server.empty()) {
    std::fprintf(stderr, "usage: av_offset disk|pulse|pipewire|pipewire-native [seconds]\n");
    return 2;
  }
  std::string tag = std::to_string(getpid());
  std::string modulePath = "/tmp/av_offset_" + tag + ".xm";
  std::string diskPath = "/tmp/av_offset_" + tag + ".raw";
  std::string serverDir = "/tmp/av_offset_server_" + tag;
  int orders = static_cast<int>(seconds * kRate / (64.0 * kRowFrames)) + 1;
  if (!WriteXmFile(modulePath, ClickModule(orders, kSpeed, kBpm, kClickEvery))) return 1;

  pid_t session = 0;
  Recording recording;
  if (mode == "disk") {
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", diskPath.c_str(), 1);
  } else {
    session = StartSoundServer(server, serverDir);
    if (!session) {
      std::fprintf(stderr, "av_offset: no %s server could be started\n", server.c_str());
      return 1;
    }
    SDL_setenv("SDL_AUDIODRIVER", mode == "pipewire-native" ? "pipewire" : "pulseaudio", 1);
    if (!StartRecording(recording, server, serverDir)) {
      std::fprintf(stderr, "av_offset: parecord could not be started\n");
      StopSoundServer(session, serverDir);
      return 1;
    }
  }
  if (!InitAudioDevice(44100)) {
    std::fprintf(stderr, "av_offset: no %s audio device: %s\n", mode.c_str(), SDL_GetError());
    if (session) StopSoundServer(session, serverDir);
    return 1;
  }
  uint32_t handle = LoadMusic(modulePath.c_str(), MusicLoadDefault);
  SetMusicSync(handle, MusicSyncEffect, 1, NoteSync, 0);
  StartAudioOutput();
  SDL_Delay(500);  // the device and the recorder settle on silence

  std::vector<double> frameTime;
  std::vector<int> frameSteps;
  std::vector<int> syncsBy;  // syncs arrived by the end of each frame
  std::vector<AudioHandover> handovers;
  AudioHandover recent[64];
  PlayMusic(handle, 0, -1, 1);
  auto next = std::chrono::steady_clock::now();
  int frames = static_cast<int>(seconds * 60);
  for (int f = 0; f < frames; f++) {
    next += std::chrono::microseconds(16667);
    std::this_thread::sleep_until(next);
    double t = BenchNow();
    int32_t pos = GetMusicPosition(handle);
    frameTime.push_back(t);
    frameSteps.push_back(pos < 0 ? -1 : (pos & 0xFFFF) * 4096 + (pos >> 16));
    syncsBy.push_back(syncCount.load());
    int n = ReadAudioHandovers(recent, 64);
    for (int i = 0; i < n; i++)
      if (handovers.empty() || recent[i].firstFrame > handovers.back().firstFrame)
        handovers.push_back(recent[i]);
  }
  int bufferFrames = handovers.size() > 1
                         ? static_cast<int>(handovers[1].firstFrame - handovers[0].firstFrame)
                         : 0;
  int shortBlocks = ReadAudioShortBlocks();
  FreeAudio();

  std::vector<float> heardStream;
  if (mode == "disk") {
    std::ifstream in(diskPath, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    heardStream.assign(reinterpret_cast<const float*>(bytes.data()),
                       reinterpret_cast<const float*>(bytes.data()) + bytes.size() / sizeof(float));
    std::remove(diskPath.c_str());
  } else {
    SDL_Delay(300);
    StopRecording(recording);
    heardStream = recording.samples;
    StopSoundServer(session, serverDir);
  }
  std::remove(modulePath.c_str());

  std::vector<int64_t> onsets = Onsets(heardStream);
  if (onsets.size() < 3) {
    std::fprintf(stderr, "av_offset: no clicks found in the %s output\n", mode.c_str());
    return 1;
  }
  const int64_t interval = static_cast<int64_t>(kClickEvery) * kRowFrames;
  // The latency model's instant for stream frame s: its block sounds one block
  // after it was handed over.
  auto modelAt = [&](int64_t stream) {
    for (size_t b = 0; b + 1 < handovers.size(); b++)
      if (handovers[b].firstFrame <= stream && stream < handovers[b + 1].firstFrame)
        return handovers[b].seconds +
               static_cast<double>(bufferFrames + stream - handovers[b].firstFrame) / kRate;
    return static_cast<double>(NAN);
  };
  int clicks = static_cast<int>(frames / 60.0 * kRate / interval) + 2;
  std::vector<double> heard(clicks, NAN);
  int64_t worstPlacement = 0;
  if (mode == "disk") {
    // The file holds every block: the first click is stream frame 0, the rest
    // must fall on their row starts.
    for (size_t i = 0; i < onsets.size(); i++) {
      int64_t k = (onsets[i] - onsets[0] + interval / 2) / interval;
      worstPlacement = std::max<int64_t>(worstPlacement, std::llabs(onsets[i] - onsets[0] - k * interval));
      if (k < clicks) heard[k] = modelAt(k * interval);
    }
  } else {
    // A recording that lost or gained frames (an underrun) cannot be counted
    // through: each recorded click goes to the row whose model instant lies
    // nearest the time it was received (they are 545 ms apart).
    for (int64_t onset : onsets) {
      double at = ReceivedAt(recording, onset);
      int best = -1;
      for (int k = 0; k < clicks; k++) {
        double model = modelAt(static_cast<int64_t>(k) * interval);
        if (!std::isnan(model) && (best < 0 || std::fabs(model - at) <
                                                    std::fabs(modelAt(best * interval) - at)))
          best = k;
      }
      if (best >= 0 && std::isnan(heard[best])) heard[best] = at;
    }
  }

  Stats clickFrame{"click vs frame", {}}, clockClick{"clock vs click", {}},
      syncFrame{"sync vs frame", {}}, syncClick{"sync vs click", {}};
  int syncsSeen = std::min(syncCount.load(), 4096);
  for (size_t k = 0; k < heard.size(); k++) {
    if (std::isnan(heard[k])) continue;
    int steps = static_cast<int>(k) * kClickEvery * 64;  // the click row's song steps
    size_t j = 0;
    while (j < frameSteps.size() && frameSteps[j] < steps) j++;
    if (j == 0 || j == frameSteps.size()) continue;
    clickFrame.ms.push_back((frameTime[j] - heard[k]) * 1000);
    double part = static_cast<double>(steps - frameSteps[j - 1]) / (frameSteps[j] - frameSteps[j - 1]);
    double crossing = frameTime[j - 1] + part * (frameTime[j] - frameTime[j - 1]);
    clockClick.ms.push_back((crossing - heard[k]) * 1000);
    if (std::getenv("AV_OFFSET_VERBOSE"))
      std::printf("click %zu: heard %.4f frame %+.2f ms clock %+.2f ms\n", k, heard[k],
                  (frameTime[j] - heard[k]) * 1000, (crossing - heard[k]) * 1000);
    if (static_cast<int>(k) < syncsSeen) {
      syncClick.ms.push_back((syncArrival[k] - heard[k]) * 1000);
      syncFrame.ms.push_back((syncArrival[k] - frameTime[j]) * 1000);
      if (k > 0 && syncsBy[j - 1] > static_cast<int>(k))
        std::printf("sync %zu arrived before the frame that shows its row\n", k);
    }
  }
  double pace = handovers.size() > 1
                    ? (handovers.back().firstFrame - handovers.front().firstFrame) /
                          (handovers.back().seconds - handovers.front().seconds)
                    : 0;
  if (std::getenv("AV_OFFSET_VERBOSE") && handovers.size() > 2) {
    // Residuals of the hand-over times about the straight line through the ends.
    double t0 = handovers.front().seconds;
    std::vector<double> r;
    for (const AudioHandover& h : handovers)
      r.push_back((h.seconds - t0 - (h.firstFrame - handovers.front().firstFrame) / pace) * 1000);
    double lo = *std::min_element(r.begin(), r.end()), hi = *std::max_element(r.begin(), r.end());
    std::printf("hand-over residuals: %.2f .. %.2f ms over %zu blocks\n", lo, hi, r.size());
    for (size_t i = 1; i < std::min<size_t>(r.size(), 40); i++) std::printf("%.1f ", r[i] - r[i - 1]);
    std::printf("\n");
  }
  std::printf("av_offset %s: %.0f s at 60 fps, blocks of %d frames taken at %.0f frames/s, "
              "%zu clicks, %d syncs, clicks in the file on their row starts within %lld frames, "
              "%d blocks the decoded stream fell short of\n",
              mode.c_str(), seconds, bufferFrames, pace, onsets.size(), syncsSeen,
              static_cast<long long>(worstPlacement), shortBlocks);
  std::printf("| offset (ms)      | count |  mean  |  p95   | p95 |x||  min   |  max   |\n");
  std::printf("|------------------|-------|--------|--------|--------|--------|--------|\n");
  for (const Stats* s : {&clickFrame, &clockClick, &syncFrame, &syncClick}) Print(*s);
  return 0;
}
