#include "test_modules.h"

XmInstrument SquareInstrument(bool looped, bool sixteenBit) {
  XmSample s;
  s.sixteenBit = sixteenBit;
  int amplitude = sixteenBit ? 12000 : 60;
  for (int i = 0; i < 2000; i++)
    s.frames.push_back(static_cast<int16_t>(i % 40 < 20 ? amplitude : -amplitude));
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

XmModule ClickModule(int orders, int speed, int bpm, int every) {
  XmModule m = ToneModule(orders, 64, 4, speed, bpm);
  XmSample click;
  for (int i = 0; i < 300; i++) click.frames.push_back(i < 150 ? 20000 : -20000);
  m.instruments[0].samples[0] = click;  // one-shot
  for (int p = 0; p < orders; p++)
    for (int r = 0; r < 64; r++) {
      XmCell& c = XmPatternCell(m.patterns[p], m.channels, r, 0);
      bool clicks = r % every == 0;
      c.note = clicks ? XmNote(4, 0) : XmNoteNone;
      c.instrument = clicks ? 1 : 0;
      if (clicks) SetEffect(m, p, r, 1, XmEffectExtended, XmSyncParam(1));
    }
  return m;
}

std::vector<uint8_t> S3mModule(const std::vector<S3mEffect>& effects, int speed, int tempo) {
  std::vector<uint8_t> b(0x60, 0);
  auto put16 = [&b](size_t at, int v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  b[0x1C] = 0x1A;
  b[0x1D] = 16;         // module type
  put16(0x20, 2);       // orders (even): pattern 0, end marker
  put16(0x22, 0);       // instruments
  put16(0x24, 1);       // patterns
  put16(0x28, 0x1320);  // made by version 3.20
  put16(0x2A, 2);       // unsigned samples
  b[0x2C] = 'S', b[0x2D] = 'C', b[0x2E] = 'R', b[0x2F] = 'M';
  b[0x30] = 64;  // global volume
  b[0x31] = static_cast<uint8_t>(speed);
  b[0x32] = static_cast<uint8_t>(tempo);
  b[0x33] = 0xB0;  // stereo, master volume 48
  for (int ch = 0; ch < 32; ch++)
    b[0x40 + ch] = ch < 4 ? static_cast<uint8_t>(ch % 2 ? 8 + ch : ch) : 255;
  b.push_back(0);    // order 0: pattern 0
  b.push_back(255);  // end of song
  size_t pointer = b.size();
  b.push_back(0);
  b.push_back(0);
  while (b.size() % 16) b.push_back(0);
  put16(pointer, static_cast<int>(b.size() / 16));

  std::vector<uint8_t> packed = {0, 0};
  for (int row = 0; row < 64; row++) {
    for (const S3mEffect& e : effects) {
      if (e.row != row) continue;
      packed.push_back(static_cast<uint8_t>(0x80 | e.channel));  // command and info follow
      packed.push_back(static_cast<uint8_t>(e.letter - 'A' + 1));
      packed.push_back(e.param);
    }
    packed.push_back(0);  // end of row
  }
  packed[0] = static_cast<uint8_t>(packed.size() & 0xFF);
  packed[1] = static_cast<uint8_t>(packed.size() >> 8);
  b.insert(b.end(), packed.begin(), packed.end());
  return b;
}
