// Where each order begins in a straight run of the show, and the state the
// syncs have left there: the time of the order's first row on the show's clock,
// lastSyncMs, the pending sync and the swirl kicks. A seek restores these, so
// the flashes and kicks after it look as if the show had played up to there.
//
// Built in two steps. RecordShowRun decodes the module once through the
// capture's offline clock (any thread; it touches no show state): the position
// and the syncs heard at each frame of a 60 fps run. BuildSeekTable then replays
// that run's sync hand-over through DrawFrame with GL calls only counted (main
// thread, between frames), leaving the show's own state as it found it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The part of the show's state that only syncs change.
struct SyncLeftState {
  int lastSyncMs = -100000;
  int pending = 0;
  float pendingTimeMs = 0;
  int swirlKickTime = 0, swirlKickSign = 1;
  int pairKickTime = 0, pairKickSign = 1;
};

SyncLeftState ReadSyncLeftState();
void WriteSyncLeftState(const SyncLeftState& state);

constexpr int kSeekOrders = 256;  // orders a seek can reach; the show has 19
constexpr int kSeekRunFps = 60;

struct ShowRun {
  int fps = kSeekRunFps;
  std::vector<int32_t> position;  // position word heard at each frame's instant
  std::vector<uint8_t> syncs;     // syncs heard while stepping to each frame
  int64_t orderStartSample[kSeekOrders];  // first sample of each order's first row, -1: never played
  int orders = 0;                          // one past the highest order that played
};

// false when the module cannot be decoded.
bool RecordShowRun(const void* module, size_t size, ShowRun& run);

struct OrderStart {
  bool played = false;
  double elapsedMs = 0;  // show time at the order's first sample
  SyncLeftState state;   // as the frames before that instant leave it
};

struct SeekTable {
  bool built = false;
  int orders = 0;
  OrderStart starts[kSeekOrders];
};

// Needs the show's textures and objects loaded (DrawFrame runs). GL calls made
// meanwhile are counted, not drawn; the GL is set back to the state model after.
void BuildSeekTable(const ShowRun& run, SeekTable& table);
