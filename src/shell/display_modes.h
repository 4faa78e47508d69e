// Choosing the fullscreen display mode: the first listed mode of exactly the
// requested size with the most bits per pixel. Kept apart from SDL so the choice
// can be checked against any list of modes.
#pragma once

struct DisplayModeInfo {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

// Fills `mode` with the display's mode number `index`; false past the last one.
using DisplayModeReader = bool (*)(int index, DisplayModeInfo& mode);

// The search looks at modes 0 to 4998 at most, as many as its record array holds.
constexpr int maxDisplayModes = 4999;

// Index of the chosen mode, or -1 when the list is empty or no mode has the size.
int ChooseDisplayMode(DisplayModeReader readMode, int width, int height);
