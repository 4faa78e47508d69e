// The live audio path: one SDL output device whose callback pulls blocks from the
// module player and notes when each block was handed over, so the position query
// can tell which frame is being heard between callbacks.
#include "music/audio.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <vector>

#include "music/clock.h"
#include "music/player.h"

uint32_t musicHandle = 0;

namespace {

// 1024 frames at 44,100 Hz: 23 ms per callback. The heard position lags the
// decoded one by about this much.
constexpr int kDeviceBufferFrames = 1024;

struct AudioOutput {
  SDL_AudioDeviceID device = 0;  // 0: closed
  bool subsystemStarted = false;
  int sampleRate = 44100;
  int bufferFrames = kDeviceBufferFrames;
  // Written by the callback with the device lock held; read under the lock.
  int64_t blockStartFrame = 0;  // first frame of the block handed over last
  uint64_t blockCounter = 0;    // performance counter when it was handed over
  bool blockSeen = false;       // a block was handed over since the last PlayMusic
  // Seconds between callbacks, averaged: the pace at which the device really
  // takes blocks, which for SDL's timer-driven drivers is not quite the rate.
  double periodSeconds = kDeviceBufferFrames / 44100.0;
};

AudioOutput output;
MusicPlayer player;  // rendered by the callback; touched elsewhere only under the device lock
uint32_t nextHandle = 1;
uint32_t loadedHandle = 0;  // handle of the module in player, 0 when none
bool loadedPlaying = false;
std::atomic<float> outputGain{1.0f};  // 0-1, written by SetAudioVolume
std::atomic<int> positionScaler{64};  // steps per row in the position's high word

// The position's own clock, main thread only: it runs at the device's pace and is
// pulled gently toward the frame the device reports, so callbacks that come in
// uneven bursts do not make the position stall and leap.
struct HeardClock {
  bool started = false;
  double frame = 0;      // frame heard at the last query
  uint64_t counter = 0;  // performance counter of the last query
};
HeardClock heard;
constexpr double kHeardFollowSeconds = 0.1;  // time to close most of a gap

void LockOutput() {
  if (output.device) SDL_LockAudioDevice(output.device);
}
void UnlockOutput() {
  if (output.device) SDL_UnlockAudioDevice(output.device);
}

void FillBlock(void*, Uint8* stream, int bytes) {
  float* samples = reinterpret_cast<float*>(stream);
  int frames = bytes / static_cast<int>(2 * sizeof(float));
  uint64_t now = SDL_GetPerformanceCounter();
  if (output.blockSeen) {
    // A tenth of each new interval, limited to half to twice the nominal period
    // so one stall does not skew the pace for long.
    double nominal = static_cast<double>(output.bufferFrames) / output.sampleRate;
    double interval = static_cast<double>(now - output.blockCounter) /
                      static_cast<double>(SDL_GetPerformanceFrequency());
    interval = std::clamp(interval, 0.5 * nominal, 2.0 * nominal);
    output.periodSeconds += 0.1 * (interval - output.periodSeconds);
  }
  output.blockStartFrame = player.framesRendered;
  output.blockCounter = now;
  output.blockSeen = true;
  RenderMusicFrames(player, samples, frames);
  float gain = outputGain.load(std::memory_order_acquire);
  if (gain != 1.0f)
    for (int i = 0; i < 2 * frames; i++) samples[i] *= gain;
}

// Frames the device plays a second, at the pace it takes blocks.
double FramesPerSecond() { return output.bufferFrames / output.periodSeconds; }

// The frame being heard now by the callbacks' account: the block handed over last
// starts to sound once the one before it has played, a buffer after its hand-over.
int64_t ReportedFrame() {
  if (!output.device || !output.blockSeen) return 0;
  uint64_t ticks = SDL_GetPerformanceCounter() - output.blockCounter;
  int64_t sinceHandover = static_cast<int64_t>(static_cast<double>(ticks) * FramesPerSecond() /
                                               static_cast<double>(SDL_GetPerformanceFrequency()));
  int64_t frame = output.blockStartFrame - output.bufferFrames + sinceHandover;
  frame = std::min(frame, player.framesRendered - 1);
  return std::max<int64_t>(frame, 0);
}

// The reported frame, smoothed: between queries the clock runs dt at the device's
// pace and closes dt / 0.1 s of its distance to the report, never running back
// and never past the last rendered frame. A report two buffers or more ahead
// (the start, a device that caught up after a stall) is taken at once.
int64_t HeardFrame() {
  double reported = static_cast<double>(ReportedFrame());
  uint64_t now = SDL_GetPerformanceCounter();
  if (!heard.started) {
    heard.started = true;
    heard.frame = reported;
  } else {
    double dt = static_cast<double>(now - heard.counter) /
                static_cast<double>(SDL_GetPerformanceFrequency());
    double predicted = heard.frame + dt * FramesPerSecond();
    double gap = reported - predicted;
    double next = gap >= 2.0 * output.bufferFrames
                      ? reported
                      : predicted + gap * std::min(1.0, dt / kHeardFollowSeconds);
    double newest = static_cast<double>(std::max<int64_t>(player.framesRendered - 1, 0));
    heard.frame = std::clamp(next, heard.frame, std::max(heard.frame, newest));
  }
  heard.counter = now;
  return static_cast<int64_t>(heard.frame);
}

int32_t ReadMusicPosition() { return GetMusicPosition(musicHandle); }

}  // namespace

bool InitAudioDevice(int frequency) {
  if (output.device) return true;
  if (frequency <= 0) return false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  output.subsystemStarted = true;
  SDL_AudioSpec want{};
  want.freq = frequency;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = FillBlock;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes, so the
  // callback always sees stereo floats in blocks of kDeviceBufferFrames.
  output.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!output.device) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    output.subsystemStarted = false;
    return false;
  }
  output.sampleRate = have.freq;
  output.bufferFrames = have.samples;
  output.periodSeconds = static_cast<double>(have.samples) / have.freq;
  output.blockSeen = false;
  return true;
}

uint32_t LoadMusic(const char* path, int flags) {
  std::vector<char> bytes;
  if (!path || !ReadModuleFile(path, bytes)) return 0;

  // Decode the file outside the device lock, then swap it in.
  MusicPlayer loaded;
  if (!OpenMusicPlayer(loaded, bytes.data(), bytes.size(), output.sampleRate,
                       (flags & MusicLoadLoop) != 0))
    return 0;
  loaded.eventDelayFrames = output.bufferFrames;
  loaded.handle = nextHandle++;
  if (nextHandle == 0) nextHandle = 1;
  LockOutput();
  std::swap(player, loaded);
  loadedHandle = player.handle;
  loadedPlaying = false;
  output.blockSeen = false;
  UnlockOutput();
  CloseMusicPlayer(loaded);

  musicHandle = player.handle;
  SetPositionSource(ReadMusicPosition);
  SetLoopingPlayback((flags & MusicLoadLoop) != 0);
  return player.handle;
}

void SetMusicSync(uint32_t handle, int type, int, MusicCallback callback, uint32_t user) {
  LockOutput();
  if (handle != 0 && handle == loadedHandle) {
    if (type == MusicSyncEffect) {
      player.syncCallback = callback;
      player.syncUser = user;
    } else if (type == MusicSyncEnd) {
      player.endCallback = callback;
      player.endUser = user;
    }
  }
  UnlockOutput();
}

void SetMusicPositionScaler(uint32_t handle, int scaler) {
  // Up to 256 steps per row keeps the high word within 16 bits for 256-row patterns.
  if (handle != 0 && handle == loadedHandle && scaler >= 1 && scaler <= 256)
    positionScaler.store(scaler, std::memory_order_release);
}

void StartAudioOutput() {
  if (output.device) SDL_PauseAudioDevice(output.device, 0);
}

void PlayMusic(uint32_t handle, int position, int flags, int) {
  LockOutput();
  if (handle != 0 && handle == loadedHandle) {
    if (flags != -1) {
      player.looping = (flags & MusicLoadLoop) != 0;
      SetLoopingPlayback(player.looping);
    }
    RestartMusicPlayer(player, position & 0xFFFF, (position >> 16) & 0xFFFF);
    loadedPlaying = true;
    output.blockSeen = false;
    output.periodSeconds = static_cast<double>(output.bufferFrames) / output.sampleRate;
    heard = HeardClock{};
  }
  UnlockOutput();
}

int32_t GetMusicPosition(uint32_t handle) {
  if (handle == 0 || handle != loadedHandle) return -1;
  LockOutput();
  int32_t word = 0;  // loaded, not yet played: the start
  if (loadedPlaying) {
    MusicPosition pos = MusicPositionAt(player, HeardFrame());
    int scaler = positionScaler.load(std::memory_order_acquire);
    if (pos.order >= 0) {
      int high = pos.row * scaler + pos.fraction * scaler / 64;
      word =
          (pos.order & 0xFFFF) | static_cast<int32_t>(static_cast<uint32_t>(high & 0xFFFF) << 16);
    } else {
      word = -1;
    }
  }
  UnlockOutput();
  return word;
}

void SetAudioVolume(int percent) {
  percent = std::clamp(percent, 0, 100);
  outputGain.store(static_cast<float>(percent) / 100.0f, std::memory_order_release);
}

void FreeAudio() {
  // Closing the device waits for a running callback; none runs after it.
  if (output.device) SDL_CloseAudioDevice(output.device);
  output.device = 0;
  output.blockSeen = false;
  if (output.subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  output.subsystemStarted = false;
  if (loadedHandle) SetPositionSource(nullptr);
  CloseMusicPlayer(player);
  loadedHandle = 0;
  loadedPlaying = false;
  musicHandle = 0;
  positionScaler.store(64);
  outputGain.store(1.0f);
}
