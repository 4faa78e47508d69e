#include "modwriter/xm_writer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

constexpr uint32_t kHeaderSize = 276;  // from the size field to the end of the order table
constexpr uint32_t kInstrumentHeaderSize = 263;  // size field through the reserved tail
constexpr uint32_t kSampleHeaderSize = 40;

struct ByteWriter {
  std::vector<uint8_t> bytes;
  void U8(int v) { bytes.push_back(static_cast<uint8_t>(v)); }
  void U16(int v) {
    U8(v & 0xFF);
    U8((v >> 8) & 0xFF);
  }
  void U32(uint32_t v) {
    U16(static_cast<int>(v & 0xFFFF));
    U16(static_cast<int>(v >> 16));
  }
  void Text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; i++) U8(i < s.size() ? s[i] : 0);
  }
  void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

std::string Fault(const char* what, size_t index) {
  char line[160];
  std::snprintf(line, sizeof line, "%s (index %zu)", what, index);
  return line;
}

std::string EnvelopeError(const XmEnvelope& env) {
  if (env.points.size() > 12) return "envelope has more than 12 points";
  for (size_t i = 0; i < env.points.size(); i++) {
    if (env.points[i].value > 64) return Fault("envelope value above 64", i);
    if (i > 0 && env.points[i].tick <= env.points[i - 1].tick)
      return Fault("envelope ticks must rise", i);
  }
  if (!env.points.empty() && env.points[0].tick != 0) return "envelope must start at tick 0";
  int count = static_cast<int>(env.points.size());
  if (env.sustainPoint >= count) return "envelope sustain point out of range";
  if ((env.loopStart < 0) != (env.loopEnd < 0)) return "envelope loop needs both ends";
  if (env.loopStart >= 0 && (env.loopEnd >= count || env.loopStart > env.loopEnd))
    return "envelope loop out of range";
  return "";
}

std::string SampleError(const XmSample& s) {
  int lo = s.sixteenBit ? -32768 : -128, hi = s.sixteenBit ? 32767 : 127;
  for (int16_t v : s.frames)
    if (v < lo || v > hi) return "8-bit sample value outside -128..127";
  if (s.loopType != XmLoopNone) {
    if (s.loopLength == 0) return "looped sample with an empty loop";
    if (static_cast<uint64_t>(s.loopStart) + s.loopLength > s.frames.size())
      return "sample loop runs past the sample's end";
  }
  if (s.volume < 0 || s.volume > 64) return "sample volume outside 0-64";
  if (s.finetune < -128 || s.finetune > 127) return "sample finetune outside -128..127";
  if (s.panning < 0 || s.panning > 255) return "sample panning outside 0-255";
  if (s.relativeNote < -96 || s.relativeNote > 95) return "relative note outside -96..95";
  return "";
}

void WriteEnvelopePoints(ByteWriter& w, const XmEnvelope& env) {
  for (size_t i = 0; i < 12; i++) {
    bool used = i < env.points.size();
    w.U16(used ? env.points[i].tick : 0);
    w.U16(used ? env.points[i].value : 0);
  }
}

// Envelope flags: 1 on, 2 sustain, 4 loop.
int EnvelopeFlags(const XmEnvelope& env) {
  if (env.points.empty()) return 0;
  return 1 | (env.sustainPoint >= 0 ? 2 : 0) | (env.loopStart >= 0 ? 4 : 0);
}

void WritePattern(ByteWriter& w, const XmPattern& p) {
  ByteWriter packed;
  for (const XmCell& c : p.cells) {
    bool full = c.note && c.instrument && c.volume && c.effect && c.param;
    if (full) {
      // Five bytes as they are: a note byte below 0x80 starts an unpacked cell.
      packed.U8(c.note);
      packed.U8(c.instrument);
      packed.U8(c.volume);
      packed.U8(c.effect);
      packed.U8(c.param);
      continue;
    }
    int mask = 0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
               (c.effect ? 8 : 0) | (c.param ? 16 : 0);
    packed.U8(mask);
    if (c.note) packed.U8(c.note);
    if (c.instrument) packed.U8(c.instrument);
    if (c.volume) packed.U8(c.volume);
    if (c.effect) packed.U8(c.effect);
    if (c.param) packed.U8(c.param);
  }
  w.U32(9);  // pattern header length
  w.U8(0);   // packing type
  w.U16(p.rows);
  w.U16(static_cast<int>(packed.bytes.size()));
  w.bytes.insert(w.bytes.end(), packed.bytes.begin(), packed.bytes.end());
}

void WriteInstrument(ByteWriter& w, const XmInstrument& ins) {
  w.U32(kInstrumentHeaderSize);
  w.Text(ins.name, 22);
  w.U8(0);  // type, always 0
  w.U16(static_cast<int>(ins.samples.size()));
  w.U32(kSampleHeaderSize);
  for (uint8_t s : ins.sampleForNote) w.U8(s);
  WriteEnvelopePoints(w, ins.volumeEnvelope);
  WriteEnvelopePoints(w, ins.panningEnvelope);
  w.U8(static_cast<int>(ins.volumeEnvelope.points.size()));
  w.U8(static_cast<int>(ins.panningEnvelope.points.size()));
  for (const XmEnvelope* env : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
    w.U8(env->sustainPoint < 0 ? 0 : env->sustainPoint);
    w.U8(env->loopStart < 0 ? 0 : env->loopStart);
    w.U8(env->loopEnd < 0 ? 0 : env->loopEnd);
  }
  w.U8(EnvelopeFlags(ins.volumeEnvelope));
  w.U8(EnvelopeFlags(ins.panningEnvelope));
  w.U8(ins.vibratoType);
  w.U8(ins.vibratoSweep);
  w.U8(ins.vibratoDepth);
  w.U8(ins.vibratoRate);
  w.U16(ins.fadeout);
  w.Zeros(22);  // reserved tail up to the 263-byte header size

  for (const XmSample& s : ins.samples) {
    uint32_t width = s.sixteenBit ? 2 : 1;
    w.U32(static_cast<uint32_t>(s.frames.size()) * width);
    bool looped = s.loopType != XmLoopNone;
    w.U32(looped ? s.loopStart * width : 0);
    w.U32(looped ? s.loopLength * width : 0);
    w.U8(s.volume);
    w.U8(s.finetune & 0xFF);
    w.U8(s.loopType | (s.sixteenBit ? 0x10 : 0));
    w.U8(s.panning);
    w.U8(s.relativeNote & 0xFF);
    w.U8(0);
    w.Text(s.name, 22);
  }
  // Sample data follows all headers of the instrument, each value stored as the
  // difference from the one before.
  for (const XmSample& s : ins.samples) {
    int previous = 0;
    for (int16_t v : s.frames) {
      int delta = v - previous;
      previous = v;
      if (s.sixteenBit)
        w.U16(delta & 0xFFFF);
      else
        w.U8(delta & 0xFF);
    }
  }
}

}  // namespace

XmPattern MakeXmPattern(int rows, int channels) {
  XmPattern p;
  p.rows = rows;
  p.cells.assign(static_cast<size_t>(rows > 0 ? rows : 0) * (channels > 0 ? channels : 0),
                 XmCell{});
  return p;
}

XmCell& XmPatternCell(XmPattern& pattern, int channels, int row, int channel) {
  return pattern.cells.at(static_cast<size_t>(row) * channels + channel);
}

XmTuning XmTuningForRate(double c4Rate) {
  // Semitones above the 8363 Hz base, split into whole notes and 1/128 steps.
  double semitones = 12.0 * std::log2(c4Rate / 8363.0);
  XmTuning t;
  t.relativeNote = static_cast<int>(std::lround(semitones));
  t.finetune = static_cast<int>(std::lround((semitones - t.relativeNote) * 128.0));
  if (t.finetune > 127) t.finetune = 127;
  if (t.finetune < -128) t.finetune = -128;
  return t;
}

std::string XmModuleError(const XmModule& m) {
  if (m.channels < 2 || m.channels > 32 || m.channels % 2 != 0)
    return "channel count must be even, 2-32";
  if (m.speed < 1 || m.speed > 31) return "speed outside 1-31";
  if (m.bpm < 32 || m.bpm > 255) return "BPM outside 32-255";
  if (m.orders.empty() || m.orders.size() > 256) return "order list must hold 1-256 entries";
  if (m.patterns.empty() || m.patterns.size() > 256) return "module must hold 1-256 patterns";
  if (m.instruments.size() > 128) return "more than 128 instruments";
  if (m.samplePreAmp < 0 || m.samplePreAmp > 2000) return "sample pre-amp outside 0-2000";
  if (m.restartOrder < 0 || m.restartOrder >= static_cast<int>(m.orders.size()))
    return "restart order outside the order list";
  for (size_t i = 0; i < m.orders.size(); i++)
    if (m.orders[i] >= m.patterns.size()) return Fault("order names a missing pattern", i);
  for (size_t i = 0; i < m.patterns.size(); i++) {
    const XmPattern& p = m.patterns[i];
    if (p.rows < 1 || p.rows > 256) return Fault("pattern rows outside 1-256", i);
    if (p.cells.size() != static_cast<size_t>(p.rows) * m.channels)
      return Fault("pattern cell count is not rows x channels", i);
    for (const XmCell& c : p.cells) {
      if (c.note > XmNoteOff) return Fault("note above 97", i);
      if (c.instrument > m.instruments.size()) return Fault("cell names a missing instrument", i);
      if (c.effect > 35) return Fault("effect above Z", i);
    }
  }
  for (size_t i = 0; i < m.instruments.size(); i++) {
    const XmInstrument& ins = m.instruments[i];
    if (ins.samples.size() > 16) return Fault("instrument has more than 16 samples", i);
    for (uint8_t s : ins.sampleForNote)
      if (!ins.samples.empty() && s >= ins.samples.size())
        return Fault("note map names a missing sample", i);
    std::string e = EnvelopeError(ins.volumeEnvelope);
    if (e.empty()) e = EnvelopeError(ins.panningEnvelope);
    for (const XmSample& s : ins.samples)
      if (e.empty()) e = SampleError(s);
    if (!e.empty()) return Fault(e.c_str(), i);
  }
  return "";
}

std::vector<uint8_t> EncodeXm(const XmModule& m) {
  if (!XmModuleError(m).empty()) return {};
  ByteWriter w;
  w.Text("Extended Module: ", 17);
  w.Text(m.name, 20);
  w.U8(0x1A);
  w.Text("modwriter", 20);
  w.U16(0x0104);
  w.U32(kHeaderSize);
  w.U16(static_cast<int>(m.orders.size()));
  w.U16(m.restartOrder);
  w.U16(m.channels);
  w.U16(static_cast<int>(m.patterns.size()));
  w.U16(static_cast<int>(m.instruments.size()));
  w.U16(m.linearFrequencies ? 1 : 0);
  w.U16(m.speed);
  w.U16(m.bpm);
  for (size_t i = 0; i < 256; i++) w.U8(i < m.orders.size() ? m.orders[i] : 0);
  for (const XmPattern& p : m.patterns) WritePattern(w, p);
  for (const XmInstrument& ins : m.instruments) WriteInstrument(w, ins);
  if (m.samplePreAmp > 0) {
    // "STPM", then each property as a 32-bit code read little-endian (its text
    // backwards), a 16-bit size and the value.
    w.Text("STPM", 4);
    w.Text(".APS", 4);
    w.U16(4);
    w.U32(static_cast<uint32_t>(m.samplePreAmp));
  }
  return w.bytes;
}

bool WriteXmFile(const std::string& path, const XmModule& module) {
  std::vector<uint8_t> bytes = EncodeXm(module);
  if (bytes.empty()) return false;
  std::string temporary = path + ".part";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  std::error_code error;
  if (ok) std::filesystem::rename(temporary, path, error);
  if (!ok || error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}
