// The show's clock run offline, frame by frame: frame k sounds at k * 1000 / fps
// ms of module time. The module is decoded in lockstep up to that instant, with
// the live show's player, so the position is that of the sample playing at the
// instant and the syncs of every row that began at or before it have been heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "music/player.h"

constexpr int kCaptureSampleRate = 44100;

struct OfflineClock {
  MusicPlayer player;
  int fps = 60;
  int64_t frame = -1;     // the frame last stepped to
  int32_t position = -1;  // its position word (order, row * 64 + fraction)
  int syncs = 0;          // syncs heard while stepping to it
  // The samples decoded by the last step: 16-bit stereo, blockFrames frames from
  // stream frame blockStart. Sized once for the longest step.
  std::vector<int16_t> block;
  int64_t blockStart = 0;
  int blockFrames = 0;
};

// The first sample at or after frame k's instant, and the sample playing at it.
int64_t FrameFirstSample(int64_t frame, int fps);
int64_t FrameInstantSample(int64_t frame, int fps);

// Opens the module (any format the decoder reads) for stepping from frame 0.
bool OpenOfflineClock(OfflineClock& clock, const void* module, size_t size, int fps);
void CloseOfflineClock(OfflineClock& clock);

// Decodes up to the next frame's instant and reads its position there.
void StepOfflineClock(OfflineClock& clock);
// Whether the module ended before the current frame's instant: the frame is not
// part of the show.
bool OfflineClockPastEnd(const OfflineClock& clock);
// Hands the current frame to the show as a live refresh would: the demo clock's
// time and position, then the syncs heard, stamped with that time.
void ApplyOfflineClock(const OfflineClock& clock);
