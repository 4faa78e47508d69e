#include "music/heard_clock.h"

#include <algorithm>

namespace {

constexpr double followSeconds = 0.05;  // time to close most of a gap to the report
constexpr double maxSlowing = 0.5;  // of the pace
constexpr int paceMinimum = 16;        // hand-overs before the pace is measured

int Slot(int i) { return i % heardHistory; }

}  // namespace

void ResetHeardClock(HeardClock& c, double rate, int bufferFrames, int latencyAdjustment) {
  c.nominalRate = rate > 0 ? rate : 44100;
  c.bufferFrames = std::max(1, bufferFrames);
  c.latencyFrames = std::max(0, c.bufferFrames + latencyAdjustment);
  RestartHeardClock(c);
}

void RestartHeardClock(HeardClock& c) {
  c.handovers = 0;
  c.started = false;
  c.frame = 0;
  c.queryTime = 0;
}

void ShiftHeardClock(HeardClock& c, double seconds) {
  for (int i = 0; i < heardHistory; i++) {
    c.time[i] += seconds;
    c.soundsAt[i] += seconds;
  }
  if (c.started) c.queryTime += seconds;
}

void NoteBlockHandedOver(HeardClock& c, double time, int64_t startFrame) {
  int i = Slot(c.handovers);
  c.time[i] = time;
  c.startFrame[i] = startFrame;
  c.handovers++;
  // A block sounds a latency after it was taken. One taken far sooner than the
  // block ahead of it could have played out (more than half a block early: a
  // burst) waits in the queue behind it; lesser differences are the device's
  // own timing (a timer-driven driver's sleeps are not the block's length) and
  // are taken as they come.
  double soundsAt = time + c.latencyFrames / c.nominalRate;
  if (c.handovers > 1) {
    int before = Slot(c.handovers - 2);
    double queued =
        c.soundsAt[before] + static_cast<double>(startFrame - c.startFrame[before]) / c.nominalRate;
    if (soundsAt < queued - 0.5 * c.bufferFrames / c.nominalRate) soundsAt = queued;
  }
  c.soundsAt[i] = soundsAt;
}

double HeardPace(const HeardClock& c) {
  if (c.handovers < paceMinimum) return c.nominalRate;
  // Each hand-over's intercept at the nominal rate (start frame minus rate *
  // time) is lowest for the blocks the device took on time: the first of a
  // burst, the latest of a late run. The lowest of the older half and of the
  // newer half of the window lie on the device's own line, whose slope adds to
  // the nominal rate. A timer-driven driver's pace differs from the nominal rate
  // by its sleeps' rounding.
  int oldest = std::max(0, c.handovers - heardHistory);
  int middle = oldest + (c.handovers - oldest) / 2;
  auto lowest = [&](int from, int to, double* time) {
    double best = 0;
    for (int i = from; i < to; i++) {
      double intercept =
          static_cast<double>(c.startFrame[Slot(i)]) - c.nominalRate * c.time[Slot(i)];
      if (i == from || intercept < best) {
        best = intercept;
        *time = c.time[Slot(i)];
      }
    }
    return best;
  };
  double olderTime = 0, newerTime = 0;
  double older = lowest(oldest, middle, &olderTime);
  double newer = lowest(middle, c.handovers, &newerTime);
  if (newerTime - olderTime < 1e-3) return c.nominalRate;
  double pace = c.nominalRate + (newer - older) / (newerTime - olderTime);
  return std::clamp(pace, 0.95 * c.nominalRate, 1.05 * c.nominalRate);
}

double ReportedHeardFrame(const HeardClock& c, double time) {
  if (c.handovers == 0) return -1;
  int oldest = std::max(0, c.handovers - heardHistory);
  int i = c.handovers - 1;
  while (i > oldest && c.soundsAt[Slot(i)] > time) i--;
  // The oldest block kept may still lie ahead: then the frames before it play.
  double into = (time - c.soundsAt[Slot(i)]) * c.nominalRate;
  if (i + 1 < c.handovers)
    into = std::min(into, static_cast<double>(c.startFrame[Slot(i + 1)] - c.startFrame[Slot(i)]));
  else
    into = std::min(into, static_cast<double>(c.bufferFrames));
  return std::max(0.0, static_cast<double>(c.startFrame[Slot(i)]) + into);
}

int64_t AdvanceHeardClock(HeardClock& c, double time, int64_t newestFrame) {
  if (c.handovers == 0) return -1;
  double reported = ReportedHeardFrame(c, time);
  if (!c.started) {
    c.started = true;
    c.frame = reported;
  } else {
    double dt = std::max(0.0, time - c.queryTime);
    double predicted = c.frame + dt * HeardPace(c);
    double gap = reported - predicted;
    // Falling behind, the clock slows to no less than half the pace, so a late
    // block does not make it stall; a gap of two blocks or more ahead (the
    // start, a device that caught up after a stall) is jumped.
    double slowest = -maxSlowing * dt * HeardPace(c);
    double next = gap >= 2.0 * c.bufferFrames
                      ? reported
                      : predicted + std::max(slowest, gap * std::min(1.0, dt / followSeconds));
    c.frame = std::max(c.frame, next);
  }
  c.frame = std::min(c.frame, static_cast<double>(std::max<int64_t>(newestFrame, 0)));
  c.queryTime = time;
  return static_cast<int64_t>(c.frame);
}
