// The demo clock and the sync hand-over: the position and time every scene reads,
// refreshed once per frame, and the music syncs carried from the audio thread to
// the layers that flash on them. Pure logic: the tick and position sources are
// swappable (live audio, offline capture, tests).
#pragma once

#include <atomic>
#include <cstdint>

struct DemoClock {
  // Tick count (ms) at the show's time zero, as a float. Written through
  // SetDemoClockStart by the main thread (fades, playback start, the player's
  // pause and seek) and, when looping, by the audio thread's end callback.
  std::atomic<float> startTickMs{0.0f};
  // Milliseconds since startTickMs, refreshed once per frame. The sync callback
  // reads it to stamp syncs (live, from inside the refresh that hears them).
  std::atomic<float> elapsedMs{0.0f};
  int order = 0;         // pattern position in the order list
  int row = 0;           // 0-63
  int rowTick = 0;       // 1/64 of a row, 0-63
  int rowPosition = 0;   // row * 64 + rowTick, 0-4095
  int songPosition = 0;  // order * 4096 + row * 64 + rowTick
};

struct SyncEvent {
  std::atomic<int> pending{0};       // 1 from a sync until a layer takes it
  std::atomic<float> timeMs{0.0f};   // elapsedMs of the last refresh when the sync fired
};

extern DemoClock demoClock;
extern SyncEvent syncEvent;
extern int lastSyncMs;                  // ms of the last sync taken, -100000 at start
extern std::atomic<int> quitRequested;  // set once by the end callback when not looping

// Where the clock reads the tick count and the module position. The defaults read
// nothing useful (tick 0, position -1) until the music layer or a test sets them.
using TickSource = uint32_t (*)();
using PositionSource = int32_t (*)();  // low word order, high word row * 64 + fraction; -1 on failure
void SetTickSource(TickSource source);
void SetPositionSource(PositionSource source);
uint32_t ReadTickMs();  // the platform's millisecond tick count through the tick source
// Whether the end of the module restarts the clock instead of asking to quit;
// the music layer sets it from the flags a module is loaded or played with.
void SetLoopingPlayback(bool looping);

// The show's time zero at this tick count, rounded once to the stored float.
void SetDemoClockStart(double tickMs);

void UpdateDemoClock();
// UpdateDemoClock for the instant leadMs after the tick count `now` (read by the
// caller), when the frame drawn now is expected to be seen: the time moves on by
// the lead, and the position source reads the position heard then
// (ReadPositionLeadMs).
void UpdateDemoClockAhead(uint32_t now, double leadMs);
// The lead of the refresh under way, 0 outside one and for offline rendering.
double ReadPositionLeadMs();
// UpdateDemoClock for offline rendering: the time is a frame's instant (not
// always a whole millisecond), rounded once when stored; the position comes
// from the position source.
void UpdateDemoClockAt(double elapsedMs);
// Sets demoClock's position fields from one position word (as UpdateDemoClock does).
void SetClockPosition(int32_t position);

// The music layer's callbacks: four 32-bit arguments, no result. Live playback
// calls them from the clock refresh that first hears their row; they only
// store atomics, so any thread may.
void OnMusicSync(uint32_t sync, uint32_t channel, uint32_t data, uint32_t user);
void OnMusicEnd(uint32_t sync, uint32_t channel, uint32_t data, uint32_t user);

// Takes a pending sync into lastSyncMs with one atomic exchange, so a sync that
// arrives meanwhile is never lost. Returns whether a sync was taken.
bool ConsumeSyncEvent();

// Puts every value of this header back to its start-up state (tests, trace tool).
void ResetDemoClock();
