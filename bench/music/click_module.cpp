// Writes the A/V benches' click module (a click and a sync every fourth row, at
// the show's tempo) long enough for SECONDS, for a front end that plays files:
//   click_module FILE SECONDS
#include <cstdio>
#include <cstdlib>

#include "test_modules.h"

int main(int argc, char** argv) {
  constexpr int kRate = 44100, kSpeed = 6, kBpm = 110, kClickEvery = 4;
  constexpr int kRowFrames = kSpeed * (kRate * 5 / (2 * kBpm));
  double seconds = argc > 2 ? std::atof(argv[2]) : 0;
  if (argc != 3 || seconds <= 0) {
    std::fprintf(stderr, "usage: click_module FILE SECONDS\n");
    return 2;
  }
  int orders = static_cast<int>(seconds * kRate / (64.0 * kRowFrames)) + 1;
  if (!WriteXmFile(argv[1], ClickModule(orders, kSpeed, kBpm, kClickEvery))) {
    std::fprintf(stderr, "click_module: %s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
