#include "music/heard_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr double kRate = 44100;
constexpr int kBlock = 512;
constexpr double kPeriod = kBlock / kRate;

// Plays 3 s of a device whose block b is taken at takenAt(b) seconds while it
// sounds from b * kPeriod + kPeriod on; queries at 60 fps. Returns the largest
// error in ms after the first half second, failing on any step back; the last
// reading goes to *last.
double WorstErrorMs(const std::function<double(int)>& takenAt, int64_t* newestLimit = nullptr,
                    int64_t* last = nullptr) {
  HeardClock clock;
  ResetHeardClock(clock, kRate, kBlock, 0);
  int nextBlock = 0;
  double worst = 0;
  int64_t previous = -1;
  for (int frame = 0; frame < 180; frame++) {
    double t = 0.005 + frame / 60.0;
    while (takenAt(nextBlock) <= t) {
      NoteBlockHandedOver(clock, takenAt(nextBlock), static_cast<int64_t>(nextBlock) * kBlock);
      nextBlock++;
    }
    int64_t newest = static_cast<int64_t>(nextBlock) * kBlock - 1;
    if (newestLimit) newest = std::min(newest, *newestLimit);
    int64_t got = AdvanceHeardClock(clock, t, newest);
    EXPECT_GE(got, previous) << "stepped back at " << t << " s";
    EXPECT_LE(got, newest);
    previous = got;
    double truth = (t - kPeriod) * kRate;
    if (t > 0.5) worst = std::max(worst, std::fabs(got - truth) / kRate * 1000);
  }
  if (last) *last = previous;
  return worst;
}

TEST(HeardClock, FollowsSteadyAndBurstyBlocksAndLagsLateOnesByNoMoreThanTheirLateness) {
  EXPECT_LT(WorstErrorMs([](int b) { return b * kPeriod; }), 0.5);
  // Four blocks taken at once, then none for three periods: the first of each
  // burst tells when it sounds, the other three came early.
  EXPECT_LT(WorstErrorMs([](int b) { return (b / 4 * 4) * kPeriod; }), 1.0);
  // Every third block taken 3 ms late (a busy thread): a block cannot sound
  // before it was taken, so the clock trails by that much and no more.
  EXPECT_LT(WorstErrorMs([](int b) { return b * kPeriod + (b % 3 == 0 ? 0.003 : 0.0); }), 3.2);
}

TEST(HeardClock, AStalledDeviceHoldsTheClockAtTheLastFrameRendered) {
  // Blocks stop after 1 s; the renderer's last frame bounds the clock.
  int64_t rendered = static_cast<int64_t>(1.0 / kPeriod) * kBlock;
  int64_t last = 0;
  double worst =
      WorstErrorMs([](int b) { return b < 1.0 / kPeriod ? b * kPeriod : 1e9; }, &rendered, &last);
  EXPECT_EQ(last, rendered);
  // Followed the blocks until they stopped: the worst error is the hold's own,
  // how far the last frame rendered trails the truth at the last query (2 s).
  double heldBehindMs = ((0.005 + 179 / 60.0 - kPeriod) * kRate - rendered) / kRate * 1000;
  EXPECT_NEAR(worst, heldBehindMs, 1.0);
  HeardClock clock;
  ResetHeardClock(clock, kRate, kBlock, 0);
  EXPECT_EQ(AdvanceHeardClock(clock, 0.1, 1000), -1);  // nothing taken yet
}

TEST(HeardClock, ADriverBufferDelaysTheHeardFrame) {
  HeardClock clock;
  ResetHeardClock(clock, kRate, kBlock, kBlock);  // one more block in the driver
  for (int b = 0; b < 40; b++) NoteBlockHandedOver(clock, b * kPeriod, int64_t{b} * kBlock);
  EXPECT_NEAR(ReportedHeardFrame(clock, 39 * kPeriod), 37 * kBlock, 1.0);
  EXPECT_NEAR(HeardPace(clock), kRate, 0.01);
}

TEST(HeardClock, TimeHeldDoesNotCount) {
  HeardClock clock;
  ResetHeardClock(clock, kRate, kBlock, 0);
  for (int b = 0; b < 40; b++) NoteBlockHandedOver(clock, b * kPeriod, int64_t{b} * kBlock);
  int64_t before = AdvanceHeardClock(clock, 39.5 * kPeriod, 40 * kBlock - 1);
  // Held for 5 s: afterwards the clock reads as half a block later would have.
  ShiftHeardClock(clock, 5.0);
  NoteBlockHandedOver(clock, 5.0 + 40 * kPeriod, 40 * int64_t{kBlock});
  int64_t after = AdvanceHeardClock(clock, 5.0 + 40 * kPeriod, 41 * kBlock - 1);
  EXPECT_NEAR(static_cast<double>(after - before), kBlock / 2.0, 2.0);
  EXPECT_NEAR(HeardPace(clock), kRate, 0.01);
}

}  // namespace
