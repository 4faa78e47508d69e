// Writes FastTracker 2 extended modules (XM 1.04): header with tempo, speed and
// the order list; packed patterns; instruments with their sample headers, volume
// and panning envelopes and delta-encoded 8- or 16-bit sample data.
//
// Callers work in musical units: sample lengths and loops in sample frames (the
// writer turns them into the file's byte counts), notes as XmNote(octave, semitone),
// effects by name. Nothing here knows the show: the soundtrack generator and the
// tests build their modules from these records.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Note column: 0 is empty, 1 is C-0, 96 is B-7, 97 releases the note. Octaves
// count as FastTracker 2 counts them: C-4 (49) plays a sample with relative note 0
// and finetune 0 at 8363 Hz. (libopenmpt prints the same note as C-5.)
constexpr uint8_t XmNoteNone = 0;
constexpr uint8_t XmNoteOff = 97;
constexpr uint8_t XmNote(int octave, int semitone) {
  return static_cast<uint8_t>(1 + octave * 12 + semitone);
}

// Volume column bytes: 0 is empty; 0x10-0x50 sets the volume 0-64; the upper
// nibble selects the other column effects (slides, panning, portamento).
constexpr uint8_t XmVolumeNone = 0;
constexpr uint8_t XmVolume(int volume) { return static_cast<uint8_t>(0x10 + volume); }

// Effect column letters as the file stores them: digits 0-9, then A=10 ... Z=35.
enum XmEffect : uint8_t {
  XmEffectArpeggio = 0x0,
  XmEffectPortaUp = 0x1,
  XmEffectPortaDown = 0x2,
  XmEffectTonePorta = 0x3,
  XmEffectVibrato = 0x4,
  XmEffectVolumeSlide = 0xA,
  XmEffectPositionJump = 0xB,
  XmEffectSetVolume = 0xC,
  XmEffectPatternBreak = 0xD,
  // Exy: x picks the command (8 sync/coarse pan, 9 retrigger, C note cut, D note delay).
  XmEffectExtended = 0xE,
  XmEffectSetSpeedTempo = 0xF,     // below 32 the speed (ticks per row), from 32 the BPM
  XmEffectSetGlobalVolume = 16,    // G: 0-64
  XmEffectGlobalVolumeSlide = 17,  // H: x0 up, 0y down, per tick after the first
  XmEffectKeyOff = 20,             // K
  XmEffectSetEnvelopePos = 21,     // L
  XmEffectPanSlide = 25,           // P
  XmEffectRetrigVolume = 27,       // R
};

// The show's sync marker: E8x on a channel that holds no note.
constexpr uint8_t XmSyncParam(int value) { return static_cast<uint8_t>(0x80 | (value & 0xF)); }

struct XmCell {
  uint8_t note = XmNoteNone;
  uint8_t instrument = 0;  // 1-based, 0 = none
  uint8_t volume = XmVolumeNone;
  uint8_t effect = 0;
  uint8_t param = 0;
};

struct XmPattern {
  int rows = 64;              // 1-256
  std::vector<XmCell> cells;  // rows * channels, row-major
};

// An empty pattern of the given size, ready for XmPatternCell.
XmPattern MakeXmPattern(int rows, int channels);
XmCell& XmPatternCell(XmPattern& pattern, int channels, int row, int channel);

enum XmLoopType : uint8_t { XmLoopNone = 0, XmLoopForward = 1, XmLoopPingPong = 2 };

struct XmSample {
  std::string name;  // up to 22 characters kept
  bool sixteenBit = true;
  std::vector<int16_t> frames;  // one value per frame; 8-bit samples hold -128..127
  XmLoopType loopType = XmLoopNone;
  uint32_t loopStart = 0;   // in frames
  uint32_t loopLength = 0;  // in frames
  int volume = 64;          // 0-64
  int finetune = 0;         // -128..127, 1/128 semitone
  int panning = 128;        // 0-255, 128 centre
  int relativeNote = 0;     // semitones added to the note, -96..95
};

// The relative note and finetune that make C-4 play a sample recorded at
// c4Rate frames per second (linear table: C-4 at 0/0 plays 8363 Hz).
struct XmTuning {
  int relativeNote = 0;
  int finetune = 0;
};
XmTuning XmTuningForRate(double c4Rate);

struct XmEnvelopePoint {
  uint16_t tick = 0;  // ticks from the note start, rising
  uint8_t value = 0;  // 0-64
};

struct XmEnvelope {
  std::vector<XmEnvelopePoint> points;  // up to 12; enabled when not empty
  int sustainPoint = -1;                // index, -1 = none
  int loopStart = -1, loopEnd = -1;     // indices, -1 = no loop
};

struct XmInstrument {
  std::string name;                         // up to 22 characters kept
  std::vector<XmSample> samples;            // up to 16
  std::array<uint8_t, 96> sampleForNote{};  // sample index (0-based) per note C-0..B-7
  XmEnvelope volumeEnvelope;
  XmEnvelope panningEnvelope;
  uint16_t fadeout = 0;  // volume taken per tick after key-off, of 32768
  uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct XmModule {
  std::string name;  // up to 20 characters kept
  int channels = 8;  // even, 2-32
  int speed = 6;     // ticks per row, 1-31
  int bpm = 125;     // 32-255
  bool linearFrequencies = true;
  int restartOrder = 0;                   // where a looping player resumes
  std::vector<uint8_t> orders;            // pattern per order, 1-256 entries
  std::vector<XmPattern> patterns;        // up to 256
  std::vector<XmInstrument> instruments;  // up to 128
  // The player's gain on every sample, in 1/48 (48 is the players' default, and
  // 0 leaves it unwritten). Stored as an extended song property after the
  // instruments, where players that do not know it ignore it.
  int samplePreAmp = 0;  // 0 or 1-2000
};

// Empty when the module can be written, else one line naming the first fault.
std::string XmModuleError(const XmModule& module);
// The file's bytes; empty when XmModuleError reports a fault.
std::vector<uint8_t> EncodeXm(const XmModule& module);
// Writes the file through a temporary beside it; false on any fault, leaving no
// half-written file behind.
bool WriteXmFile(const std::string& path, const XmModule& module);
