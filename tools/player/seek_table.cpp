#include "player/seek_table.h"

#include <algorithm>

#include "music/offline_clock.h"
#include "effects/sheets.h"
#include "glrec/glrec.h"
#include "render/show_random.h"
#include "music/clock.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

// Both go through the show's frame-state record, so the player names no global
// the record does not already carry.
SyncLeftState ReadSyncLeftState() {
  FrameState f;
  SaveFrameState(f);
  SyncLeftState s;
  s.lastSyncMs = f.lastSyncMs;
  s.pending = f.syncPending;
  s.pendingTimeMs = f.syncTimeMs;
  s.swirlKickTime = f.swirlKickTime;
  s.swirlKickSign = f.swirlKickSign;
  s.pairKickTime = f.pairKickTime;
  s.pairKickSign = f.pairKickSign;
  return s;
}

void WriteSyncLeftState(const SyncLeftState& s) {
  FrameState f;
  SaveFrameState(f);
  f.lastSyncMs = s.lastSyncMs;
  f.syncPending = s.pending;
  f.syncTimeMs = s.pendingTimeMs;
  f.swirlKickTime = s.swirlKickTime;
  f.swirlKickSign = s.swirlKickSign;
  f.pairKickTime = s.pairKickTime;
  f.pairKickSign = s.pairKickSign;
  RestoreFrameState(f);
}

bool RecordShowRun(const void* module, size_t size, ShowRun& run) {
  OfflineClock clock;
  if (!OpenOfflineClock(clock, module, size, kSeekRunFps)) return false;
  run.fps = kSeekRunFps;
  run.position.clear();
  run.syncs.clear();
  std::fill(std::begin(run.orderStartSample), std::end(run.orderStartSample), -1);
  run.orders = 0;
  int rowsSeen = 0;
  while (true) {
    StepOfflineClock(clock);
    if (OfflineClockPastEnd(clock)) break;
    run.position.push_back(clock.position);
    run.syncs.push_back(static_cast<uint8_t>(std::min(clock.syncs, 255)));
    // Rows that began during this step; the first row 0 of an order is its start.
    const MusicPlayer& p = clock.player;
    for (; rowsSeen < p.rowCount; rowsSeen++) {
      const MusicRowStart& r = p.rows[rowsSeen % musicRowHistory];
      if (r.order >= 0 && r.order < kSeekOrders && r.row == 0 && run.orderStartSample[r.order] < 0) {
        run.orderStartSample[r.order] = r.frame;
        run.orders = std::max(run.orders, r.order + 1);
      }
    }
  }
  CloseOfflineClock(clock);
  return true;
}

void BuildSeekTable(const ShowRun& run, SeekTable& table) {
  // Everything the replay touches, put back afterwards.
  FrameState live;
  SaveFrameState(live);
  GlrecMode liveMode = GlrecGetMode();

  table = SeekTable{};
  table.orders = run.orders;
  // The first frame whose instant is at or after each order's first sample.
  int64_t startFrame[kSeekOrders];
  for (int o = 0; o < run.orders; o++) {
    int64_t sample = run.orderStartSample[o];
    table.starts[o].played = sample >= 0;
    table.starts[o].elapsedMs = static_cast<double>(sample) * 1000.0 / kCaptureSampleRate;
    startFrame[o] = sample < 0 ? -1
                               : (sample * run.fps + kCaptureSampleRate - 1) / kCaptureSampleRate;
  }

  WriteSyncLeftState(SyncLeftState{});
  GlrecSetMode(GlrecCount);
  int64_t frames = static_cast<int64_t>(run.position.size());
  for (int64_t k = 0; k <= frames; k++) {
    // Orders that begin at this frame get the state the earlier frames left.
    for (int o = 0; o < run.orders; o++)
      if (startFrame[o] == k || (k == frames && startFrame[o] > frames))
        table.starts[o].state = ReadSyncLeftState();
    if (k == frames) break;
    // Only a sync in hand can change this state: frames without one are skipped.
    if (run.syncs[k] == 0 && syncEvent.pending.load() == 0) continue;
    demoClock.elapsedMs.store(static_cast<float>(static_cast<double>(k) * 1000.0 / run.fps));
    SetClockPosition(run.position[k]);
    for (int i = 0; i < run.syncs[k]; i++) OnMusicSync(MusicSyncEffect, 0, 0, 0);
    DrawFrame();
  }

  GlrecSetMode(liveMode);
  if (liveMode == GlrecForward) GlrecReplayState();
  RestoreFrameState(live);
  table.built = true;
}
