#include "music/clock.h"

DemoClock demoClock;
SyncEvent syncEvent;
int lastSyncMs = -100000;
std::atomic<int> quitRequested{0};

namespace {

uint32_t NoTicks() { return 0; }
int32_t NoPosition() { return -1; }

std::atomic<TickSource> tickSource{NoTicks};
std::atomic<PositionSource> positionSource{NoPosition};
// Whether the loaded module loops: written by the main thread when it loads or
// plays one, read by the audio thread's end callback.
std::atomic<int> loopingPlayback{0};
double positionLeadMs = 0;  // main thread: the lead of the refresh under way

}  // namespace

void SetTickSource(TickSource source) { tickSource.store(source ? source : NoTicks); }
void SetPositionSource(PositionSource source) {
  positionSource.store(source ? source : NoPosition);
}

void SetLoopingPlayback(bool looping) { loopingPlayback.store(looping ? 1 : 0); }

uint32_t ReadTickMs() { return tickSource.load()(); }

void SetClockPosition(int32_t pos) {
  // Signed division truncating toward zero: -1 gives order -1, row 0, tick 0.
  int order = pos % 65536;
  int high = pos / 65536;
  demoClock.order = order;
  demoClock.row = high / 64;
  demoClock.rowTick = high % 64;
  demoClock.rowPosition = demoClock.row * 64 + demoClock.rowTick;
  demoClock.songPosition = (order * 64 + demoClock.row) * 64 + demoClock.rowTick;
}

void SetDemoClockStart(double tickMs) {
  demoClock.startTickMs.store(static_cast<float>(tickMs), std::memory_order_release);
}

void UpdateDemoClock() { UpdateDemoClockAhead(ReadTickMs(), 0); }

void UpdateDemoClockAhead(uint32_t now, double leadMs) {
  // Exact tick plus lead minus the float start tick in double, rounded once
  // when stored.
  float start = demoClock.startTickMs.load();
  auto store = [&](float from) {
    double elapsed = static_cast<double>(now) + leadMs - static_cast<double>(from);
    demoClock.elapsedMs.store(static_cast<float>(elapsed), std::memory_order_release);
  };
  store(start);  // the time the syncs fired by the position read are stamped with
  positionLeadMs = leadMs;
  SetClockPosition(positionSource.load()());
  positionLeadMs = 0;
  // A looping module's end, heard by that read, restarted the clock: the time
  // goes with the position, which is back at the start.
  float restarted = demoClock.startTickMs.load();
  if (restarted != start) store(restarted);
}

double ReadPositionLeadMs() { return positionLeadMs; }

void UpdateDemoClockAt(double elapsedMs) {
  demoClock.elapsedMs.store(static_cast<float>(elapsedMs), std::memory_order_release);
  SetClockPosition(positionSource.load()());
}

void OnMusicSync(uint32_t, uint32_t, uint32_t, uint32_t) {
  // The time goes out before the flag, so whoever sees the flag reads its time.
  syncEvent.timeMs.store(demoClock.elapsedMs.load(std::memory_order_acquire),
                         std::memory_order_relaxed);
  syncEvent.pending.store(1, std::memory_order_release);
}

void OnMusicEnd(uint32_t, uint32_t, uint32_t, uint32_t) {
  if (loopingPlayback.load(std::memory_order_acquire))
    SetDemoClockStart(ReadTickMs());
  else
    quitRequested.store(1, std::memory_order_release);
}

bool ConsumeSyncEvent() {
  if (syncEvent.pending.exchange(0, std::memory_order_acq_rel) == 0) return false;
  lastSyncMs = static_cast<int>(syncEvent.timeMs.load(std::memory_order_relaxed));
  return true;
}

void ResetDemoClock() {
  SetDemoClockStart(0);
  demoClock.elapsedMs.store(0.0f);
  demoClock.order = demoClock.row = demoClock.rowTick = 0;
  demoClock.rowPosition = demoClock.songPosition = 0;
  syncEvent.pending.store(0);
  syncEvent.timeMs.store(0.0f);
  lastSyncMs = -100000;
  quitRequested.store(0);
  loopingPlayback.store(0);
}
