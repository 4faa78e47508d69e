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

// Sets the effect of one cell.
void SetEffect(XmModule& module, int pattern, int row, int channel, uint8_t effect,
               uint8_t param);
