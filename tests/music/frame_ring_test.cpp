#include "music/frame_ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Frame f of stream s carries (s, f) in its two channels.
void FillStream(std::vector<float>& block, int stream, int64_t first, int frames) {
  block.resize(2 * static_cast<size_t>(frames));
  for (int i = 0; i < frames; i++) {
    block[2 * i] = static_cast<float>(stream);
    block[2 * i + 1] = static_cast<float>(first + i);
  }
}

// Counts the frames of a read that do not carry (stream, frame) of their place.
int WrongFrames(const std::vector<float>& block, const RingRead& got, int stream) {
  int wrong = 0;
  for (int i = 0; i < got.frames; i++)
    if (block[2 * i] != static_cast<float>(stream) ||
        block[2 * i + 1] != static_cast<float>(got.streamFrame + i))
      wrong++;
  return wrong;
}

TEST(FrameRing, ReadsInOrderAcrossTheWrapAndPadsAShortFillWithSilence) {
  auto ring = std::make_unique<FrameRing>();
  std::vector<float> in, out(2 * 3000, 7.0f);
  int64_t written = 0, read = 0;
  // Blocks of sizes that do not divide the ring, over three laps.
  for (int lap = 0; lap < 10; lap++) {
    int room = FrameRingRoom(*ring);
    FillStream(in, 0, written, room);
    ASSERT_EQ(WriteFrameRing(*ring, in.data(), room + 5), room);  // no more than fits
    written += room;
    while (read + 3000 <= written) {
      RingRead got = ReadFrameRing(*ring, out.data(), 3000);
      ASSERT_EQ(got.frames, 3000);
      ASSERT_EQ(got.streamFrame, read);
      ASSERT_EQ(WrongFrames(out, got, 0), 0) << "lap " << lap;
      read += 3000;
    }
  }
  EXPECT_GT(read, 3 * frameRingFrames);
  // What is left, then silence for the rest of the block: never stale frames.
  int left = static_cast<int>(written - read);
  RingRead got = ReadFrameRing(*ring, out.data(), 3000);
  EXPECT_EQ(got.frames, left);
  EXPECT_EQ(WrongFrames(out, got, 0), 0);
  for (int i = 2 * left; i < 2 * 3000; i++) ASSERT_EQ(out[i], 0.0f) << i;
  got = ReadFrameRing(*ring, out.data(), 3000);
  EXPECT_EQ(got.frames, 0);
  EXPECT_EQ(out[0], 0.0f);
}

TEST(FrameRing, AFlushDropsTheOldStreamAndTheNewOneStartsAtItsFrameZero) {
  auto ring = std::make_unique<FrameRing>();
  std::vector<float> in, out(2 * 512);
  FillStream(in, 0, 0, 4000);
  WriteFrameRing(*ring, in.data(), 4000);
  ReadFrameRing(*ring, out.data(), 512);
  EXPECT_EQ(FlushFrameRing(*ring), 1);
  // The dropped frames keep their room until the consumer has taken the flush up.
  EXPECT_EQ(FrameRingRoom(*ring), frameRingFrames - (4000 - 512));
  FillStream(in, 1, 0, 300);
  WriteFrameRing(*ring, in.data(), 300);
  RingRead got = ReadFrameRing(*ring, out.data(), 512);
  EXPECT_EQ(got.flush, 1);
  EXPECT_EQ(got.streamFrame, 0);
  EXPECT_EQ(got.frames, 300);
  EXPECT_EQ(WrongFrames(out, got, 1), 0);
  EXPECT_EQ(FrameRingRoom(*ring), frameRingFrames);

  // Taken up by whoever stands in for a stopped consumer, a flush frees the room at once.
  WriteFrameRing(*ring, in.data(), 300);
  FlushFrameRing(*ring);
  TakeUpFrameRingFlush(*ring);
  EXPECT_EQ(FrameRingRoom(*ring), frameRingFrames);
  EXPECT_EQ(ReadFrameRing(*ring, out.data(), 512).frames, 0);
}

// The decoding thread and the device callback at once, with flushes: every frame
// read belongs to the stream and the place the read names, and streams only move on.
TEST(FrameRing, AProducerAndAConsumerThreadNeverSeeAFrameOutOfPlace) {
  auto ring = std::make_unique<FrameRing>();
  constexpr int streams = 40;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    std::vector<float> in;
    for (int stream = 0; stream < streams; stream++) {
      if (stream > 0) FlushFrameRing(*ring);
      for (int64_t frame = 0; frame < 3 * frameRingFrames / 2;) {
        FillStream(in, stream, frame, 700);
        int wrote = WriteFrameRing(*ring, in.data(), 700);
        frame += wrote;
        if (wrote == 0) std::this_thread::yield();
      }
    }
    done.store(true);
  });
  std::vector<float> out(2 * 512);
  int wrong = 0, lastFlush = 0, framesRead = 0;
  while (!done.load() || FrameRingRoom(*ring) < frameRingFrames) {
    RingRead got = ReadFrameRing(*ring, out.data(), 512);
    wrong += WrongFrames(out, got, got.flush);
    if (got.flush < lastFlush) wrong++;
    lastFlush = got.flush;
    framesRead += got.frames;
    if (got.frames == 0) std::this_thread::yield();
  }
  producer.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(lastFlush, streams - 1);
  EXPECT_GT(framesRead, 0);
}

}  // namespace
