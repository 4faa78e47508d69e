#include "player/seek_table.h"

#include <algorithm>

#include "capture/offline_clock.h"
#include "effects/sheets.h"
#include "glrec/glrec.h"
#include "layers/show_random.h"
#include "music/clock.h"
#include "timeline/timeline.h"

SyncLeftState ReadSyncLeftState() {
  SyncLeftState s;
  s.lastSyncMs = lastSyncMs;
  s.pending = syncEvent.pending.load();
  s.pendingTimeMs = syncEvent.timeMs.load();
  s.swirlKickTime = swirlKickTime;
  s.swirlKickSign = swirlKickSign;
  s.pairKickTime = pairKickTime;
  s.pairKickSign = pairKickSign;
  return s;
}

void WriteSyncLeftState(const SyncLeftState& s) {
  lastSyncMs = s.lastSyncMs;
  // Time before flag, as the sync callback stores them.
  syncEvent.timeMs.store(s.pendingTimeMs);
  syncEvent.pending.store(s.pending);
  swirlKickTime = s.swirlKickTime;
  swirlKickSign = s.swirlKickSign;
  pairKickTime = s.pairKickTime;
  pairKickSign = s.pairKickSign;
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
      const MusicRowStart& r = p.rows[rowsSeen % kMusicRowHistory];
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
  SyncLeftState live = ReadSyncLeftState();
  uint32_t liveRandom = GetShowRandomState();
  float liveElapsed = demoClock.elapsedMs.load();
  int32_t livePosition = MusicPositionWord({demoClock.order, demoClock.row, demoClock.rowTick});
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
  WriteSyncLeftState(live);
  SetShowRandomState(liveRandom);
  demoClock.elapsedMs.store(liveElapsed);
  SetClockPosition(livePosition);
  table.built = true;
}
