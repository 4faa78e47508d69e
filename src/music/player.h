// The module player without an output device: decodes the module into blocks of
// interleaved stereo float frames, follows the (order, row) each frame belongs to,
// fires the sync and end callbacks, and answers "where is the module at frame F".
// The live audio device pulls its blocks from here on the audio thread; offline
// capture renders frame-locked blocks from the same code.
//
// Frames are counted from the last RestartMusicPlayer; frame F is the F-th stereo
// frame of the rendered stream, silence after the module's end included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/audio.h"

struct openmpt_module;

// One row as it appeared in the rendered stream.
struct MusicRowStart {
  int64_t frame = 0;  // first frame of the row
  int order = 0;
  int row = 0;
  int length = 1;  // frames the row lasts at the speed and tempo it began with
};

// A callback waiting for its frame to be heard.
struct MusicEvent {
  int64_t frame = 0;
  int type = 0;        // MusicSyncEffect or MusicSyncEnd
  uint32_t param = 0;  // the sync effect's value (x of E8x / S2x)
};

struct MusicPosition {
  int order = -1;  // -1: nothing has played
  int row = 0;
  int fraction = 0;  // 1/64 of the row, 0-63
};

constexpr int kMusicRowHistory = 64;   // row starts kept for position queries
constexpr int kMusicEventQueue = 64;   // callbacks waiting for their frame
constexpr int kMusicPieceFrames = 64;  // decode step: row starts are found to within it

struct MusicPlayer {
  openmpt_module* module = nullptr;
  int sampleRate = 44100;
  bool looping = false;
  uint32_t handle = 0;  // passed to the callbacks as their channel argument

  // Sync effects per pattern row, scanned once at load: syncRowParam[patternRow[p] + r]
  // holds the value x of the row's first sync effect, or -1.
  std::vector<int> patternRow;
  std::vector<int8_t> syncRowParam;

  MusicCallback syncCallback = nullptr;
  uint32_t syncUser = 0;
  MusicCallback endCallback = nullptr;
  uint32_t endUser = 0;
  // A callback fires once the rendered stream has run this many frames past its
  // frame: the device's buffer length, so it fires as its block starts to sound.
  int eventDelayFrames = 0;

  // Stream state, owned by whoever renders (the audio thread while the device runs).
  bool playing = false;  // RestartMusicPlayer was called
  bool ended = false;    // the module ended (not looping); silence follows
  int64_t framesRendered = 0;
  int64_t endFrame = -1;  // first frame after the module's last sound, -1 while it plays
  int endCount = 0;       // end callbacks queued so far (each wrap when looping)
  MusicRowStart rows[kMusicRowHistory];
  int rowCount = 0;  // row starts recorded since the restart (ring index = count % size)
  MusicEvent events[kMusicEventQueue];
  int eventHead = 0, eventCount = 0;
};

// The module file's bytes, as the live show and the capture both load them.
// false on a missing or unreadable file, with errno telling why.
bool ReadModuleFile(const char* path, std::vector<char>& bytes);

// Takes over a copy of the module file's bytes; any format the decoder reads.
// false (and the player left closed) when the data is not a module.
bool OpenMusicPlayer(MusicPlayer& player, const void* data, size_t size, int sampleRate,
                     bool looping);
void CloseMusicPlayer(MusicPlayer& player);  // harmless when closed

// Playback from the given order and row (the start by default): frame 0 is the
// first frame of that row. Queued callbacks are dropped.
void RestartMusicPlayer(MusicPlayer& player, int order = 0, int row = 0);
// Fills frames stereo frames (2 * frames floats); silence before a restart and
// after the module's end. Queued callbacks whose frame is at least
// eventDelayFrames behind the end of this block fire before it returns.
// Allocates nothing.
void RenderMusicFrames(MusicPlayer& player, float* interleaved, int frames);
// The same stream as the decoder's own 16-bit samples (no dither), for writing
// the soundtrack out; rows, positions and callbacks exactly as above.
void RenderMusicFrames16(MusicPlayer& player, int16_t* interleaved, int frames);

// The module position at a rendered frame: the row that holds it and the part of
// the row before it in 1/64 steps. Frames past the module's end give its last
// frame's position; frames before the oldest remembered row give that row's start.
MusicPosition MusicPositionAt(const MusicPlayer& player, int64_t frame);
// Low word order, high word row * 64 + fraction; -1 for a player that has not played.
int32_t MusicPositionWord(MusicPosition position);

// The frames one row lasts: speed ticks of floor(rate * 2.5 / tempo) frames.
int MusicRowFrames(int sampleRate, int speed, int tempo);
// Whether the pattern row holds the sync effect (value x in *param).
bool MusicRowHasSync(const MusicPlayer& player, int pattern, int row, int* param);
