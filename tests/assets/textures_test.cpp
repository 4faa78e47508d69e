#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "scratch_dir.h"
#include "writers/jpeg_writer.h"

namespace {

struct Rgb {
  int r, g, b;
};

// Top row first, as the picture is painted.
std::vector<uint8_t> Paint(int width, int height, const std::vector<Rgb>& pixels) {
  std::vector<uint8_t> rgb;
  for (const Rgb& p : pixels) {
    rgb.push_back(static_cast<uint8_t>(p.r));
    rgb.push_back(static_cast<uint8_t>(p.g));
    rgb.push_back(static_cast<uint8_t>(p.b));
  }
  EXPECT_EQ(rgb.size(), static_cast<size_t>(width * height * 3));
  return rgb;
}

JpegOptions Best() {
  JpegOptions options;
  options.quality = 100;
  options.chroma444 = true;
  return options;
}

// JPEG is lossy: at quality 100 without subsampling colours come back within a
// few steps of what was painted.
void ExpectNear(const uint8_t* texel, Rgb expected, int tolerance, const std::string& where) {
  EXPECT_NEAR(texel[0], expected.r, tolerance) << where << " red";
  EXPECT_NEAR(texel[1], expected.g, tolerance) << where << " green";
  EXPECT_NEAR(texel[2], expected.b, tolerance) << where << " blue";
}

class TextureLoading : public testing::Test {
 protected:
  void SetUp() override {
    GlrecReset();
    for (GLuint& name : TextureTable) name = 0;
    maxTextureSize = 16384;
  }
  void TearDown() override {
    for (GLuint& name : TextureTable) name = 0;
    maxTextureSize = 0;
  }

  std::string WriteJpeg(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = dir.Path(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }

  // Loads into `slot` and returns what went to standard error.
  std::string Load(const std::string& path, int slot) {
    testing::internal::CaptureStderr();
    LoadTexture(path.c_str(), slot);
    return testing::internal::GetCapturedStderr();
  }

  void ExpectFailedCleanly(const std::string& path, int slot) {
    EXPECT_EQ(Load(path, slot), "cannot load picture: " + path + "\n");
    EXPECT_EQ(TextureTable[slot], 0u);
    EXPECT_EQ(GlrecCallCount(), 0u) << GlrecJoined();
  }

  ScratchDir dir;
};

const Rgb kA{250, 20, 30}, kB{20, 240, 40}, kC{30, 40, 230}, kD{240, 230, 20};

TEST_F(TextureLoading, TwoByTwoPictureIsFlippedIntoRgbRows) {
  std::string path =
      WriteJpeg("2x2.jpg", EncodeJpegRgb(Paint(2, 2, {kA, kB, kC, kD}).data(), 2, 2, Best()));
  EXPECT_EQ(Load(path, SlotPic01), "");
  ASSERT_EQ(GlrecImages().size(), 1u) << GlrecJoined();
  const GlrecImage& image = GlrecImages()[0];
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  // GL's first row (t = 0) is the picture's bottom row: C, D; then A, B.
  ExpectNear(&image.rgb[0], kC, 8, "row 0 left");
  ExpectNear(&image.rgb[3], kD, 8, "row 0 right");
  ExpectNear(&image.rgb[6], kA, 8, "row 1 left");
  ExpectNear(&image.rgb[9], kB, 8, "row 1 right");
}

TEST_F(TextureLoading, FlatBlocksComeBackAlmostExactly) {
  // Four flat 8x8 blocks carry only their mean, which survives quality 100 but
  // for the colour conversion's rounding.
  std::vector<Rgb> pixels;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) pixels.push_back(y < 8 ? (x < 8 ? kA : kB) : (x < 8 ? kC : kD));
  std::string path =
      WriteJpeg("blocks.jpg", EncodeJpegRgb(Paint(16, 16, pixels).data(), 16, 16, Best()));
  EXPECT_EQ(Load(path, SlotTex1), "");
  ASSERT_EQ(GlrecImages().size(), 1u);
  const std::vector<unsigned char>& rgb = GlrecImages()[0].rgb;
  auto texel = [&](int row, int column) {
    return &rgb[static_cast<size_t>(row * 16 + column) * 3];
  };
  ExpectNear(texel(0, 0), kC, 2, "bottom left");
  ExpectNear(texel(3, 15), kD, 2, "bottom right");
  ExpectNear(texel(12, 4), kA, 2, "top left");
  ExpectNear(texel(15, 9), kB, 2, "top right");

  int width = 0, height = 0;
  unsigned char* bgr = nullptr;
  ASSERT_TRUE(DecodeJpegFile(path.c_str(), width, height, bgr));
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 16);
  // The decoder hands out blue-green-red, top row first.
  ExpectNear(bgr, {kA.b, kA.g, kA.r}, 2, "decoded top left");
  ExpectNear(bgr + (15 * 16 + 15) * 3, {kD.b, kD.g, kD.r}, 2, "decoded bottom right");
  delete[] bgr;
}

TEST_F(TextureLoading, UploadCallSequence) {
  std::vector<uint8_t> flat = Paint(8, 8, std::vector<Rgb>(64, kA));
  std::string path = WriteJpeg("8x8.jpg", EncodeJpegRgb(flat.data(), 8, 8));
  EXPECT_EQ(Load(path, SlotNoice2), "");
  const std::string linear = std::to_string(GL_LINEAR);
  EXPECT_EQ(GlrecJoined(),
            "glGenTextures 1\n"
            "glBindTexture GL_TEXTURE_2D 1\n"
            "glTexParameteri GL_TEXTURE_2D GL_TEXTURE_MAG_FILTER " + linear + "\n"
            "glTexParameteri GL_TEXTURE_2D GL_TEXTURE_MIN_FILTER " + linear + "\n"
            "glPixelStorei GL_UNPACK_ALIGNMENT 1\n"
            "glTexImage2D GL_TEXTURE_2D 0 3 8 8 0 GL_RGB GL_UNSIGNED_BYTE\n"
            "glPixelStorei GL_UNPACK_ALIGNMENT 4\n");
  EXPECT_EQ(TextureTable[SlotNoice2], 1u);
  EXPECT_EQ(GlrecCurrentState().boundTexture, 1u);  // the new texture stays bound
  EXPECT_EQ(GlrecImages()[0].texture, 1u);
}

TEST_F(TextureLoading, GreyscalePictureBecomesGreyRgb) {
  std::vector<uint8_t> grey;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) grey.push_back(x < 8 ? 40 : 200);
  std::string path = WriteJpeg("grey.jpg", EncodeJpegGrey(grey.data(), 16, 8, Best()));
  EXPECT_EQ(Load(path, SlotHomo), "");
  ASSERT_EQ(GlrecImages().size(), 1u);
  const std::vector<unsigned char>& rgb = GlrecImages()[0].rgb;
  ASSERT_EQ(rgb.size(), 16u * 8 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    EXPECT_EQ(rgb[i], rgb[i + 1]);
    EXPECT_EQ(rgb[i], rgb[i + 2]);
  }
  EXPECT_NEAR(rgb[0], 40, 2);
  EXPECT_NEAR(rgb[15 * 3], 200, 2);
}

TEST_F(TextureLoading, OddWidthRowsUploadUnskewed) {
  // Rows of 5 * 3 = 15 bytes: with GL's default alignment of 4 every row
  // after the first would be read one byte late.
  std::vector<Rgb> pixels;
  const Rgb columns[5] = {kA, kB, kC, kD, {128, 128, 128}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) pixels.push_back(columns[x]);
  std::string path = WriteJpeg("5x3.jpg", EncodeJpegRgb(Paint(5, 3, pixels).data(), 5, 3, Best()));
  EXPECT_EQ(Load(path, SlotShit), "");
  ASSERT_EQ(GlrecImages().size(), 1u);
  const GlrecImage& image = GlrecImages()[0];
  EXPECT_EQ(image.unpackAlignment, 1);
  ASSERT_EQ(image.rgb.size(), 5u * 3 * 3);
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 5; ++x)
      ExpectNear(&image.rgb[static_cast<size_t>(row * 5 + x) * 3], columns[x], 12,
                 "row " + std::to_string(row) + " column " + std::to_string(x));
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4);  // left as everyone else expects it
}

TEST_F(TextureLoading, BadFilesFailWithoutTouchingGl) {
  // Noise keeps the compressed scan long, so cuts and stray markers land
  // inside it, where libjpeg would only warn and fill the rest with grey.
  std::vector<Rgb> noise;
  uint32_t state = 1;
  for (int i = 0; i < 64 * 64; ++i) {
    state = state * 214013 + 2531011;
    noise.push_back({static_cast<int>(state >> 24), static_cast<int>((state >> 16) & 255),
                     static_cast<int>((state >> 8) & 255)});
  }
  std::vector<uint8_t> good = EncodeJpegRgb(Paint(64, 64, noise).data(), 64, 64, Best());
  ASSERT_GT(good.size(), 4000u);
  std::vector<uint8_t> garbage(600);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  std::vector<uint8_t> strayMarker = good;
  strayMarker[good.size() / 2] = 0xff;
  strayMarker[good.size() / 2 + 1] = 0xd3;  // a restart marker in a file without restarts
  struct BadFile {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const std::vector<BadFile> cases = {
      {"empty.jpg", {}},
      {"garbage.jpg", garbage},
      {"marker-only.jpg", {0xff, 0xd8}},
      {"headers-only.jpg", {good.begin(), good.begin() + 300}},
      {"half.jpg", {good.begin(), good.begin() + static_cast<long>(good.size() / 2)}},
      {"no-end.jpg", {good.begin(), good.end() - 2}},
      {"stray-marker.jpg", strayMarker},
  };
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.name);
    GlrecReset();
    ExpectFailedCleanly(WriteJpeg(bad.name, bad.bytes), SlotPic05);
  }
  GlrecReset();
  ExpectFailedCleanly(dir.Path("absent.jpg"), SlotNoice2);
  ExpectFailedCleanly(dir.path, SlotNoice2);  // opens, but cannot be read
  GlrecReset();
  EXPECT_EQ(Load(WriteJpeg("good.jpg", good), SlotPic05), "");  // the uncut file loads
  EXPECT_EQ(TextureTable[SlotPic05], 1u);
}

TEST_F(TextureLoading, PicturesLargerThanGlTakesAreRefused) {
  maxTextureSize = 8;
  std::vector<Rgb> wide(16 * 8, kC);
  ExpectFailedCleanly(WriteJpeg("wide.jpg", EncodeJpegRgb(Paint(16, 8, wide).data(), 16, 8)),
                      SlotTex2);
  ExpectFailedCleanly(WriteJpeg("tall.jpg", EncodeJpegRgb(Paint(8, 16, wide).data(), 8, 16)),
                      SlotTex2);
  std::vector<Rgb> fits(8 * 8, kC);
  EXPECT_EQ(Load(WriteJpeg("fits.jpg", EncodeJpegRgb(Paint(8, 8, fits).data(), 8, 8)), SlotTex2),
            "");
  EXPECT_NE(TextureTable[SlotTex2], 0u);
}

// A four-channel CMYK file, which libjpeg cannot turn into blue-green-red.
std::vector<uint8_t> EncodeCmyk(int width, int height) {
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* output = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &output, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 4, 100);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(output, output + size);
  std::free(output);
  return bytes;
}

TEST_F(TextureLoading, ColourSpaceWithoutBgrConversionFails) {
  ExpectFailedCleanly(WriteJpeg("cmyk.jpg", EncodeCmyk(8, 8)), SlotEnvi);
}

TEST_F(TextureLoading, SameFileInTwoSlotsGivesTwoTextures) {
  std::string path =
      WriteJpeg("02.jpg", EncodeJpegRgb(Paint(2, 2, {kA, kB, kC, kD}).data(), 2, 2, Best()));
  EXPECT_EQ(Load(path, SlotPic02), "");
  EXPECT_EQ(Load(path, SlotPic02b), "");
  EXPECT_EQ(TextureTable[SlotPic02], 1u);
  EXPECT_EQ(TextureTable[SlotPic02b], 2u);
  ASSERT_EQ(GlrecImages().size(), 2u);
  EXPECT_EQ(GlrecImages()[0].texture, 1u);
  EXPECT_EQ(GlrecImages()[1].texture, 2u);
  EXPECT_EQ(GlrecImages()[0].rgb, GlrecImages()[1].rgb);

  DeleteTexture(SlotPic02);
  EXPECT_EQ(TextureTable[SlotPic02], 1u);  // the slot keeps the deleted name
  EXPECT_EQ(TextureTable[SlotPic02b], 2u);
  EXPECT_EQ(GlrecCallsNamed("glDeleteTextures"), std::vector<std::string>{"glDeleteTextures 1 1"});
}

TEST_F(TextureLoading, LoadAllTexturesFillsTheTableInLoadOrder) {
  std::filesystem::create_directory(dir.Path("gfx"));
  std::filesystem::create_directory(dir.Path("data"));
  std::vector<uint8_t> picture = EncodeJpegRgb(Paint(8, 8, std::vector<Rgb>(64, kD)).data(), 8, 8);
  for (const TextureLoad& load : textureLoads) {
    std::string path = load.fileName;
    path.replace(path.find("//"), 2, "/");
    ASSERT_TRUE(WriteFileBytes(dir.Path(path), picture));
  }
  std::filesystem::remove(dir.Path("data/noice2.jpg"));

  WorkingDir cd(dir.path);
  testing::internal::CaptureStderr();
  LoadAllTextures();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot load picture: data//noice2.jpg\n");

  // Names are handed out 1, 2, 3... by the stand-in, so each slot's name is its
  // place among the successful loads.
  GLuint expected = 0;
  for (const TextureLoad& load : textureLoads) {
    SCOPED_TRACE(load.fileName);
    if (load.slot == SlotNoice2) {
      EXPECT_EQ(TextureTable[load.slot], 0u);
    } else {
      EXPECT_EQ(TextureTable[load.slot], ++expected);
    }
  }
  EXPECT_EQ(expected, 30u);
  EXPECT_EQ(GlrecCallsNamed("glTexImage2D").size(), 30u);
  EXPECT_EQ(TextureTable[0], 0u);
  EXPECT_EQ(TextureTable[SlotLoading], 0u);
}

TEST_F(TextureLoading, DeletingAnEmptySlotPassesNameZero) {
  DeleteTexture(SlotTex3);
  EXPECT_EQ(GlrecJoined(), "glDeleteTextures 1 0\n");
  EXPECT_EQ(TextureTable[SlotTex3], 0u);
}

}  // namespace
