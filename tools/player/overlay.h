// The H overlay: order, row, tick, frames per second and frame time in a small
// box at the picture's top left. It is drawn after the show's frame straight to
// the system's GL (not through the show's recorded calls) and puts back every
// piece of GL state it touches.
#pragma once

#include <cstddef>

struct OverlayFigures {
  int order = 0, row = 0, tick = 0;
  double fps = 0;          // frames per second over the last second or so
  double frameMs = 0;      // the last frame's time
  bool paused = false;
};

// The overlay's one line, e.g. "order 3 row 12 tick 40  59.9 fps 16.7 ms".
// Writes at most size bytes, NUL included; returns the length.
size_t FormatOverlay(const OverlayFigures& figures, char* text, size_t size);
// Whether the overlay's font has a glyph for c (space always draws nothing).
bool OverlayHasGlyph(char c);

// Resolves the GL entry points it uses; false when one is missing.
bool LoadOverlayGl(void* (*resolve)(const char* name));
// Draws the text over a drawable of the given size, its top left corner at x, y
// (pixels from the top left), each font pixel scale screen pixels wide.
void DrawOverlay(const char* text, int drawableWidth, int drawableHeight, int x, int y, int scale);
