// Writes a short stand-in soundtrack so the show runs from start to end before
// the composed one exists: 19 orders of 64 rows (one per scene) at 23 ms a row,
// about 28 seconds, with a kick, hats, bass and a pad over the show's chords,
// global-volume fades where the scenes go black, and E81 syncs on an otherwise
// empty channel on the rows where the scenes flash.
//
// Usage: placeholder-music <output file>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "modwriter/xm_writer.h"

namespace {

constexpr int kChannels = 8;
constexpr int kKick = 0, kHat = 1, kBass = 2, kPad = 3, kSync = 7;  // pad uses 3-5
constexpr int kInstKick = 1, kInstHat = 2, kInstBass = 3, kInstPad = 4;
constexpr double kTwoPi = 6.283185307179586;

// One-shots are recorded at 44,100 Hz; looped tones hold 128 frames per cycle
// of C-4, so C-4 plays them at 33,488 Hz.
constexpr double kOneShotRate = 44100.0;
constexpr double kToneRate = 33488.0;

XmSample OneShot(const char* name, const std::vector<double>& wave) {
  XmSample s;
  s.name = name;
  XmTuning tuning = XmTuningForRate(kOneShotRate);
  s.relativeNote = tuning.relativeNote;
  s.finetune = tuning.finetune;
  for (double v : wave) {
    s.frames.push_back(
        static_cast<int16_t>(std::lround(std::fmax(-1.0, std::fmin(1.0, v)) * 30000.0)));
  }
  return s;
}

// A loop of cycles whole cycles of 128 frames; partial k (of the C-4 cycle) has
// amplitude gains[k-1], and detune adds voices at cycles +-1 over the loop.
XmSample LoopedTone(const char* name, std::initializer_list<double> gains, bool detune) {
  const int cycles = 64, frames = cycles * 128;
  XmSample s;
  s.name = name;
  XmTuning tuning = XmTuningForRate(kToneRate);
  s.relativeNote = tuning.relativeNote;
  s.finetune = tuning.finetune;
  s.loopType = XmLoopForward;
  s.loopStart = 0;
  s.loopLength = frames;
  double total = 0;
  for (double g : gains) total += g;
  std::vector<double> wave(frames, 0.0);
  for (int voice = detune ? -1 : 0; voice <= (detune ? 1 : 0); voice++) {
    int k = 1;
    for (double g : gains) {
      double loopCycles = static_cast<double>(k * (cycles + voice));
      for (int i = 0; i < frames; i++) wave[i] += g * std::sin(kTwoPi * loopCycles * i / frames);
      k++;
    }
  }
  double scale = 0.8 / (total * (detune ? 3 : 1));
  for (double v : wave) s.frames.push_back(static_cast<int16_t>(std::lround(v * scale * 32767.0)));
  return s;
}

XmInstrument Instrument(const char* name, XmSample sample) {
  XmInstrument ins;
  ins.name = name;
  ins.samples.push_back(sample);
  return ins;
}

std::vector<double> KickWave() {
  // Sine falling from 150 to 45 Hz over 300 ms: the phase integrates the frequency.
  std::vector<double> wave(13230);
  for (size_t i = 0; i < wave.size(); i++) {
    double t = i / kOneShotRate;
    double phase = kTwoPi * (45.0 * t + 105.0 * 0.05 * (1.0 - std::exp(-t / 0.05)));
    wave[i] = std::sin(phase) * std::exp(-t / 0.08);
  }
  return wave;
}

std::vector<double> HatWave() {
  // Noise from a fixed generator, differenced to brighten it, 35 ms long.
  std::vector<double> wave(1544);
  uint32_t state = 1;
  double previous = 0;
  for (size_t i = 0; i < wave.size(); i++) {
    state = state * 1664525u + 1013904223u;
    double noise = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    wave[i] = 0.5 * (noise - previous) * std::exp(-(i / kOneShotRate) / 0.012);
    previous = noise;
  }
  return wave;
}

// Chord per bar of 16 rows: bass root and three pad notes, as semitones from C.
struct Chord {
  int root;
  int pad[3];
};

// Four-bar progressions in A minor; each order plays one.
const Chord kDusk[4] = {{9, {0, 4, 11}}, {5, {4, 9, 12}}, {0, {4, 7, 11}}, {7, {2, 4, 11}}};
const Chord kAfterglow[4] = {{2, {5, 9, 12}}, {10, {2, 5, 9}}, {5, {4, 9, 12}}, {4, {2, 8, 11}}};
const Chord kBlueHour[4] = {{5, {4, 9, 12}}, {4, {2, 7, 11}}, {2, {5, 9, 12}}, {4, {4, 9, 11}}};
const Chord kEnding[4] = {{5, {5, 9, 12}}, {7, {2, 7, 11}}, {9, {1, 4, 9}}, {9, {1, 4, 9}}};

struct OrderPlan {
  const Chord* chords;
  bool drums;
  std::initializer_list<int> syncRows;
};

// Drums follow the scenes' energy; sync rows are where the scenes flash.
const OrderPlan kPlan[19] = {
    {kDusk, false, {}},
    {kDusk, true, {0, 16, 32, 40, 48, 56, 60}},
    {kDusk, true, {0, 16, 32, 48}},
    {kDusk, true, {0, 16, 32, 48, 56}},
    {kDusk, true, {0, 8, 16, 24, 32, 36, 40, 44, 48, 56}},
    {kAfterglow, false, {16, 32, 48}},
    {kAfterglow, true, {0, 16, 32, 48, 56, 63}},
    {kBlueHour, false, {}},
    {kDusk, true, {}},
    {kDusk, true, {32, 40, 48, 56, 60}},
    {kBlueHour, true, {0, 8, 16, 24}},
    {kDusk, false, {}},
    {kDusk, true, {}},
    {kBlueHour, false, {}},
    {kDusk, true, {}},
    {kBlueHour, true, {}},
    {kDusk, true, {32, 40, 48, 52, 56, 60}},
    {kDusk, true, {0, 8, 16, 22, 28, 32, 40, 48, 52, 56}},
    {kEnding, false, {0, 16, 22, 28, 44}},
};

void Note(XmPattern& p, int row, int channel, int instrument, uint8_t note, int volume) {
  XmCell& c = XmPatternCell(p, kChannels, row, channel);
  c.note = note;
  c.instrument = static_cast<uint8_t>(instrument);
  c.volume = XmVolume(volume);
}

void Effect(XmPattern& p, int row, int channel, uint8_t effect, uint8_t param) {
  XmCell& c = XmPatternCell(p, kChannels, row, channel);
  c.effect = effect;
  c.param = param;
}

XmPattern ComposeOrder(int order) {
  const OrderPlan& plan = kPlan[order];
  XmPattern p = MakeXmPattern(64, kChannels);
  for (int bar = 0; bar < 4; bar++) {
    const Chord& chord = plan.chords[bar];
    int r = bar * 16;
    Note(p, r, kBass, kInstBass, XmNote(2, chord.root), 56);
    Note(p, r + 10, kBass, kInstBass, XmNote(3, chord.root), 40);
    for (int v = 0; v < 3; v++) Note(p, r, kPad + v, kInstPad, XmNote(4, chord.pad[v]), 30);
    if (plan.drums) {
      for (int beat = 0; beat < 16; beat += 4)
        Note(p, r + beat, kKick, kInstKick, XmNote(4, 0), 64);
      for (int off = 2; off < 16; off += 4) Note(p, r + off, kHat, kInstHat, XmNote(4, 0), 36);
    }
  }
  for (int row : plan.syncRows) Effect(p, row, kSync, XmEffectExtended, XmSyncParam(1));
  // Fades where the scenes go black, and the volume back at the next order.
  if (order == 7) Effect(p, 48, kSync - 1, XmEffectGlobalVolumeSlide, 0x01);
  if (order == 13) Effect(p, 56, kSync - 1, XmEffectGlobalVolumeSlide, 0x02);
  if (order == 8 || order == 14) Effect(p, 0, kSync - 1, XmEffectSetGlobalVolume, 0x40);
  if (order == 18) {
    for (int v = 0; v < 3; v++) XmPatternCell(p, kChannels, 62, kPad + v).note = XmNoteOff;
    XmPatternCell(p, kChannels, 62, kBass).note = XmNoteOff;
  }
  return p;
}

XmModule ComposeSoundtrack() {
  XmModule m;
  m.name = "nivora dusk placeholder";
  m.channels = kChannels;
  // 2 ticks of 512 frames: 23.2 ms a row, 1.49 s an order.
  m.speed = 2;
  m.bpm = 215;
  m.linearFrequencies = true;

  m.instruments.push_back(Instrument("kick", OneShot("kick", KickWave())));
  m.instruments.push_back(Instrument("hat", OneShot("hat", HatWave())));
  XmInstrument bass =
      Instrument("bass", LoopedTone("bass", {1.0, 0.25, 0.11, 0.0625, 0.04}, false));
  bass.volumeEnvelope.points = {{0, 64}, {6, 40}, {40, 0}};
  m.instruments.push_back(bass);
  XmInstrument pad = Instrument("pad", LoopedTone("pad", {1.0, 0.5, 0.3, 0.2}, true));
  pad.volumeEnvelope.points = {{0, 0}, {20, 64}, {24, 64}};
  pad.volumeEnvelope.sustainPoint = 2;
  pad.fadeout = 512;
  m.instruments.push_back(pad);

  for (int order = 0; order < 19; order++) {
    m.patterns.push_back(ComposeOrder(order));
    m.orders.push_back(static_cast<uint8_t>(order));
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: placeholder-music <output file>\n");
    return 2;
  }
  XmModule module = ComposeSoundtrack();
  std::string fault = XmModuleError(module);
  if (!fault.empty() || !WriteXmFile(argv[1], module)) {
    std::fprintf(stderr, "placeholder-music: cannot write %s%s%s\n", argv[1],
                 fault.empty() ? "" : ": ", fault.c_str());
    return 1;
  }
  return 0;
}
