#include "shell/display_modes.h"

int ChooseDisplayMode(DisplayModeReader readMode, int width, int height) {
  int chosen = -1;
  int bestBits = 0;
  DisplayModeInfo mode;
  for (int i = 0; i < maxDisplayModes && readMode(i, mode); ++i) {
    // Strictly deeper only: among modes of equal depth the first listed one wins,
    // whatever its refresh rate.
    if (mode.width == width && mode.height == height && mode.bitsPerPixel > bestBits) {
      chosen = i;
      bestBits = mode.bitsPerPixel;
    }
  }
  return chosen;
}
