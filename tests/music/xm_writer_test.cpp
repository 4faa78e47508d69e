#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "test_modules.h"

namespace {

struct Decoded {
  openmpt_module* mod = nullptr;
  explicit Decoded(const std::vector<uint8_t>& bytes) {
    mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                             nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                             nullptr, nullptr);
    if (mod) openmpt_module_ctl_set_integer(mod, "dither", 0);
  }
  ~Decoded() {
    if (mod) openmpt_module_destroy(mod);
  }
  std::string Command(int pattern, int row, int channel, int command) const {
    const char* s =
        openmpt_module_format_pattern_row_channel_command(mod, pattern, row, channel, command);
    std::string out = s ? s : "";
    openmpt_free_string(s);
    return out;
  }
  std::string Metadata(const char* key) const {
    const char* s = openmpt_module_get_metadata(mod, key);
    std::string out = s ? s : "";
    openmpt_free_string(s);
    return out;
  }
  // Peak level of each block of frames over the next count blocks.
  std::vector<float> Peaks(int blocks, int frames) {
    std::vector<float> peaks, buffer(2 * frames);
    for (int b = 0; b < blocks; b++) {
      size_t got = openmpt_module_read_interleaved_float_stereo(mod, 44100, frames, buffer.data());
      float peak = 0;
      for (size_t i = 0; i < 2 * got; i++) peak = std::max(peak, std::fabs(buffer[i]));
      peaks.push_back(peak);
    }
    return peaks;
  }
};

uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(XmWriter, HeaderOrdersPatternsAndChannelsRoundTrip) {
  XmModule m = ToneModule(3, 32, 12, 6, 110);
  m.name = "dusk placeholder";
  m.patterns.push_back(MakeXmPattern(256, 12));
  m.patterns.push_back(MakeXmPattern(1, 12));
  m.orders = {0, 1, 2, 3, 4, 0, 2};
  Decoded d(EncodeXm(m));
  ASSERT_NE(d.mod, nullptr);
  EXPECT_EQ(d.Metadata("type"), "xm");
  EXPECT_EQ(d.Metadata("title"), "dusk placeholder");
  EXPECT_EQ(openmpt_module_get_num_channels(d.mod), 12);
  EXPECT_EQ(openmpt_module_get_num_orders(d.mod), 7);
  EXPECT_EQ(openmpt_module_get_num_patterns(d.mod), 5);
  EXPECT_EQ(openmpt_module_get_num_instruments(d.mod), 1);
  EXPECT_EQ(openmpt_module_get_num_samples(d.mod), 1);
  int want[] = {0, 1, 2, 3, 4, 0, 2};
  for (int i = 0; i < 7; i++) EXPECT_EQ(openmpt_module_get_order_pattern(d.mod, i), want[i]);
  EXPECT_EQ(openmpt_module_get_pattern_num_rows(d.mod, 0), 32);
  EXPECT_EQ(openmpt_module_get_pattern_num_rows(d.mod, 3), 256);
  EXPECT_EQ(openmpt_module_get_pattern_num_rows(d.mod, 4), 1);
  EXPECT_EQ(openmpt_module_get_current_speed(d.mod), 6);
  EXPECT_EQ(openmpt_module_get_current_tempo(d.mod), 110);
}

TEST(XmWriter, CellsRoundTripPackedAndFull) {
  XmModule m = ToneModule(1, 64, 12, 6, 125);
  m.instruments.push_back(SquareInstrument(false));
  XmPattern& p = m.patterns[0];
  XmPatternCell(p, 12, 4, 4) = {XmNote(2, 9), 2, XmVolume(48), XmEffectVibrato, 0x37};  // all five
  XmPatternCell(p, 12, 5, 4) = {XmNoteOff, 0, 0, 0, 0};
  XmPatternCell(p, 12, 6, 4).volume = XmVolume(0);
  SetEffect(m, 0, 8, 11, XmEffectExtended, XmSyncParam(1));
  SetEffect(m, 0, 48, 11, XmEffectGlobalVolumeSlide, 0x01);
  SetEffect(m, 0, 63, 11, XmEffectSetGlobalVolume, 0x40);
  SetEffect(m, 0, 9, 11, XmEffectArpeggio, 0x47);  // effect 0 with a parameter
  Decoded d(EncodeXm(m));
  ASSERT_NE(d.mod, nullptr);
  // The decoder names octaves one higher than the file's own numbering.
  EXPECT_EQ(d.Command(0, 0, 0, OPENMPT_MODULE_COMMAND_NOTE), "C-5");
  EXPECT_EQ(d.Command(0, 4, 4, OPENMPT_MODULE_COMMAND_NOTE), "A-3");
  EXPECT_EQ(d.Command(0, 4, 4, OPENMPT_MODULE_COMMAND_INSTRUMENT), "02");
  EXPECT_EQ(d.Command(0, 4, 4, OPENMPT_MODULE_COMMAND_VOLUME), "30");  // hex
  EXPECT_EQ(d.Command(0, 4, 4, OPENMPT_MODULE_COMMAND_EFFECT), "4");
  EXPECT_EQ(d.Command(0, 4, 4, OPENMPT_MODULE_COMMAND_PARAMETER), "37");
  EXPECT_EQ(d.Command(0, 5, 4, OPENMPT_MODULE_COMMAND_NOTE), "===");
  EXPECT_EQ(d.Command(0, 6, 4, OPENMPT_MODULE_COMMAND_VOLUME), "00");
  EXPECT_EQ(d.Command(0, 8, 11, OPENMPT_MODULE_COMMAND_EFFECT), "E");
  EXPECT_EQ(d.Command(0, 8, 11, OPENMPT_MODULE_COMMAND_PARAMETER), "81");
  EXPECT_EQ(d.Command(0, 48, 11, OPENMPT_MODULE_COMMAND_EFFECT), "H");
  EXPECT_EQ(d.Command(0, 48, 11, OPENMPT_MODULE_COMMAND_PARAMETER), "01");
  EXPECT_EQ(d.Command(0, 63, 11, OPENMPT_MODULE_COMMAND_EFFECT), "G");
  EXPECT_EQ(d.Command(0, 63, 11, OPENMPT_MODULE_COMMAND_PARAMETER), "40");
  EXPECT_EQ(d.Command(0, 9, 11, OPENMPT_MODULE_COMMAND_EFFECT), "0");
  EXPECT_EQ(d.Command(0, 9, 11, OPENMPT_MODULE_COMMAND_PARAMETER), "47");
  // A cell left empty stays empty in the middle of packed data.
  EXPECT_EQ(d.Command(0, 7, 4, OPENMPT_MODULE_COMMAND_NOTE), "...");
  EXPECT_EQ(d.Command(0, 4, 5, OPENMPT_MODULE_COMMAND_EFFECT), ".");
}

TEST(XmWriter, SampleHeaderCountsBytesAndDataIsDeltaEncoded) {
  XmModule m = ToneModule(1, 4, 2, 6, 125);
  XmSample& s = m.instruments[0].samples[0];
  s.frames = {100, -100, 32767, -32768, 5};
  s.loopStart = 1;
  s.loopLength = 3;
  XmInstrument eight = SquareInstrument(false, false);
  eight.samples[0].frames = {10, -10, 127, -128};
  m.instruments.push_back(eight);
  std::vector<uint8_t> b = EncodeXm(m);
  ASSERT_FALSE(b.empty());
  // The last instrument's data ends the file: 8-bit deltas 10, -20, 137, -255.
  std::vector<uint8_t> tail(b.end() - 4, b.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{10, 236, 137, 1}));
  // The first instrument's 16-bit sample data just before the second instrument.
  size_t second = b.size() - 4 - 40 - 263;
  EXPECT_EQ(ReadU32(b, second), 263u);
  std::vector<uint8_t> data(b.begin() + second - 10, b.begin() + second);
  // Deltas 100, -200, 32867, -65535, 32773, each mod 2^16, little-endian.
  EXPECT_EQ(data, (std::vector<uint8_t>{100, 0, 0x38, 0xFF, 0x63, 0x80, 0x01, 0x00, 0x05, 0x80}));
  size_t header = second - 10 - 40;
  EXPECT_EQ(ReadU32(b, header), 10u);     // length in bytes
  EXPECT_EQ(ReadU32(b, header + 4), 2u);  // loop start in bytes
  EXPECT_EQ(ReadU32(b, header + 8), 6u);  // loop length in bytes
  EXPECT_EQ(b[header + 14], 0x11);        // forward loop, 16-bit
}

TEST(XmWriter, LoopedSamplesSustainAndOneShotsStop) {
  XmModule m = ToneModule(1, 32, 2, 6, 125);
  m.instruments.push_back(SquareInstrument(false, false));
  XmCell& c = XmPatternCell(m.patterns[0], 2, 0, 1);
  c.note = XmNote(4, 0);
  c.instrument = 2;
  m.patterns[0].cells[0].volume = XmVolume(0);  // looped tone on channel 0 silent at first
  XmPatternCell(m.patterns[0], 2, 16, 0).volume = XmVolume(64);
  Decoded d(EncodeXm(m));
  ASSERT_NE(d.mod, nullptr);
  std::vector<float> peaks = d.Peaks(32, 5292);  // one block per row
  EXPECT_GT(peaks[0], 0.05f);                    // the 8-bit one-shot sounds
  EXPECT_LT(peaks[8], 0.001f);                   // and is over long before row 8
  EXPECT_GT(peaks[16], 0.05f);                   // the looped tone turned up
  EXPECT_GT(peaks[31], 0.05f);                   // still sounding after 2.7 s
}

TEST(XmWriter, VolumeEnvelopeShapesTheNote) {
  XmModule m = ToneModule(1, 16, 2, 6, 125);
  XmInstrument& ins = m.instruments[0];
  ins.volumeEnvelope.points = {{0, 64}, {12, 64}, {24, 0}};  // two rows on, gone by row 4
  Decoded d(EncodeXm(m));
  ASSERT_NE(d.mod, nullptr);
  std::vector<float> peaks = d.Peaks(8, 5292);
  EXPECT_GT(peaks[0], 0.05f);
  EXPECT_LT(peaks[5], 0.001f);
  // With a sustain point the note holds at that level until released.
  ins.volumeEnvelope.sustainPoint = 1;
  ins.fadeout = 4096;
  XmPatternCell(m.patterns[0], 2, 10, 0).note = XmNoteOff;
  Decoded held(EncodeXm(m));
  peaks = held.Peaks(16, 5292);
  EXPECT_GT(peaks[6], 0.05f);
  EXPECT_GT(peaks[9], 0.05f);
  EXPECT_LT(peaks[14], 0.001f);
}

TEST(XmWriter, TuningPutsTheRecordedRateOnMiddleC) {
  XmTuning oneShot = XmTuningForRate(44100);
  EXPECT_EQ(oneShot.relativeNote, 29);
  EXPECT_EQ(oneShot.finetune, -28);
  XmTuning looped = XmTuningForRate(33488);  // 128 frames per cycle of C-4
  EXPECT_EQ(looped.relativeNote, 24);
  EXPECT_EQ(looped.finetune, 2);
  XmTuning base = XmTuningForRate(8363);
  EXPECT_EQ(base.relativeNote, 0);
  EXPECT_EQ(base.finetune, 0);
}

TEST(XmWriter, FaultyModulesAreRefusedWithAReason) {
  auto faultOf = [](void (*spoil)(XmModule&)) {
    XmModule m = ToneModule(2, 8, 4, 6, 125);
    spoil(m);
    EXPECT_TRUE(EncodeXm(m).empty());
    return XmModuleError(m);
  };
  EXPECT_EQ(XmModuleError(ToneModule(2, 8, 4, 6, 125)), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.channels = 5; }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.orders.push_back(9); }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.orders.clear(); }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.patterns[1].cells.pop_back(); }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.patterns[0].cells[3].instrument = 2; }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.patterns[0].cells[3].note = 98; }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.bpm = 300; }), "");
  EXPECT_NE(faultOf([](XmModule& m) { m.instruments[0].samples[0].loopLength = 5000; }), "");
  EXPECT_NE(faultOf([](XmModule& m) {
              m.instruments[0].samples[0].sixteenBit = false;  // values of +-12000
            }),
            "");
  EXPECT_NE(faultOf([](XmModule& m) {
              m.instruments[0].volumeEnvelope.points = {{0, 64}, {0, 32}};
            }),
            "");
  EXPECT_NE(faultOf([](XmModule& m) { m.instruments[0].sampleForNote[40] = 1; }), "");
}

TEST(XmWriter, FileIsWrittenWholeOrNotAtAll) {
  XmModule m = ToneModule(1, 4, 2, 6, 125);
  std::string dir = testing::TempDir();
  std::string path = dir + "/writer_test.xm";
  ASSERT_TRUE(WriteXmFile(path, m));
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> onDisk((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
  EXPECT_EQ(onDisk, EncodeXm(m));
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
  std::filesystem::remove(path);

  EXPECT_FALSE(WriteXmFile(dir + "/no-such-dir/x.xm", m));
  m.channels = 3;
  EXPECT_FALSE(WriteXmFile(path, m));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
