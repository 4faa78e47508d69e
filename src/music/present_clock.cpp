#include "music/present_clock.h"

#include <algorithm>

namespace {

// The lead grows by at most this share of the time passing: the show runs at
// most an eighth fast while the delay it follows rises.
constexpr double riseShare = 0.125;
constexpr int quartileRank = presentHistory / 4;

}  // namespace

void ResetPresentClock(PresentClock& c) { c = PresentClock{}; }

double PredictedPresentDelay(const PresentClock& c) {
  int count = std::min(c.measured, presentHistory);
  if (count == 0) return 0;
  double sorted[presentHistory];
  std::copy(c.delayMs, c.delayMs + count, sorted);
  int rank = count * quartileRank / presentHistory;
  std::nth_element(sorted, sorted + rank, sorted + count);
  return sorted[rank];
}

double BeginPresentedFrame(PresentClock& c, double nowMs) {
  double passed = c.begun ? std::max(0.0, nowMs - c.beganMs) : 0;
  double target = PredictedPresentDelay(c);
  if (c.measured > 0) {
    double newest = c.delayMs[(c.measured - 1) % presentHistory];
    target = std::min(target, newest);
  }
  double lead = target < c.leadMs ? target : std::min(target, c.leadMs + riseShare * passed);
  // A shorter lead than the last frame's must not take the instant back.
  double instant = std::max(nowMs + lead, c.begun ? c.instantMs : nowMs + lead);
  c.leadMs = instant - nowMs;
  c.beganMs = nowMs;
  c.instantMs = instant;
  c.begun = true;
  return c.leadMs;
}

void NoteFrameSwapped(PresentClock& c, double swappedMs) {
  if (!c.begun) return;
  c.delayMs[c.measured % presentHistory] = std::max(0.0, swappedMs - c.beganMs);
  c.measured++;
}

double WaitForPresentedInstant(const PresentClock& c, double nowMs, double eventMs) {
  PresentClock unchanged = c;
  double instant = nowMs + BeginPresentedFrame(unchanged, nowMs);
  // The next frame begins about one start-to-swap later, with about this lead.
  double nextInstant = instant + PredictedPresentDelay(c);
  if (eventMs <= instant || eventMs > nextInstant) return 0;
  return eventMs - instant;
}
