// The ES 3 backend allocates nothing per frame: with every operator new of the
// program counted, every order's frames go through it to Mesa, read back as
// the capture reads them. A first pass is not counted: Mesa compiles its code
// for each new state combination on first use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation_counter.h"
#include "backend_frames.h"

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr int states = 3;

// Allocations made while every order's states are drawn and read back.
long AllocationsOverEveryOrder(std::vector<unsigned char>& pixels) {
  long before = AllocationCount();
  for (int order = -1; order <= 19; ++order)
    for (int s = 0; s < states; ++s)
      DrawStateFrame(order, StateFrame(s, states), stateFramesPerOrder, width, height,
                     pixels.data());
  return AllocationCount() - before;
}

TEST(EsBackendAllocation, FramesAllocateNothing) {
  std::string error;
  ASSERT_TRUE(OpenBackend(true, width, height, error)) << error;
  std::vector<unsigned char> pixels(std::size_t{width} * height * 3);
  ResetShowState();
  AllocationsOverEveryOrder(pixels);
  EXPECT_EQ(AllocationsOverEveryOrder(pixels), 0);
  CloseBackend(true);

  // The counter itself works: a vector's storage is one allocation.
  long before = AllocationCount();
  std::vector<int> probe(16);
  EXPECT_EQ(AllocationCount() - before, 1);
}

}  // namespace
