// The decoded frames waiting for the device: a single-producer single-consumer
// ring of stereo float frames. The decoding thread writes, the device callback
// reads; neither ever waits on the other. A flush (a seek, a restart) is marked
// by the producer and taken up by the consumer at its next read, so frames of
// the old stream are never mixed into the new one.
#pragma once

#include <atomic>
#include <cstdint>

// 8192 frames: 186 ms at 44,100 Hz, a power of two so that positions wrap by mask.
constexpr int frameRingFrames = 8192;

struct FrameRing {
  float samples[2 * frameRingFrames] = {};
  // Frames ever written and ever read; their difference is the fill.
  std::atomic<int64_t> written{0};
  std::atomic<int64_t> read{0};
  // The last flush, packed so that one load sees both halves: the flush count in
  // the top 16 bits, the ring frame where the new stream begins in the low 48
  // (six years of frames at 44,100 Hz).
  std::atomic<int64_t> flushMark{0};
  // Consumer's own: the flush it has taken up and the ring frame of that
  // stream's frame 0.
  int flushesSeen = 0;
  int64_t streamBase = 0;
};

// What one read handed over: `frames` frames of the stream that began with flush
// `flush`, the first of them its frame `streamFrame`. The rest of the block is silence.
struct RingRead {
  int frames = 0;
  int64_t streamFrame = 0;
  int flush = 0;
};

void ResetFrameRing(FrameRing& ring);  // empty, no flush; neither side running

// Producer side.
int FrameRingRoom(const FrameRing& ring);  // frames that can be written now
// Copies up to `frames` frames in; returns how many fitted.
int WriteFrameRing(FrameRing& ring, const float* interleaved, int frames);
// Frames written from here on begin a new stream; what was written before is
// dropped unread. Returns the flush's count.
int FlushFrameRing(FrameRing& ring);

// Consumer side. Takes up the last flush: its dropped frames are skipped. The
// device callback does it with each read; whoever stopped the device may do it
// in its place.
void TakeUpFrameRingFlush(FrameRing& ring);
// Fills `frames` frames, the part the ring cannot supply with
// silence.
RingRead ReadFrameRing(FrameRing& ring, float* interleaved, int frames);
