// Which frame of the output stream is being heard, told from the times the
// device took its blocks. Each block sounds a latency after it was taken, but
// one taken in a burst waits until the block ahead of it has played out, so
// bursts do not make the clock lead.
// The clock shown follows that account smoothly and never steps back. Pure:
// times are seconds on any steady clock, passed in.
#pragma once

#include <cstdint>

constexpr int heardHistory = 64;  // hand-overs the clock looks back over: 0.74 s of 512 frames

struct HeardClock {
  double nominalRate = 44100;  // frames a second the device was opened at
  int bufferFrames = 1024;     // frames per block
  // Frames between a block's hand-over and its first frame sounding: one block
  // for a device that plays one while the next is filled, more or less where a
  // driver keeps its own buffer.
  int latencyFrames = 1024;

  // Hand-overs, as the position query takes them from the callback: block i began
  // at stream frame startFrame[i % n] and was taken at time[i % n] seconds.
  double time[heardHistory] = {};
  int64_t startFrame[heardHistory] = {};
  double soundsAt[heardHistory] = {};  // when the block's first frame is heard
  int handovers = 0;  // since the last reset

  // The smoothed clock, advanced by each query.
  bool started = false;
  double frame = 0;       // frame heard at the last query
  double queryTime = 0;   // its time
};

// Opens the clock for a device: rate, block size and how far the driver's
// latency differs from one block, in frames. Forgets every hand-over.
void ResetHeardClock(HeardClock& clock, double rate, int bufferFrames, int latencyAdjustment);
// Starts over from stream frame 0 with the same device (a restart of playback).
void RestartHeardClock(HeardClock& clock);
// Every time the clock holds moves on by seconds: time that passed while the
// output was held does not count.
void ShiftHeardClock(HeardClock& clock, double seconds);
// The device took the block that starts at startFrame at time seconds.
void NoteBlockHandedOver(HeardClock& clock, double time, int64_t startFrame);
// Frames a second the device plays at, measured over the hand-overs so far
// (within 5% of the nominal rate; the nominal rate until there are sixteen).
double HeardPace(const HeardClock& clock);
// The frame the hand-overs alone say is heard at time: inside the latest block
// that has begun to sound, holding at its end when the next is late.
double ReportedHeardFrame(const HeardClock& clock, double time);
// The heard frame at time: advances at the device's pace, closes a gap to the
// report over 50 ms (at once when it is two blocks or more ahead), never steps
// back and never passes newestFrame, the last frame handed over. -1 before the
// first hand-over.
int64_t AdvanceHeardClock(HeardClock& clock, double time, int64_t newestFrame);
