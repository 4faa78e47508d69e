#include "player/overlay.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Overlay, TheLineHoldsTheFiguresAndTheFontDrawsEveryCharacterOfIt) {
  OverlayFigures f;
  f.order = 18;
  f.row = 63;
  f.tick = 47;
  f.fps = 59.94;
  f.frameMs = 16.683;
  f.paused = true;
  char text[96];
  size_t n = FormatOverlay(f, text, sizeof text);
  EXPECT_STREQ(text, "order 18 row 63 tick 47  59.9 fps 16.7 ms  paused");
  EXPECT_EQ(n, std::strlen(text));
  for (const char* c = text; *c; c++) EXPECT_TRUE(OverlayHasGlyph(*c)) << "'" << *c << "'";
  for (char c = '0'; c <= '9'; c++) EXPECT_TRUE(OverlayHasGlyph(c)) << c;
  EXPECT_TRUE(OverlayHasGlyph('-'));  // order -1 past the module's end

  // A short buffer is cut, never overrun.
  char small[8];
  EXPECT_EQ(FormatOverlay(f, small, sizeof small), 7u);
  EXPECT_STREQ(small, "order 1");
}

}  // namespace
