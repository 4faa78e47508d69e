// Small modules for the music tests, built with the XM writer.
#pragma once

#include <cstdint>
#include <vector>

#include "modwriter/xm_writer.h"

// A square-wave instrument; looped when asked (it then sounds until cut).
XmInstrument SquareInstrument(bool looped, bool sixteenBit = true);

// orders patterns of rows rows (pattern i for order i), channels channels, a
// looped tone started on channel 0 at order 0 row 0, nothing else.
XmModule ToneModule(int orders, int rows, int channels, int speed, int bpm);

// The A/V benches' click module: a short click and a sync (E-command 1) on
// every `every`-th row from row 0, nothing else, `orders` patterns of 64 rows.
XmModule ClickModule(int orders, int speed, int bpm, int every);

// Sets the effect of one cell.
void SetEffect(XmModule& module, int pattern, int row, int channel, uint8_t effect, uint8_t param);

// A bare Scream Tracker 3 module: one 64-row pattern played once, four
// channels, no instruments, holding the given effects (letter 'A'-'Z' and its
// parameter) on the given rows and channels.
struct S3mEffect {
  int row;
  int channel;
  char letter;
  uint8_t param;
};
std::vector<uint8_t> S3mModule(const std::vector<S3mEffect>& effects, int speed, int tempo);
