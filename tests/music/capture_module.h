// The module the capture tests play: three orders of eight rows at speed 6 and
// 125 BPM, so a row lasts 6 * 882 = 5292 samples and the module 24 rows, with
// syncs on order 0 row 4, order 1 row 0 and order 2 row 5.
#pragma once

#include <cstdint>
#include <vector>

#include "modwriter/xm_writer.h"
#include "test_modules.h"

constexpr int kRowSamples = 5292;
constexpr int kRowsPerOrder = 8;
constexpr int kModuleSamples = 3 * kRowsPerOrder * kRowSamples;
constexpr int kSyncRows[] = {4, 8, 21};  // rows counted from the start

inline std::vector<uint8_t> CaptureTestModule() {
  XmModule m = ToneModule(3, kRowsPerOrder, 2, 6, 125);
  for (int row : kSyncRows)
    SetEffect(m, row / kRowsPerOrder, row % kRowsPerOrder, 1, XmEffectExtended, XmSyncParam(1));
  return EncodeXm(m);
}
