// The live audio path: one output (music/audio_output.h) whose callback pulls
// blocks from the module player and notes when each block was handed over, so
// the position query can tell which frame is being heard between callbacks.
#include "music/audio.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "music/audio_output.h"
#include "music/clock.h"
#include "music/heard_clock.h"
#include "music/player.h"

uint32_t musicHandle = 0;

namespace {

// 512 frames at 44,100 Hz: 11.6 ms per block, half the latency of 1024. At 256
// SDL's timer-driven drivers (disk, dummy) sleep a truncated 5 ms per 5.8 ms
// block and take blocks 8% faster than they play, and PulseAudio underran no
// less often on a loaded two-core machine than at 512.
constexpr int deviceBufferFrames = 512;

// The volume moves at most this far per second, one step per sample: the run
// sequence's 21 calls at teardown become a straight fade over 0.3 s, about what
// its 21 one-millisecond sleeps lasted where a sleep took a whole 15.6 ms timer
// tick, long enough to be heard as a fade, short enough that Escape feels
// immediate.
constexpr double fadeSeconds = 0.3;

struct AudioOutput {
  bool open = false;
  int sampleRate = 44100;
  int bufferFrames = deviceBufferFrames;
  // Written by the callback with the device lock held; read under the lock.
  double gain = 1.0;              // applied to the last sample handed over
  float gainTarget = 1.0f;        // the volume that gain is moving to
  int64_t gainSettledFrame = 0;   // first stream frame at the target (when gain == target)
};

AudioOutput output;
MusicPlayer player;  // rendered by the callback; touched elsewhere only under the device lock
HeardClock heard;    // hand-overs by the callback, queries by the main thread, under the lock
uint32_t nextHandle = 1;
uint32_t loadedHandle = 0;  // handle of the module in player, 0 when none
bool loadedPlaying = false;
std::atomic<float> outputGain{1.0f};  // 0-1, written by SetAudioVolume
std::atomic<int> positionScaler{64};  // steps per row in the position's high word

// Main thread only: set by HoldAudioOutput.
struct OutputHold {
  bool held = false;
  double since = 0;    // when the hold began, seconds on the performance counter
  int64_t frame = 0;   // the frame heard then, reported until it ends
};
OutputHold hold;

void LockOutput() {
  if (output.open) LockAudioOutput();
}
void UnlockOutput() {
  if (output.open) UnlockAudioOutput();
}

double NowSeconds() { return ReadAudioClockSeconds(); }

// Moves the gain toward the volume set last, one step a sample, and applies it.
void ApplyGain(float* samples, int frames, int64_t firstFrame) {
  float target = outputGain.load(std::memory_order_acquire);
  if (target != output.gainTarget) {
    output.gainTarget = target;
    output.gainSettledFrame = -1;
  }
  if (output.gain == target && output.gainSettledFrame < 0) output.gainSettledFrame = firstFrame;
  double step = 1.0 / (fadeSeconds * output.sampleRate);
  for (int f = 0; f < frames; f++) {
    if (output.gain != target) {
      output.gain = output.gain > target ? std::max<double>(target, output.gain - step)
                                         : std::min<double>(target, output.gain + step);
      if (output.gain == target) output.gainSettledFrame = firstFrame + f;
    }
    samples[2 * f] = static_cast<float>(samples[2 * f] * output.gain);
    samples[2 * f + 1] = static_cast<float>(samples[2 * f + 1] * output.gain);
  }
}

void FillBlock(float* samples, int frames) {
  int64_t first = player.framesRendered;
  NoteBlockHandedOver(heard, NowSeconds(), first);
  RenderMusicFrames(player, samples, frames);
  ApplyGain(samples, frames, first);
}

// The frame heard now; 0 before the first block of the stream was taken.
int64_t HeardFrame() {
  if (!output.open) return 0;
  return std::max<int64_t>(0, AdvanceHeardClock(heard, NowSeconds(), player.framesRendered - 1));
}

int32_t ReadMusicPosition() { return GetMusicPosition(musicHandle); }

}  // namespace

bool InitAudioDevice(int frequency) {
  if (output.open) return true;
  if (frequency <= 0) return false;
  AudioOutputFormat got;
  if (!OpenAudioOutput(frequency, deviceBufferFrames, FillBlock, got)) return false;
  output.open = true;
  output.sampleRate = got.sampleRate;
  output.bufferFrames = got.blockFrames;
  output.gain = 1.0;
  output.gainTarget = 1.0f;
  output.gainSettledFrame = 0;
  ResetHeardClock(heard, got.sampleRate, got.blockFrames, got.latencyAdjustFrames);
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
  // Callbacks wait in the queue until their frame is heard (GetMusicPosition).
  loaded.fireWhenRendered = false;
  loaded.handle = nextHandle++;
  if (nextHandle == 0) nextHandle = 1;
  LockOutput();
  std::swap(player, loaded);
  loadedHandle = player.handle;
  loadedPlaying = false;
  RestartHeardClock(heard);
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
  if (output.open) RunAudioOutput(true);
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
    RestartHeardClock(heard);
    output.gainSettledFrame = output.gain == output.gainTarget ? 0 : -1;
    hold.frame = 0;  // a restart while held holds at its first frame
  }
  UnlockOutput();
}

int32_t GetMusicPosition(uint32_t handle) {
  if (handle == 0 || handle != loadedHandle) return -1;
  LockOutput();
  int32_t word = 0;  // loaded, not yet played: the start
  if (loadedPlaying) {
    int64_t frame = hold.held ? hold.frame : HeardFrame();
    // Syncs and the end as their rows are heard, stamped by this refresh.
    FireHeardMusicEvents(player, frame);
    MusicPosition pos = MusicPositionAt(player, frame);
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

bool AudioFadeFinished() {
  if (!output.open) return true;
  LockOutput();
  bool settled = output.gain == output.gainTarget &&
                 output.gainTarget == outputGain.load(std::memory_order_acquire) &&
                 output.gainSettledFrame >= 0;
  int64_t frame = HeardFrame();
  // Nothing left to hear once the module's end has been heard.
  bool silent = player.endFrame >= 0 && frame >= player.endFrame;
  bool done = silent || !loadedPlaying || (settled && frame >= output.gainSettledFrame);
  UnlockOutput();
  return done;
}

void FinishAudioFade() {
  // Held output plays nothing: there is no fade to hear out.
  if (hold.held) return;
  // The fade plus a generous latency; a device that stops taking blocks cannot
  // hold the show open.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!AudioFadeFinished() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void HoldAudioOutput(bool held) {
  if (!output.open || held == hold.held) return;
  if (held) {
    // Once stopped the callback is not called again; the block last handed
    // over still sounds.
    RunAudioOutput(false);
    LockOutput();
    hold.frame = loadedPlaying ? HeardFrame() : 0;
    hold.since = NowSeconds();
    hold.held = true;
    UnlockOutput();
  } else {
    LockOutput();
    // The time held does not count: every hand-over and the clock's last query
    // move on by it, so the position goes on from the held frame.
    ShiftHeardClock(heard, NowSeconds() - hold.since);
    hold.held = false;
    UnlockOutput();
    RunAudioOutput(true);
  }
}

int ReadAudioHandovers(AudioHandover* out, int max) {
  if (!output.open || !out || max <= 0) return 0;
  LockOutput();
  int count = std::min({max, heard.handovers, heardHistory});
  for (int i = 0; i < count; i++) {
    int at = (heard.handovers - count + i) % heardHistory;
    out[i].seconds = heard.time[at];
    out[i].firstFrame = heard.startFrame[at];
  }
  UnlockOutput();
  return count;
}

void FreeAudio() {
  // Closing waits for a running callback; none runs after it.
  if (output.open) CloseAudioOutput();
  output.open = false;
  hold = OutputHold{};
  if (loadedHandle) SetPositionSource(nullptr);
  CloseMusicPlayer(player);
  loadedHandle = 0;
  loadedPlaying = false;
  musicHandle = 0;
  positionScaler.store(64);
  outputGain.store(1.0f);
}
