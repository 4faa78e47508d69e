#include "music/frame_ring.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int flushShift = 48;
constexpr int64_t frameMask = (int64_t{1} << flushShift) - 1;
constexpr int64_t ringMask = frameRingFrames - 1;

int FlushCount(int64_t mark) { return static_cast<int>((mark >> flushShift) & 0xFFFF); }
int64_t FlushFrame(int64_t mark) { return mark & frameMask; }

// Copies `frames` frames between the ring at ring frame `at` and a flat buffer,
// in at most two runs around the wrap.
void CopyRun(float* ringSamples, int64_t at, float* flat, int frames, bool intoRing) {
  int done = 0;
  while (done < frames) {
    int index = static_cast<int>((at + done) & ringMask);
    int run = std::min(frames - done, frameRingFrames - index);
    float* inRing = ringSamples + 2 * index;
    float* inFlat = flat + 2 * done;
    size_t bytes = static_cast<size_t>(run) * 2 * sizeof(float);
    if (intoRing)
      std::memcpy(inRing, inFlat, bytes);
    else
      std::memcpy(inFlat, inRing, bytes);
    done += run;
  }
}

}  // namespace

void ResetFrameRing(FrameRing& ring) {
  ring.written.store(0);
  ring.read.store(0);
  ring.flushMark.store(0);
  ring.flushesSeen = 0;
  ring.streamBase = 0;
}

int FrameRingRoom(const FrameRing& ring) {
  // Frames dropped by a flush keep their room until the consumer has taken the
  // flush up: it may be copying them this moment.
  int64_t written = ring.written.load(std::memory_order_relaxed);
  int64_t read = ring.read.load(std::memory_order_acquire);
  return frameRingFrames - static_cast<int>(written - read);
}

int WriteFrameRing(FrameRing& ring, const float* interleaved, int frames) {
  int count = std::clamp(frames, 0, FrameRingRoom(ring));
  int64_t written = ring.written.load(std::memory_order_relaxed);
  CopyRun(ring.samples, written, const_cast<float*>(interleaved), count, true);
  ring.written.store(written + count, std::memory_order_release);
  return count;
}

int FlushFrameRing(FrameRing& ring) {
  int64_t mark = ring.flushMark.load(std::memory_order_relaxed);
  int count = (FlushCount(mark) + 1) & 0xFFFF;
  int64_t at = ring.written.load(std::memory_order_relaxed);
  ring.flushMark.store((static_cast<int64_t>(count) << flushShift) | at,
                       std::memory_order_release);
  return count;
}

void TakeUpFrameRingFlush(FrameRing& ring) {
  int64_t mark = ring.flushMark.load(std::memory_order_acquire);
  if (FlushCount(mark) == ring.flushesSeen) return;
  ring.flushesSeen = FlushCount(mark);
  ring.streamBase = FlushFrame(mark);
  int64_t read = ring.read.load(std::memory_order_relaxed);
  ring.read.store(std::max(read, ring.streamBase), std::memory_order_release);
}

RingRead ReadFrameRing(FrameRing& ring, float* interleaved, int frames) {
  // The fill first, then the flush: a flush marked before any frame counted in
  // the fill is seen, so no frame of a new stream is read as the old one's.
  int64_t written = ring.written.load(std::memory_order_acquire);
  TakeUpFrameRingFlush(ring);
  int64_t read = ring.read.load(std::memory_order_relaxed);
  int count = static_cast<int>(std::clamp<int64_t>(written - read, 0, frames));
  CopyRun(ring.samples, read, interleaved, count, false);
  std::fill(interleaved + 2 * count, interleaved + 2 * frames, 0.0f);
  ring.read.store(read + count, std::memory_order_release);
  return RingRead{count, read - ring.streamBase, ring.flushesSeen};
}
