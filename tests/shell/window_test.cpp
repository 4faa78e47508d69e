#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/window.h"

namespace {

TEST(WindowDeathTest, NoReachableDisplayMeansNoWindowNotAHeadlessShow) {
  // With no display at all SDL would fall back to its offscreen driver and the
  // show would play to nobody.
  auto create = [] {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    std::exit(CreateDemoWindow(DisplayRequest{}) ? 3 : 4);
  };
  EXPECT_EXIT(create(), testing::ExitedWithCode(4), "");
}

}  // namespace
