// The audio half of the platform seam, as the run sequence talks to it: version
// check, output device, module load, sync and end callbacks, position scaler,
// playback, position query, volume and release. Decoding is libopenmpt's; the
// output is music/audio_output.h's (SDL audio on the desktop).
#pragma once

#include <cstdint>

using MusicCallback = void (*)(uint32_t sync, uint32_t channel, uint32_t data, uint32_t user);

enum MusicSyncType {
  MusicSyncEnd = 2,     // the module reached its end (each wrap when looping)
  MusicSyncEffect = 3,  // the module's sync effect: E8x (MOD/XM), S2x (S3M/IT)
};

enum MusicLoadFlags {
  MusicLoadDefault = 1,
  MusicLoadLoop = 4,
};

// The fatal text when the run-time libopenmpt does not match the build.
extern const char* const audioVersionMessage;  // "libopenmpt version 0.6 was not loaded"

bool AudioVersionOk();                 // same major as the headers, at least their minor
bool InitAudioDevice(int frequency);   // default output, stereo
uint32_t LoadMusic(const char* path, int flags);  // 0 when the file cannot be played
void SetMusicSync(uint32_t handle, int type, int param, MusicCallback callback, uint32_t user);
void SetMusicPositionScaler(uint32_t handle, int scaler);
void StartAudioOutput();               // output running, silent until played
void PlayMusic(uint32_t handle, int position, int flags, int reset);
// The position being heard now: low word order, high word row*64+fraction; -1 on
// failure. Syncs and the end whose frames have been heard by now are handed to
// their callbacks first, on the calling thread (the clock refresh).
int32_t GetMusicPosition(uint32_t handle);
// The same for the instant leadSeconds from now: the frame heard now moved on by
// the lead at the device's pace, within what has been decoded. Never reports a
// frame before one it reported since the module was played; the syncs and the
// end up to the frame reported fire.
int32_t GetMusicPositionAhead(uint32_t handle, double leadSeconds);
// Milliseconds from now until the next sync decoded but not yet handed over is
// heard, at the device's pace; -1 when none is queued or the output is held.
double MsUntilNextSyncHeard(uint32_t handle);
// 0-100. The output's gain follows per sample, at most the whole range in 0.3 s.
void SetAudioVolume(int percent);
// Waits (at most a second) until the gain has reached the volume set last and
// the samples up to that point have been heard: the fade then ends in silence
// rather than in a cut. Returns at once when nothing is playing or the output is held.
void FinishAudioFade();
// Holds the output and the module where they are, or lets them go on. While held
// the device plays silence, no callback fires and the position stays put (the
// decoder only tops the ring up to its 100 ms ahead, frames never handed over);
// afterwards the stream goes on from the next sample and the
// position from where it stood. The show never holds; the player's pause does.
void HoldAudioOutput(bool hold);
void FreeAudio();                      // harmless when nothing is open

// For latency measurements: the last blocks handed to the device since playback
// began, oldest first, as (the output's clock in seconds, first stream frame).
struct AudioHandover {
  double seconds = 0;
  int64_t firstFrame = 0;
};
int ReadAudioHandovers(AudioHandover* out, int max);  // count written
// Blocks the device took since the module was last played that the decoded
// stream could not fill (completed with silence): a dropout each.
int ReadAudioShortBlocks();

extern uint32_t musicHandle;
