// When the frame being drawn will be seen: the refresh reads the clock at the
// start of a frame, but the picture appears at its swap, a whole draw later.
// The predicted delay is a low quartile of recent start-to-swap times (with
// vsync those include the wait for the refresh). It rises slowly (at most an
// eighth of the time passing) and falls at once to a shorter delay just
// measured, so a change of load is never a jump and a flash lands late rather
// than early; the instant predicted never runs back. Pure: times are tick
// milliseconds, passed in.
#pragma once

constexpr int presentHistory = 16;  // frames the delay is estimated over

struct PresentClock {
  double delayMs[presentHistory] = {};  // start-to-swap of the frames measured
  int measured = 0;                     // frames measured since the reset
  double leadMs = 0;                    // the lead the frame under way was drawn for
  double beganMs = 0;                   // when it began
  double instantMs = 0;                 // the instant it was drawn for
  bool begun = false;                   // a frame has begun since the reset
};

void ResetPresentClock(PresentClock& clock);
// The low quartile of the delays measured, 0 before the first.
double PredictedPresentDelay(const PresentClock& clock);
// A frame begins at nowMs: returns its lead, how long after nowMs it will be seen.
double BeginPresentedFrame(PresentClock& clock, double nowMs);
// The frame begun last was swapped at swappedMs.
void NoteFrameSwapped(PresentClock& clock, double swappedMs);
// How long a frame about to begin at nowMs waits so that it is drawn for
// eventMs (when a sync is heard): 0 when it will be seen at or after eventMs
// anyway, or when the frame after it will be seen before eventMs and takes the
// event in turn. Without the wait the event would be seen up to a whole frame
// late. The lead is a low quartile, so the frame is seen at or after eventMs.
double WaitForPresentedInstant(const PresentClock& clock, double nowMs, double eventMs);
