#include "soundtrack/compose.h"

#include <cmath>

#include "soundtrack/synth.h"

namespace {

// Channels: drums, bass, a three-voice pad, bell, arp, effects, cymbals and
// global volume, and the sync channel that never holds a note.
enum Channel {
  chKick = 0,
  chSnare = 1,
  chHat = 2,
  chBass = 3,
  chPad = 4,  // 4, 5, 6
  chBell = 7,
  chArp = 8,
  chFx = 9,
  chCymbal = 10,
  chSync = syncChannel,
};

enum Instrument {
  insKick = 1,
  insSnare,
  insClap,
  insHatClosed,
  insHatOpen,
  insCrash,
  insReversedCrash,
  insRiser,
  insCrackle,
  insTick,
  insBass,
  insPad,
  insBell,
  insArp,
  insWind,
};

// Notes as semitones from C-0; the file stores them plus one.
constexpr int C = 0, Cs = 1, D = 2, Eb = 3, E = 4, F = 5, G = 7, Gs = 8, A = 9, Bb = 10, B = 11;
constexpr int N(int octave, int semitone) { return octave * 12 + semitone; }

struct Chord {
  int bass;
  int pad[3];
};

const Chord Am9 = {N(2, A), {N(4, C), N(4, E), N(4, B)}};
const Chord Fmaj7 = {N(2, F), {N(3, A), N(4, C), N(4, E)}};
const Chord Cmaj7 = {N(3, C), {N(3, G), N(3, B), N(4, E)}};
const Chord G6 = {N(2, G), {N(3, B), N(4, D), N(4, E)}};
const Chord Dm9 = {N(3, D), {N(3, F), N(3, A), N(4, E)}};
const Chord Bbmaj7 = {N(2, Bb), {N(3, A), N(4, D), N(4, F)}};
const Chord E7sus4 = {N(2, E), {N(3, A), N(3, B), N(4, D)}};
const Chord E7 = {N(2, E), {N(3, Gs), N(3, B), N(4, D)}};
const Chord Em7 = {N(2, E), {N(3, G), N(3, B), N(4, D)}};
const Chord Esus4 = {N(2, E), {N(3, A), N(3, B), N(4, E)}};
const Chord Fmaj = {N(2, F), {N(3, A), N(4, C), N(4, F)}};
const Chord Gmaj = {N(2, G), {N(3, B), N(4, D), N(4, G)}};
const Chord Am = {N(2, A), {N(3, A), N(4, C), N(4, E)}};
const Chord AmAdd9 = {N(2, A), {N(3, B), N(4, C), N(4, E)}};
const Chord Amaj = {N(2, A), {N(3, A), N(4, Cs), N(4, E)}};

// One chord a bar (16 rows).
const Chord dusk[4] = {Am9, Fmaj7, Cmaj7, G6};
const Chord afterglow[4] = {Dm9, Bbmaj7, Fmaj7, E7sus4};
const Chord blueHour[4] = {Fmaj7, Em7, Dm9, Esus4};
const Chord night[4] = {Fmaj, Gmaj, Am, AmAdd9};

struct ThemeNote {
  int row;
  int note;
};
const ThemeNote theme[] = {
    {0, N(4, A)},  {6, N(5, C)},  {8, N(5, E)},  {12, N(5, D)}, {16, N(5, C)},
    {24, N(4, B)}, {28, N(4, G)}, {32, N(4, A)}, {40, N(5, E)}, {44, N(5, G)},
    {48, N(5, A)}, {56, N(5, G)}, {60, N(5, E)},
};

// The rows that carry a sync, per order: each lands on a hit.
const std::vector<int> syncRows[19] = {
    {},
    {0, 16, 32, 40, 48, 56, 60},
    {0, 16, 32, 48},
    {0, 16, 32, 48, 56},
    {0, 8, 16, 24, 32, 36, 40, 44, 48, 56},
    {16, 32, 48},
    {0, 16, 32, 48, 56, 63},
    {},
    {},
    {32, 40, 48, 56, 60},
    {0, 8, 16, 24},
    {},
    {},
    {},
    {},
    {},
    {32, 40, 48, 52, 56, 60},
    {0, 8, 16, 22, 28, 32, 40, 48, 52, 56},
    {0, 16, 22, 28, 44},
};

struct Pattern {
  XmPattern xm = MakeXmPattern(64, soundtrackChannels);
  XmCell& At(int row, int channel) {
    return XmPatternCell(xm, soundtrackChannels, row, channel);
  }
  void Note(int row, int channel, int note, int instrument, int volume = -1) {
    XmCell& c = At(row, channel);
    c.note = static_cast<uint8_t>(note + 1);
    c.instrument = static_cast<uint8_t>(instrument);
    c.volume = volume < 0 ? XmVolumeNone : XmVolume(volume);
  }
  void Off(int row, int channel) { At(row, channel).note = XmNoteOff; }
  void Volume(int row, int channel, int volume) { At(row, channel).volume = XmVolume(volume); }
  void Effect(int row, int channel, int effect, int param) {
    XmCell& c = At(row, channel);
    c.effect = static_cast<uint8_t>(effect);
    c.param = static_cast<uint8_t>(param);
  }
};

// Drums: one-shots are triggered at C-4, where they play as recorded.
const int drumNote = N(4, C);
void Kick(Pattern& p, int row, int volume = 64) { p.Note(row, chKick, drumNote, insKick, volume); }
void Snare(Pattern& p, int row, int volume = 56) { p.Note(row, chSnare, drumNote, insSnare, volume); }
void Clap(Pattern& p, int row, int volume = 52) { p.Note(row, chSnare, drumNote, insClap, volume); }
void Hat(Pattern& p, int row, int volume = 30) { p.Note(row, chHat, drumNote, insHatClosed, volume); }
void OpenHat(Pattern& p, int row, int volume = 28) { p.Note(row, chHat, drumNote, insHatOpen, volume); }
void Crash(Pattern& p, int row, int volume = 48) { p.Note(row, chCymbal, drumNote, insCrash, volume); }
void Fx(Pattern& p, int row, int instrument, int volume = 48) {
  p.Note(row, chFx, drumNote, instrument, volume);
}

void PadChord(Pattern& p, int row, const Chord& chord, int volume) {
  for (int v = 0; v < 3; ++v) p.Note(row, chPad + v, chord.pad[v], insPad, volume);
}
void PadVolume(Pattern& p, int row, int volume) {
  for (int v = 0; v < 3; ++v) p.Volume(row, chPad + v, volume);
}
void PadOff(Pattern& p, int row) {
  for (int v = 0; v < 3; ++v) p.Off(row, chPad + v);
}
void PadBars(Pattern& p, const Chord (&bars)[4], int volume) {
  for (int bar = 0; bar < 4; ++bar) PadChord(p, bar * 16, bars[bar], volume);
}
void BassBars(Pattern& p, const Chord (&bars)[4], int volume, int from = 0) {
  for (int bar = 0; bar < 4; ++bar) {
    if (bar * 16 < from) continue;
    p.Note(bar * 16, chBass, bars[bar].bass, insBass, volume);
    p.Note(bar * 16 + 10, chBass, bars[bar].bass, insBass, volume - 8);
  }
}
void Bell(Pattern& p, int row, int note, int volume = 44) { p.Note(row, chBell, note, insBell, volume); }
void ThemeOnBell(Pattern& p, int volume, int transpose = 0, int from = 0, int to = 64) {
  for (const ThemeNote& t : theme)
    if (t.row >= from && t.row < to) Bell(p, t.row, t.note + transpose, volume);
}
void Arp(Pattern& p, int row, int note, int volume = 30) { p.Note(row, chArp, note, insArp, volume); }
// Up and down the pad's three notes an octave higher, one note every `step` rows.
void ArpBars(Pattern& p, const Chord (&bars)[4], int step, int volume, int from = 0, int to = 64) {
  static const int walk[4] = {0, 1, 2, 1};
  for (int row = from; row < to; row += step) {
    const Chord& chord = bars[row / 16];
    Arp(p, row, chord.pad[walk[(row / step) % 4]] + 12, volume);
  }
}
void GlobalVolume(Pattern& p, int row, int volume) {
  p.Effect(row, chCymbal, XmEffectSetGlobalVolume, volume);
}
// Global volume down by `perTick` each tick of every row from `from` on.
void FadeOut(Pattern& p, int from, int perTick) {
  for (int row = from; row < 64; ++row) p.Effect(row, chCymbal, XmEffectGlobalVolumeSlide, perTick);
}
void Groove(Pattern& p, int from, int to, bool eighthHats) {
  for (int row = from; row < to; ++row) {
    int beat = row % 16;
    if (beat == 0 || beat == 8 || beat == 10) Kick(p, row);
    if (beat == 4 || beat == 12) Snare(p, row);
    if (eighthHats ? row % 2 == 0 : beat % 4 == 2) Hat(p, row, beat % 4 == 2 ? 32 : 22);
  }
}
void FourOnFloor(Pattern& p, int from, int to, int step, int volume = 64) {
  for (int row = from; row < to; row += step) Kick(p, row, volume);
}

Pattern Order0() {
  // The intro: wind and an Am9 pad that swell and fall with the light.
  Pattern p;
  p.Note(0, chFx, N(6, C), insWind, 14);
  PadChord(p, 0, Am9, 16);
  for (int row = 4; row < 64; row += 4) {
    double swell = std::sin(3.14159265 * row / 64.0);
    int level = 16 + static_cast<int>(30.0 * swell);
    PadVolume(p, row, level);
    p.Volume(row, chFx, 14 + static_cast<int>(22.0 * swell));
  }
  Bell(p, 0, N(4, A), 26);
  Bell(p, 32, N(5, E), 40);
  Bell(p, 44, N(4, B), 28);
  p.Note(56, chCymbal, drumNote, insReversedCrash, 44);
  p.Off(60, chFx);
  return p;
}

Pattern Order1() {
  Pattern p;
  FourOnFloor(p, 0, 64, 4);
  BassBars(p, dusk, 50);
  PadBars(p, dusk, 34);
  Crash(p, 0, 36);
  // The theme climbs to its high note on row 32, where the crash and the sun peak.
  const ThemeNote climb[] = {{0, N(4, A)},  {6, N(5, C)},  {8, N(5, E)},  {12, N(5, D)},
                             {16, N(5, C)}, {20, N(5, E)}, {24, N(5, G)}, {28, N(5, B)},
                             {32, N(6, E)}, {40, N(5, E)}, {44, N(5, G)}, {48, N(5, A)},
                             {56, N(5, G)}, {60, N(5, E)}};
  for (const ThemeNote& t : climb) Bell(p, t.row, t.note, t.row == 32 ? 56 : 42);
  Crash(p, 32, 56);
  return p;
}

Pattern Order2() {
  Pattern p;
  Groove(p, 0, 64, false);
  BassBars(p, dusk, 52);
  PadBars(p, dusk, 30);
  ThemeOnBell(p, 44);
  Fx(p, 48, insRiser, 40);  // the whoosh as the crescent brushes past
  return p;
}

Pattern Order3() {
  Pattern p;
  Groove(p, 0, 56, true);
  BassBars(p, dusk, 52);
  PadBars(p, dusk, 28);
  ThemeOnBell(p, 40, 12, 0, 32);  // the variation: the first half an octave up
  ThemeOnBell(p, 42, 0, 32, 64);
  ArpBars(p, dusk, 2, 24, 0, 56);
  Kick(p, 48);
  // The fill.
  const int fill[] = {56, 58, 60, 61, 62, 63};
  for (int row : fill) Snare(p, row, 40 + (row - 56) * 3);
  Kick(p, 56);
  return p;
}

Pattern Order4() {
  // The peak: 16th hats, retriggered snares, octave bass and a fast arp, thinning
  // with the strobe until the drums drop out at row 48.
  Pattern p;
  for (int row = 0; row < 48; ++row) {
    int beat = row % 16;
    if (beat % 4 == 0) Kick(p, row);
    if (beat == 4 || beat == 12) Snare(p, row);
    Hat(p, row, beat % 2 == 0 ? 34 - row / 3 : 22 - row / 4);
  }
  p.Effect(28, chSnare, XmEffectExtended, 0x93);
  p.Effect(44, chSnare, XmEffectExtended, 0x92);
  for (int row = 0; row < 64; row += 2) {
    const Chord& chord = dusk[row / 16];
    p.Note(row, chBass, chord.bass + ((row / 2) % 2) * 12, insBass, row < 48 ? 52 : 40);
  }
  PadBars(p, dusk, 30);
  ArpBars(p, dusk, 1, 22, 0, 48);
  Crash(p, 0, 48);
  Bell(p, 48, N(5, A), 50);
  Bell(p, 56, N(5, E), 46);
  return p;
}

Pattern Order5() {
  // Section B, half time; the beat enters at row 32.
  Pattern p;
  PadBars(p, afterglow, 34);
  PadChord(p, 56, E7, 34);
  BassBars(p, afterglow, 50);
  p.Note(56, chBass, E7.bass, insBass, 46);
  Clap(p, 16, 44);
  Bell(p, 16, N(5, D), 40);
  for (int row = 32; row < 64; ++row) {
    int beat = row % 16;
    if (beat == 0) Kick(p, row);
    if (beat == 8) Snare(p, row, 50);
    if (beat % 4 == 2) Hat(p, row, 24);
  }
  return p;
}

Pattern Order6() {
  Pattern p;
  PadBars(p, afterglow, 30);
  PadChord(p, 56, E7, 30);
  BassBars(p, afterglow, 52);
  for (int row = 0; row < 56; ++row) {
    int beat = row % 16;
    if (beat == 0 || beat == 6) Kick(p, row);
    if (beat == 8) Snare(p, row);
    if (row % 2 == 0) Hat(p, row, beat % 4 == 2 ? 30 : 20);
  }
  ThemeOnBell(p, 42);
  // Snare roll and crackle, then the pickup on the last row.
  for (int row = 56; row <= 60; ++row) Snare(p, row, 36 + (row - 56) * 4);
  Kick(p, 56);
  Fx(p, 56, insCrackle, 40);
  Kick(p, 63);
  Clap(p, 63, 56);
  return p;
}

Pattern Order7() {
  // A crash and Am9, then no drums: pad and bell over the blue-hour chords,
  // fading out from row 48 with the picture.
  Pattern p;
  Crash(p, 0, 52);
  PadChord(p, 0, Am9, 40);
  PadChord(p, 16, Em7, 38);
  PadChord(p, 32, Dm9, 38);
  PadChord(p, 48, Esus4, 36);
  p.Note(0, chBass, N(2, A), insBass, 44);
  p.Note(16, chBass, Em7.bass, insBass, 40);
  p.Note(32, chBass, Dm9.bass, insBass, 40);
  p.Note(48, chBass, Esus4.bass, insBass, 36);
  const ThemeNote bells[] = {{4, N(5, E)}, {12, N(5, C)}, {20, N(5, B)}, {28, N(5, G)},
                             {36, N(5, A)}, {44, N(5, F)}, {52, N(5, E)}};
  for (const ThemeNote& t : bells) Bell(p, t.row, t.note, 38);
  FadeOut(p, 48, 0x01);
  return p;
}

Pattern Order8() {
  // The mechanism: a tick every two rows (a gear tooth), eighth-note bass.
  Pattern p;
  GlobalVolume(p, 0, 0x40);
  const Chord bars[4] = {Am, Am, Fmaj, Gmaj};
  for (int row = 0; row < 64; row += 2) {
    Fx(p, row, insTick, row % 8 == 0 ? 44 : 32);
    p.Note(row, chBass, bars[row / 16].bass, insBass, row % 4 == 0 ? 50 : 38);
  }
  PadBars(p, bars, 22);
  p.Note(0, chCymbal, drumNote, insCrackle, 36);
  p.Note(32, chCymbal, drumNote, insCrackle, 30);
  return p;
}

Pattern Order9() {
  // The build: kick joins at row 16, snare at row 32.
  Pattern p;
  const Chord bars[4] = {Am, Am, Fmaj, Gmaj};
  for (int row = 0; row < 64; row += 2) {
    Fx(p, row, insTick, row % 8 == 0 ? 44 : 32);
    p.Note(row, chBass, bars[row / 16].bass, insBass, row % 4 == 0 ? 52 : 40);
  }
  PadBars(p, bars, 26);
  FourOnFloor(p, 16, 64, 4);
  for (int row = 36; row < 64; row += 8) Snare(p, row);
  Clap(p, 60, 48);
  p.Note(56, chCymbal, drumNote, insCrackle, 30);
  return p;
}

Pattern Order10() {
  // Flight: the biggest crash, open pads and long notes; drums thin from row 32.
  Pattern p;
  Crash(p, 0, 60);
  PadBars(p, blueHour, 38);
  BassBars(p, blueHour, 46);
  FourOnFloor(p, 0, 32, 4);
  FourOnFloor(p, 32, 64, 8, 50);
  for (int row = 2; row < 32; row += 4) OpenHat(p, row, 22);
  const ThemeNote longNotes[] = {{0, N(5, A)}, {16, N(5, G)}, {32, N(5, F)}, {48, N(5, E)}};
  for (const ThemeNote& t : longNotes) Bell(p, t.row, t.note, 46);
  ArpBars(p, blueHour, 4, 18);
  return p;
}

Pattern Order11() {
  // The theme again, on the bell, over a gentle dusk progression.
  Pattern p;
  PadBars(p, dusk, 30);
  BassBars(p, dusk, 44);
  ThemeOnBell(p, 46);
  FourOnFloor(p, 0, 64, 8, 44);
  for (int row = 4; row < 64; row += 8) Hat(p, row, 20);
  return p;
}

Pattern Order12() {
  // Drums out at row 48, then everything fades.
  Pattern p;
  PadBars(p, dusk, 30);
  BassBars(p, dusk, 44);
  ThemeOnBell(p, 40, 0, 0, 48);
  FourOnFloor(p, 0, 48, 8, 44);
  for (int row = 4; row < 48; row += 8) Hat(p, row, 20);
  for (int row = 50; row < 64; row += 2) PadVolume(p, row, 30 - (row - 48));
  Bell(p, 48, N(5, A), 34);
  return p;
}

Pattern Order13() {
  // A quiet interlude of pad and bells, faded to silence over the last eight rows.
  Pattern p;
  PadBars(p, blueHour, 34);
  const ThemeNote bells[] = {{0, N(5, C)}, {8, N(5, E)}, {16, N(5, B)}, {24, N(5, D)},
                             {32, N(5, A)}, {40, N(5, F)}, {48, N(5, B)}};
  for (const ThemeNote& t : bells) Bell(p, t.row, t.note, 34);
  for (int row = 0; row < 64; row += 16) p.Note(row, chBass, blueHour[row / 16].bass, insBass, 34);
  FadeOut(p, 56, 0x02);
  return p;
}

Pattern Order14() {
  // The pad swells over the first bar; a soft beat from row 16.
  Pattern p;
  GlobalVolume(p, 0, 0x40);
  PadBars(p, dusk, 36);
  PadVolume(p, 0, 12);
  for (int row = 4; row < 16; row += 4) PadVolume(p, row, 12 + row * 2);
  BassBars(p, dusk, 44, 16);
  FourOnFloor(p, 16, 64, 8, 46);
  for (int row = 20; row < 64; row += 8) Hat(p, row, 20);
  Bell(p, 16, N(5, E), 34);
  Bell(p, 32, N(5, A), 34);
  return p;
}

Pattern Order15() {
  // Reflective: kick and shaker, fragments of the theme over the blue hour.
  Pattern p;
  PadBars(p, blueHour, 32);
  BassBars(p, blueHour, 42);
  FourOnFloor(p, 0, 64, 8, 46);
  for (int row = 0; row < 64; row += 2) Hat(p, row, row % 4 == 2 ? 18 : 10);
  ThemeOnBell(p, 38, 0, 0, 16);
  ThemeOnBell(p, 36, 0, 32, 52);
  return p;
}

Pattern Order16() {
  // The build: the arp doubles its speed, the snare builds, the riser from row 48.
  Pattern p;
  PadBars(p, dusk, 30);
  BassBars(p, dusk, 48);
  ArpBars(p, dusk, 2, 22, 0, 16);
  ArpBars(p, dusk, 1, 24, 16, 64);
  FourOnFloor(p, 32, 64, 4);
  for (int row = 36; row < 48; row += 4) Snare(p, row, 40);
  for (int row = 48; row < 56; row += 2) Snare(p, row, 44);
  for (int row = 56; row < 64; ++row) Snare(p, row, 44 + (row - 56) * 2);
  Fx(p, 48, insRiser, 46);
  return p;
}

Pattern Order17() {
  // The climax: full band, the theme in octaves over the night chords, hits on
  // rows 22 and 28.
  Pattern p;
  Crash(p, 0, 56);
  Groove(p, 0, 64, true);
  Kick(p, 22);
  Clap(p, 22, 60);
  Crash(p, 22, 50);
  Crash(p, 28, 56);
  Kick(p, 28);
  PadBars(p, night, 34);
  BassBars(p, night, 54);
  ThemeOnBell(p, 46);
  for (const ThemeNote& t : theme) Arp(p, t.row, t.note + 12, 30);
  return p;
}

Pattern Order18() {
  // The outro: F, G, then A major with a crash on row 28; the drums stop, the
  // pad rings, a last bell on row 44, silence by row 62.
  Pattern p;
  PadChord(p, 0, Fmaj, 34);
  PadChord(p, 16, Gmaj, 34);
  PadChord(p, 28, Amaj, 40);
  p.Note(0, chBass, Fmaj.bass, insBass, 48);
  p.Note(16, chBass, Gmaj.bass, insBass, 48);
  p.Note(28, chBass, Amaj.bass, insBass, 50);
  for (int row = 0; row < 28; row += 4) Kick(p, row, 56);
  for (int row = 4; row < 28; row += 8) Snare(p, row, 46);
  for (int row = 2; row < 28; row += 2) Hat(p, row, 20);
  Clap(p, 22, 56);
  Crash(p, 22, 40);
  Kick(p, 22);
  Kick(p, 28);
  Crash(p, 28, 60);
  Bell(p, 28, N(5, A), 48);
  Bell(p, 44, N(5, Cs), 40);
  p.Off(36, chBass);
  PadOff(p, 40);
  return p;
}

XmInstrument OneShot(const char* name, const Wave& wave, double peak) {
  XmInstrument ins;
  ins.name = name;
  XmSample s;
  s.name = name;
  s.frames = ToFrames(wave, peak);
  XmTuning tuning = XmTuningForRate(oneShotRate);
  s.relativeNote = tuning.relativeNote;
  s.finetune = tuning.finetune;
  ins.samples.push_back(std::move(s));
  return ins;
}

// Pitched one-shots are recorded at C-5: C-4 plays them an octave down.
XmInstrument PitchedShot(const char* name, const Wave& wave, double peak) {
  XmInstrument ins = OneShot(name, wave, peak);
  XmTuning tuning = XmTuningForRate(oneShotRate / 2.0);
  ins.samples[0].relativeNote = tuning.relativeNote;
  ins.samples[0].finetune = tuning.finetune;
  return ins;
}

XmInstrument LoopedTone(const char* name, const Wave& wave, double peak, int attackTicks,
                        uint16_t fadeout) {
  XmInstrument ins;
  ins.name = name;
  XmSample s;
  s.name = name;
  s.frames = ToFrames(wave, peak);
  s.loopType = XmLoopForward;
  s.loopStart = 0;
  s.loopLength = loopFrames;
  XmTuning tuning = XmTuningForRate(loopRate);
  s.relativeNote = tuning.relativeNote;
  s.finetune = tuning.finetune;
  ins.samples.push_back(std::move(s));
  ins.volumeEnvelope.points = {{0, 0}, {static_cast<uint16_t>(attackTicks), 64}};
  ins.volumeEnvelope.sustainPoint = 1;
  ins.fadeout = fadeout;
  return ins;
}

}  // namespace

XmModule ComposeSoundtrack() {
  XmModule m;
  m.name = "nivora dusk";
  m.channels = soundtrackChannels;
  m.speed = 6;
  m.bpm = 110;
  m.linearFrequencies = true;
  // The master: 82/48 of the players' default sample gain, +4.65 dB, puts the
  // mix at -16 LUFS integrated with its true peak near -3 dBTP; no voice's own
  // samples change, so none clips.
  m.samplePreAmp = 82;

  // Peaks chosen so the full mix stays below -1 dBFS.
  m.instruments.push_back(OneShot("kick", SynthKick(), 0.96));
  m.instruments.push_back(OneShot("snare", SynthSnare(), 0.67));
  m.instruments.push_back(OneShot("clap", SynthClap(), 0.64));
  m.instruments.push_back(OneShot("hat", SynthHat(0.035), 0.48));
  m.instruments.push_back(OneShot("open hat", SynthHat(0.22), 0.45));
  m.instruments.push_back(OneShot("crash", SynthCrash(), 0.54));
  m.instruments.push_back(OneShot("reversed crash", SynthReversedCrash(1.09), 0.54));
  m.instruments.push_back(OneShot("riser", SynthRiser(), 0.48));
  m.instruments.push_back(OneShot("crackle", SynthCrackle(), 0.48));
  m.instruments.push_back(OneShot("tick", SynthTick(), 0.64));
  // Attack in ticks of 2.5 / 110 s: 4 for the bass, 26 (600 ms) for the pad.
  m.instruments.push_back(LoopedTone("bass", SynthBassLoop(), 0.72, 1, 2400));
  m.instruments.push_back(LoopedTone("pad", SynthPadLoop(), 0.35, 26, 360));
  m.instruments.push_back(PitchedShot("bell", SynthBell(), 0.58));
  m.instruments.push_back(PitchedShot("arp", SynthArp(), 0.48));
  m.instruments.push_back(LoopedTone("wind", SynthWindLoop(), 0.48, 40, 300));
  for (XmInstrument& ins : m.instruments) ins.sampleForNote.fill(0);

  Pattern (*const orders[19])() = {Order0,  Order1,  Order2,  Order3,  Order4,
                                   Order5,  Order6,  Order7,  Order8,  Order9,
                                   Order10, Order11, Order12, Order13, Order14,
                                   Order15, Order16, Order17, Order18};
  for (int o = 0; o < 19; ++o) {
    Pattern p = orders[o]();
    for (int row : syncRows[o]) p.Effect(row, chSync, XmEffectExtended, XmSyncParam(1));
    m.patterns.push_back(std::move(p.xm));
    m.orders.push_back(static_cast<uint8_t>(o));
  }
  return m;
}

std::vector<std::pair<int, int>> SoundtrackSyncRows() {
  std::vector<std::pair<int, int>> rows;
  for (int o = 0; o < 19; ++o)
    for (int row : syncRows[o]) rows.emplace_back(o, row);
  return rows;
}
