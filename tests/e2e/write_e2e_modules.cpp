// Writes the two modules the end-to-end runs play:
//   short.xm  two orders of 16 rows at speed 3, 125 BPM: 1.92 s, a sync on each order
//   long.xm   one order of 64 rows at speed 31, 32 BPM: 155 s, longer than any run
#include <cstdio>
#include <string>

#include "modwriter/xm_writer.h"

namespace {

XmInstrument SquareWave() {
  XmSample sample;
  for (int i = 0; i < 400; ++i)
    sample.frames.push_back(static_cast<int16_t>(i % 40 < 20 ? 6000 : -6000));
  sample.loopType = XmLoopForward;
  sample.loopLength = 400;
  XmInstrument instrument;
  instrument.name = "square";
  instrument.samples.push_back(sample);
  return instrument;
}

XmModule Module(int orders, int rows, int speed, int bpm) {
  const int channels = 2;
  XmModule module;
  module.name = "e2e";
  module.channels = channels;
  module.speed = speed;
  module.bpm = bpm;
  module.instruments.push_back(SquareWave());
  for (int i = 0; i < orders; ++i) {
    XmPattern pattern = MakeXmPattern(rows, channels);
    XmCell& note = XmPatternCell(pattern, channels, 0, 0);
    note.note = XmNote(4, 0);
    note.instrument = 1;
    XmCell& sync = XmPatternCell(pattern, channels, 0, 1);
    sync.effect = XmEffectExtended;
    sync.param = XmSyncParam(1);
    module.patterns.push_back(pattern);
    module.orders.push_back(static_cast<uint8_t>(i));
  }
  return module;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  if (!WriteXmFile(dir + "/short.xm", Module(2, 16, 3, 125)) ||
      !WriteXmFile(dir + "/long.xm", Module(1, 64, 31, 32))) {
    std::fprintf(stderr, "cannot write the modules into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
