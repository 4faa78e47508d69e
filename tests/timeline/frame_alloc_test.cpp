// The per-frame path allocates nothing: every operator new in this program is
// counted, and DrawFrame runs for every order at several clock states, with a
// sync pending, before and after the objects are loaded.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "assets/objects.h"
#include "glrec/glrec.h"
#include "frame_recording.h"
#include "scratch_dir.h"
#include "stand_in_objects.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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
      long before = allocations.load();
      DrawFrame();
      DrawFrame();  // and once more, with the sync taken
      total += allocations.load() - before;
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
  long before = allocations.load();
  std::vector<int> probe(16);
  EXPECT_EQ(allocations.load() - before, 1);
}

}  // namespace
