// The seek table against a straight run: the show's frames played one by one
// through the offline clock, every frame drawn (GL calls counted), on a module
// whose syncs fall on order starts, inside orders and in orders whose scenes
// kick the swirls.
#include "player/seek_table.h"

#include <gtest/gtest.h>

#include <thread>

#include "music/offline_clock.h"
#include "effects/sheets.h"
#include "glrec/glrec.h"
#include "render/show_random.h"
#include "music/clock.h"
#include "test_modules.h"
#include "timeline/timeline.h"

namespace {

constexpr int kOrders = 6;
constexpr int kRows = 8;

std::vector<uint8_t> SeekTestModule() {
  XmModule m = ToneModule(kOrders, kRows, 2, 3, 125);
  // Row 0 of orders 1, 2 and 4; inside orders 0, 2 and 3, an odd count in
  // order 2 so the swirl's kick sign is turned when order 3 begins.
  const int syncs[][2] = {{0, 3}, {1, 0}, {2, 0}, {2, 5}, {2, 6}, {3, 2}, {3, 3}, {4, 0}, {5, 6}};
  for (const auto& s : syncs) SetEffect(m, s[0], s[1], 1, XmEffectExtended, XmSyncParam(1));
  return EncodeXm(m);
}

bool Same(const SyncLeftState& a, const SyncLeftState& b) {
  return a.lastSyncMs == b.lastSyncMs && a.pending == b.pending &&
         a.pendingTimeMs == b.pendingTimeMs && a.swirlKickTime == b.swirlKickTime &&
         a.swirlKickSign == b.swirlKickSign && a.pairKickTime == b.pairKickTime &&
         a.pairKickSign == b.pairKickSign;
}

std::string Describe(const SyncLeftState& s) {
  char text[160];
  std::snprintf(text, sizeof text, "last %d pending %d at %g swirl %d/%d pair %d/%d", s.lastSyncMs,
                s.pending, static_cast<double>(s.pendingTimeMs), s.swirlKickTime,
                s.swirlKickSign, s.pairKickTime, s.pairKickSign);
  return text;
}

TEST(SeekTable, EachOrderStartsWithTheStateAStraightRunLeavesThere) {
  std::vector<uint8_t> module = SeekTestModule();
  ShowRun run;
  ASSERT_TRUE(RecordShowRun(module.data(), module.size(), run));
  ASSERT_EQ(run.orders, kOrders);

  GlrecReset();
  GlrecSetMode(GlrecCount);
  ResetDemoClock();
  WriteSyncLeftState(SyncLeftState{});
  SetShowRandomState(1);
  // State that the build must leave alone.
  lastSyncMs = 4321;
  swirlKickSign = -1;
  SetShowRandomState(99);
  SeekTable table;
  BuildSeekTable(run, table);
  ASSERT_TRUE(table.built);
  EXPECT_EQ(lastSyncMs, 4321);
  EXPECT_EQ(swirlKickSign, -1);
  EXPECT_EQ(GetShowRandomState(), 99u);

  // The straight run, with the capture's clock.
  WriteSyncLeftState(SyncLeftState{});
  OfflineClock clock;
  ASSERT_TRUE(OpenOfflineClock(clock, module.data(), module.size(), kSeekRunFps));
  int lastOrder = -1;
  int checked = 0;
  int kicked = 0;
  while (true) {
    StepOfflineClock(clock);
    if (OfflineClockPastEnd(clock)) break;
    int order = clock.position & 0xFFFF;
    if (order != lastOrder) {
      // The frame that shows the order first: the state before its syncs.
      ASSERT_TRUE(table.starts[order].played);
      EXPECT_TRUE(Same(table.starts[order].state, ReadSyncLeftState()))
          << "order " << order << ": table " << Describe(table.starts[order].state)
          << ", straight run " << Describe(ReadSyncLeftState());
      double start = table.starts[order].elapsedMs;
      double instant = static_cast<double>(FrameInstantSample(clock.frame, kSeekRunFps)) * 1000 /
                       kCaptureSampleRate;
      // The order's first sample lies within the frame before.
      EXPECT_LE(start, instant) << order;
      EXPECT_GT(start, instant - 1000.0 / kSeekRunFps) << order;
      kicked += table.starts[order].state.swirlKickSign != 1;
      checked++;
      lastOrder = order;
    }
    ApplyOfflineClock(clock);
    DrawFrame();
  }
  CloseOfflineClock(clock);
  EXPECT_EQ(checked, kOrders);
  EXPECT_GT(kicked, 0);  // the swirl orders' syncs reached the table
  EXPECT_EQ(table.starts[0].state.lastSyncMs, -100000);
  ResetDemoClock();
  WriteSyncLeftState(SyncLeftState{});
}


// The player records its run on a thread of its own while the main thread may
// step another offline clock (as the capture does): each hears its own syncs.
TEST(SeekTable, ARecordingBesideAnotherClockHearsTheSameSyncs) {
  std::vector<uint8_t> module = SeekTestModule();
  ShowRun alone;
  ASSERT_TRUE(RecordShowRun(module.data(), module.size(), alone));

  ShowRun beside;
  bool recorded = false;
  std::thread recorder([&] { recorded = RecordShowRun(module.data(), module.size(), beside); });
  OfflineClock clock;
  ASSERT_TRUE(OpenOfflineClock(clock, module.data(), module.size(), kSeekRunFps));
  int heard = 0;
  for (StepOfflineClock(clock); !OfflineClockPastEnd(clock); StepOfflineClock(clock)) {
    ApplyOfflineClock(clock);
    heard += clock.syncs;
  }
  CloseOfflineClock(clock);
  recorder.join();
  ASSERT_TRUE(recorded);
  EXPECT_EQ(beside.syncs, alone.syncs);
  EXPECT_EQ(beside.position, alone.position);
  int recordedSyncs = 0;
  for (uint8_t n : alone.syncs) recordedSyncs += n;
  EXPECT_EQ(heard, recordedSyncs);
  EXPECT_EQ(heard, 9);
}

}  // namespace
