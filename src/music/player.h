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
  int ticks = 1;  // ticks the row lasts: speed, times repeats for a row delay, plus fine delay
};

// One tick of the rendered stream: rows begin on ticks, so a stream cut at every
// tick sees each row change on the frame it happens.
struct MusicTick {
  int64_t frame = 0;  // first frame of the tick
  int length = 1;     // its frames at the tempo the decoder gave it
  int rowIndex = 0;   // the row it belongs to (a count since the restart)
  int tickInRow = 0;
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

// Row starts and ticks kept for position queries: 512 ticks of at least 432
// frames (tempo 255) reach 5 s back, far beyond any output latency.
constexpr int musicRowHistory = 512;
constexpr int musicTickHistory = 512;
constexpr int musicEventQueue = 64;   // callbacks waiting for their frame
constexpr int musicPieceFrames = 64;  // longest decode step; steps also end on every tick

struct MusicPlayer {
  openmpt_module* module = nullptr;
  int sampleRate = 44100;
  bool looping = false;
  uint32_t handle = 0;  // passed to the callbacks as their channel argument

  // Sync effects per pattern row, scanned once at load: syncRowParam[patternRow[p] + r]
  // holds the value x of the row's first sync effect, or -1.
  std::vector<int> patternRow;
  std::vector<int8_t> syncRowParam;
  // Row delays per pattern row, from the same scan: the row plays 1 + rowRepeats
  // times (EEx / SEx) and rowExtraTicks ticks longer (S6x).
  std::vector<uint8_t> rowRepeats;
  std::vector<uint8_t> rowExtraTicks;

  MusicCallback syncCallback = nullptr;
  uint32_t syncUser = 0;
  MusicCallback endCallback = nullptr;
  uint32_t endUser = 0;
  // Rendering fires a callback once the stream has run this many frames past its
  // frame. A live device instead leaves them queued (fireWhenRendered false) and
  // hands each over when its frame is heard, with FireHeardMusicEvents.
  int eventDelayFrames = 0;
  bool fireWhenRendered = true;

  // Stream state, owned by whoever renders (the audio thread while the device runs).
  bool playing = false;  // RestartMusicPlayer was called
  bool ended = false;    // the module ended (not looping); silence follows
  int64_t framesRendered = 0;
  int64_t endFrame = -1;  // first frame after the module's last sound, -1 while it plays
  int endCount = 0;       // end callbacks queued so far (each wrap when looping)
  MusicRowStart rows[musicRowHistory];
  int rowCount = 0;  // row starts recorded since the restart (ring index = count % size)
  MusicTick ticks[musicTickHistory];
  int tickCount = 0;  // ticks recorded since the restart, likewise
  MusicEvent events[musicEventQueue];
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

// Fires, oldest first, every queued callback whose frame is at or before frame.
void FireHeardMusicEvents(MusicPlayer& player, int64_t frame);
// The frame of the oldest sync effect still queued, -1 when none is.
int64_t NextQueuedSyncFrame(const MusicPlayer& player);

// The module position at a rendered frame: the row that holds it and the part of
// the row before it in 1/64 steps, counted in the row's ticks so that it rises
// evenly over a delayed row and never falls inside one when the tempo slides.
// Frames past the module's end give its last frame's position; frames before the
// oldest remembered tick give that tick's start.
MusicPosition MusicPositionAt(const MusicPlayer& player, int64_t frame);
// Low word order, high word row * 64 + fraction; -1 for a player that has not played.
int32_t MusicPositionWord(MusicPosition position);

// The frames one row lasts: speed ticks of floor(rate * 2.5 / tempo) frames.
int MusicRowFrames(int sampleRate, int speed, int tempo);
// Whether the pattern row holds the sync effect (value x in *param).
bool MusicRowHasSync(const MusicPlayer& player, int pattern, int row, int* param);
// The ticks a pattern row lasts at the given speed, its delays included.
int MusicRowTicks(const MusicPlayer& player, int pattern, int row, int speed);
