// The desktop's audio output: one SDL audio device, stereo floats.
#include "music/audio_output.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>

#include <cstdlib>
#include <cstring>

#include "music/pulse_server.h"

namespace {

SDL_AudioDeviceID device = 0;  // 0: closed
AudioFill fillBlock = nullptr;

// Realtime scheduling at the given priority for the calling thread, where the
// process may have it. SDL asks only a desktop broker for it, and without one
// leaves its thread on a nice value, which ranks it only against this
// process's own threads: on cores others keep busy the device thread came late
// for the server's one-block buffer and the decoder let the ring run dry.
// Below a sound server's own (5 for PulseAudio).
bool AskRealtime(int priority) {
  sched_param realtime{};
  realtime.sched_priority = priority;
  return pthread_setschedparam(pthread_self(), SCHED_RR, &realtime) == 0;
}

// The device thread asks the first time it fills, above the decoder.
void RaiseDeviceThread() {
  thread_local bool raised = false;
  if (raised) return;
  raised = true;
  AskRealtime(3);
}

void FillFromCallback(void*, Uint8* stream, int bytes) {
  RaiseDeviceThread();
  fillBlock(reinterpret_cast<float*>(stream), bytes / static_cast<int>(2 * sizeof(float)));
}

// The driver's latency against the one block SDL's double buffering implies, in
// frames. SDL's PulseAudio driver asks the server for a one-block target and
// hands a block over once that much room is free, when the server has all but
// played out what it held: a null sink's monitor receives a block half a block
// after it was handed over (measured with av_offset at 512 frames). PipeWire's
// pulse server takes the same stream in cycles of its small latency request
// and keeps more: its monitor receives a block about a block and a quarter
// after the hand-over (av_offset "pipewire", 60 s on a quiet machine: at one
// and a half, the clock ran 2.3 ms behind the monitor). SDL's own PipeWire driver hands
// its block to the graph a cycle ahead too: at one block the clock ran 7.9 ms
// ahead of the monitor (av_offset "pipewire-native", 60 s, quiet machine).
int DriverLatencyAdjustment(const char* driver, int bufferFrames) {
  if (driver && std::strcmp(driver, "pipewire") == 0) return bufferFrames / 2;
  if (!driver || std::strcmp(driver, "pulseaudio") != 0) return 0;
  if (PulseSocketServedByPipeWire(std::getenv("PULSE_SERVER"), std::getenv("XDG_RUNTIME_DIR")))
    return bufferFrames / 4;
  return -bufferFrames / 2;
}

}  // namespace

bool OpenAudioOutput(int sampleRate, int blockFrames, AudioFill fill, AudioOutputFormat& got) {
  if (device != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  SDL_AudioSpec want{};
  want.freq = sampleRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(blockFrames);
  want.callback = FillFromCallback;
  SDL_AudioSpec have{};
  fillBlock = fill;
  // No changes allowed: SDL converts to whatever the hardware takes, so the
  // callback always sees stereo floats in blocks of blockFrames.
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  got.sampleRate = have.freq;
  got.blockFrames = have.samples;
  got.latencyAdjustFrames = DriverLatencyAdjustment(SDL_GetCurrentAudioDriver(), have.samples);
  return true;
}

bool AudioOutputOpen() { return device != 0; }

void RunAudioOutput(bool running) {
  if (device != 0) SDL_PauseAudioDevice(device, running ? 0 : 1);
}

void LockAudioOutput() {
  if (device != 0) SDL_LockAudioDevice(device);
}

void UnlockAudioOutput() {
  if (device != 0) SDL_UnlockAudioDevice(device);
}

double ReadAudioClockSeconds() {
  return static_cast<double>(SDL_GetPerformanceCounter()) /
         static_cast<double>(SDL_GetPerformanceFrequency());
}

void RaiseAudioThreadPriority() {
  // Else SDL's high priority: a lower nice value where the process may set
  // one, else what the desktop's realtime broker grants, else nothing.
  if (!AskRealtime(2)) SDL_SetThreadPriority(SDL_THREAD_PRIORITY_HIGH);
}

void CloseAudioOutput() {
  if (device == 0) return;
  SDL_CloseAudioDevice(device);
  device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
