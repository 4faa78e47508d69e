#include "test_modules.h"

XmInstrument SquareInstrument(bool looped, bool sixteenBit) {
  XmSample s;
  s.sixteenBit = sixteenBit;
  int amplitude = sixteenBit ? 12000 : 60;
  for (int i = 0; i < 2000; i++) s.frames.push_back(static_cast<int16_t>(i % 40 < 20 ? amplitude : -amplitude));
  if (looped) {
    s.loopType = XmLoopForward;
    s.loopStart = 0;
    s.loopLength = 2000;
  }
  XmInstrument ins;
  ins.name = "square";
  ins.samples.push_back(s);
  return ins;
}

XmModule ToneModule(int orders, int rows, int channels, int speed, int bpm) {
  XmModule m;
  m.name = "test";
  m.channels = channels;
  m.speed = speed;
  m.bpm = bpm;
  m.instruments.push_back(SquareInstrument(true));
  for (int i = 0; i < orders; i++) {
    m.patterns.push_back(MakeXmPattern(rows, channels));
    m.orders.push_back(static_cast<uint8_t>(i));
  }
  XmCell& first = XmPatternCell(m.patterns[0], channels, 0, 0);
  first.note = XmNote(4, 0);
  first.instrument = 1;
  return m;
}

void SetEffect(XmModule& m, int pattern, int row, int channel, uint8_t effect, uint8_t param) {
  XmCell& c = XmPatternCell(m.patterns[pattern], m.channels, row, channel);
  c.effect = effect;
  c.param = param;
}
