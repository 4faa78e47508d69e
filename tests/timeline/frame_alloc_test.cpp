// The per-frame path allocates nothing: every operator new in this program is
// counted, and DrawFrame runs for every order at several clock states, with a
// sync pending, before and after the objects are loaded.
#include <gtest/gtest.h>

#include <vector>

#include "allocation_counter.h"
#include "assets/objects.h"
#include "glrec/glrec.h"
#include "frame_recording.h"
#include "scratch_dir.h"
#include "stand_in_objects.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

namespace {

// Allocations made by DrawFrame over every order -1..19 at a few clock states.
long AllocationsOverEveryOrder() {
  GlrecSetMode(GlrecCount);  // recording formats strings; counting keeps nothing
  long total = 0;
  for (int order = -1; order <= 19; ++order) {
    for (ClockState clock : {ClockState{order, 0, 0, 0}, ClockState{order, 31, 17, 45000.5f},
                             ClockState{order, 63, 63, 200000}}) {
      SetClockState(clock);
      FrameState frame;
      SaveFrameState(frame);
      frame.syncPending = 1;
      frame.syncTimeMs = clock.elapsedMs - 20;
      RestoreFrameState(frame);
      long before = AllocationCount();
      DrawFrame();
      DrawFrame();  // and once more, with the sync taken
      total += AllocationCount() - before;
    }
  }
  GlrecSetMode(GlrecRecord);
  return total;
}

TEST(FrameAllocation, DrawFrameAllocatesNothingWithOrWithoutObjects) {
  EXPECT_EQ(AllocationsOverEveryOrder(), 0) << "without objects";

  ScratchDir dir;
  ASSERT_TRUE(WriteStandInObjects(dir.path));
  {
    WorkingDir cd(dir.path);
    ASSERT_TRUE(LoadObjects());
  }
  int loaded = 0;
  for (const Object3D& object : ObjectTable) loaded += object.faceCount == 8;
  ASSERT_EQ(loaded, 4) << "the stand-in objects did not load";
  EXPECT_EQ(AllocationsOverEveryOrder(), 0) << "with the four objects";
  for (Object3D& object : ObjectTable) ReleaseObject(object);

  // The counter itself works: a vector's storage is one allocation.
  long before = AllocationCount();
  std::vector<int> probe(16);
  EXPECT_EQ(AllocationCount() - before, 1);
}

}  // namespace
