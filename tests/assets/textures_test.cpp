#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    for (long long& pixels : texturePixels) pixels = 0;
    maxTextureSize = 16384;
  }
  void TearDown() override {
    for (GLuint& name : TextureTable) name = 0;
    for (long long& pixels : texturePixels) pixels = 0;
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

  void ExpectFailedCleanly(const std::string& path, int slot, const std::string& cause) {
    EXPECT_EQ(Load(path, slot), "cannot load picture: " + path + ": " + cause + "\n");
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
            "glGetError\n"
            "glGenTextures 1\n"
            "glBindTexture GL_TEXTURE_2D 1\n"
            "glTexParameteri GL_TEXTURE_2D GL_TEXTURE_MAG_FILTER " + linear + "\n"
            "glTexParameteri GL_TEXTURE_2D GL_TEXTURE_MIN_FILTER " + linear + "\n"
            "glPixelStorei GL_UNPACK_ALIGNMENT 1\n"
            "glTexImage2D GL_TEXTURE_2D 0 3 8 8 0 GL_RGB GL_UNSIGNED_BYTE\n"
            "glPixelStorei GL_UNPACK_ALIGNMENT 4\n"
            "glGetError\n");
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
    const char* cause;
  };
  const std::vector<BadFile> cases = {
      {"empty.jpg", {}, "empty file"},
      {"garbage.jpg", garbage, "not a JPEG"},
      {"marker-only.jpg", {0xff, 0xd8}, "truncated"},
      {"headers-only.jpg", {good.begin(), good.begin() + 300}, "truncated"},
      {"half.jpg", {good.begin(), good.begin() + static_cast<long>(good.size() / 2)}, "truncated"},
      {"no-end.jpg", {good.begin(), good.end() - 2}, "truncated"},
      {"stray-marker.jpg", strayMarker, "corrupt JPEG data: premature end of data segment"},
  };
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.name);
    GlrecReset();
    ExpectFailedCleanly(WriteJpeg(bad.name, bad.bytes), SlotPic05, bad.cause);
  }
  GlrecReset();
  EXPECT_EQ(Load(WriteJpeg("good.jpg", good), SlotPic05), "");  // the uncut file loads
  EXPECT_EQ(TextureTable[SlotPic05], 1u);
}

TEST_F(TextureLoading, OnlyRegularFilesAreOpened) {
  // Opening a FIFO as a stream would wait for a writer for good.
  const std::string fifo = dir.Path("fifo.jpg");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ExpectFailedCleanly(fifo, SlotNoice2, "not a regular file");
  ExpectFailedCleanly("/dev/zero", SlotNoice2, "not a regular file");
  ExpectFailedCleanly(dir.path, SlotNoice2, "is a directory");
  ExpectFailedCleanly(dir.Path("absent.jpg"), SlotNoice2, "no such file");
}

// The file with its frame header claiming another size: libjpeg reads the
// size before any pixel, so the refusal costs nothing whatever the claim.
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> bytes, int width, int height) {
  for (size_t i = 2; i + 9 < bytes.size();) {
    const int length = bytes[i + 2] << 8 | bytes[i + 3];
    if (bytes[i + 1] == 0xc0 || bytes[i + 1] == 0xc2) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8), bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8), bytes[i + 8] = static_cast<uint8_t>(width);
      return bytes;
    }
    i += 2 + static_cast<size_t>(length);
  }
  ADD_FAILURE() << "no frame header";
  return bytes;
}

TEST_F(TextureLoading, PicturesOverGlsSideThePixelBudgetOrEightBitsAreRefused) {
  std::vector<uint8_t> small = EncodeJpegRgb(Paint(8, 8, std::vector<Rgb>(64, kC)).data(), 8, 8);
  ExpectFailedCleanly(WriteJpeg("wide.jpg", WithClaimedSize(small, 16385, 8)), SlotTex2,
                      "16385x8 exceeds this GL's 16384");
  ExpectFailedCleanly(WriteJpeg("tall.jpg", WithClaimedSize(small, 8, 16385)), SlotTex2,
                      "8x16385 exceeds this GL's 16384");
  ExpectFailedCleanly(WriteJpeg("huge.jpg", WithClaimedSize(small, 16384, 16384)), SlotTex2,
                      "268435456 pixels exceed the limit of 16777216");
  ExpectFailedCleanly(WriteJpeg("many.jpg", WithClaimedSize(small, 8000, 5000)), SlotTex2,
                      "40000000 pixels exceed the limit of 16777216");
  std::vector<uint8_t> twelveBit = small;
  for (size_t i = 0; i + 4 < twelveBit.size(); ++i)
    if (twelveBit[i] == 0xff && twelveBit[i + 1] == 0xc0) twelveBit[i + 4] = 12;  // precision
  ExpectFailedCleanly(WriteJpeg("12-bit.jpg", twelveBit), SlotTex2,
                      "12-bit samples are not supported");
  // The pictures held count against one total; deleting one frees its share.
  texturePixels[SlotPic01] = texturePixelTotal - 63;
  ExpectFailedCleanly(WriteJpeg("over.jpg", small), SlotTex2,
                      "64 more pixels would pass the total of 33554432 for all pictures");
  TextureTable[SlotPic01] = 5;
  DeleteTexture(SlotPic01);
  GlrecReset();
  EXPECT_EQ(Load(WriteJpeg("under.jpg", small), SlotTex3), "");
  EXPECT_EQ(texturePixels[SlotTex3], 64);
  GlrecReset();
  maxTextureSize = 8;
  std::vector<uint8_t> wide = Paint(16, 8, std::vector<Rgb>(128, kC));
  ExpectFailedCleanly(WriteJpeg("wide8.jpg", EncodeJpegRgb(wide.data(), 16, 8)), SlotTex2,
                      "16x8 exceeds this GL's 8");
  EXPECT_EQ(Load(WriteJpeg("fits.jpg", small), SlotTex2), "");
  EXPECT_NE(TextureTable[SlotTex2], 0u);
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WritePpm(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  std::ofstream file(path, std::ios::binary);
  file << "P6\n" << width << " " << height << "\n255\n";
  file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

std::vector<uint8_t> NoiseRgb(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
  uint32_t state = 7;
  for (uint8_t& byte : rgb) {
    state = state * 214013 + 2531011;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return rgb;
}

int RunTool(const std::string& command) { return std::system(command.c_str()); }

TEST_F(TextureLoading, RepeatedScansPastTheLimitAreRefused) {
  // A DC scan, then one AC scan without successive approximation: libjpeg
  // takes any number of copies of that last scan without a warning.
  JpegOptions spectral;
  spectral.scans = JpegSpectral;
  std::vector<uint8_t> noise = NoiseRgb(24, 16);
  noise.resize(24 * 16);
  const std::vector<uint8_t> encoded = EncodeJpegGrey(noise.data(), 24, 16, spectral);
  const std::string two(encoded.begin(), encoded.end());
  const size_t lastScan = two.rfind("\xff\xda");
  ASSERT_NE(lastScan, std::string::npos);
  const std::string scan = two.substr(lastScan, two.size() - 2 - lastScan);
  auto withCopies = [&](int copies) {
    std::string bytes = two.substr(0, two.size() - 2);
    for (int i = 0; i < copies; ++i) bytes += scan;
    bytes += "\xff\xd9";
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  };
  EXPECT_EQ(Load(WriteJpeg("100.jpg", withCopies(98)), SlotTex4), "");
  EXPECT_EQ(TextureTable[SlotTex4], 1u);
  GlrecReset();
  ExpectFailedCleanly(WriteJpeg("101.jpg", withCopies(99)), SlotTex5, "more than 100 scans");
}

// Every scan is a pass over its components' blocks, however little data it
// carries: a flat picture's AC scans are a few bytes each.
TEST_F(TextureLoading, ScansPastSixteenPassesOverTheLargestPictureAreRefused) {
  std::vector<uint8_t> row(4096, 90);
  JpegOptions spectral;
  spectral.scans = JpegSpectral;
  const std::vector<uint8_t> flat =
      EncodeJpegRows([&](int) { return row.data(); }, 4096, 4096, 1, spectral);
  const size_t lastScan = std::string(flat.begin(), flat.end()).rfind("\xff\xda");
  ASSERT_LT(flat.size() - lastScan, 1000u);
  auto withCopies = [&](int copies) {
    std::vector<uint8_t> bytes(flat.begin(), flat.end() - 2);
    for (int i = 0; i < copies; ++i)
      bytes.insert(bytes.end(), flat.begin() + static_cast<long>(lastScan), flat.end() - 2);
    bytes.insert(bytes.end(), {0xff, 0xd9});
    return bytes;
  };
  ExpectFailedCleanly(WriteJpeg("17.jpg", withCopies(15)), SlotTex4,
                      "17 scans decode more than 16 times 16777216 pixels");
  EXPECT_EQ(Load(WriteJpeg("16.jpg", withCopies(14)), SlotTex4), "");  // exactly 16 passes
  EXPECT_NE(TextureTable[SlotTex4], 0u);
}

// Blue-green-red, top row first, as DecodeJpegFile hands them out.
std::vector<uint8_t> DecodeBgr(const std::string& path, int& width, int& height) {
  unsigned char* pixels = nullptr;
  std::string cause;
  if (!DecodeJpegFile(path.c_str(), width, height, pixels, &cause)) {
    ADD_FAILURE() << path << ": " << cause;
    return {};
  }
  std::vector<uint8_t> bgr(pixels, pixels + static_cast<size_t>(width * height * 3));
  delete[] pixels;
  return bgr;
}

// The pixels of a binary PPM as djpeg or ImageMagick wrote it.
std::vector<uint8_t> PpmPixels(const std::string& path, int width, int height) {
  const std::string text = ReadText(path);
  const std::string header =
      "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  EXPECT_EQ(text.compare(0, header.size(), header), 0) << text.substr(0, 20);
  return {text.begin() + static_cast<long>(header.size()), text.end()};
}

void ExpectSameAsRgb(const std::vector<uint8_t>& bgr, const std::vector<uint8_t>& rgb,
                     int tolerance) {
  ASSERT_EQ(bgr.size(), rgb.size());
  int worst = 0;
  size_t at = 0;
  for (size_t i = 0; i < bgr.size(); i += 3)
    for (int c = 0; c < 3; ++c) {
      const int difference = std::abs(bgr[i + 2 - c] - rgb[i + c]);
      if (difference > worst) worst = difference, at = i / 3;
    }
  EXPECT_LE(worst, tolerance) << "at pixel " << at;
}

TEST_F(TextureLoading, PicturesDecodeAsDjpegDoesByteForByte) {
  // Odd sizes, chroma subsampling, progressive scans and restart intervals,
  // made by cjpeg from the same noise.
  const int width = 37, height = 13;
  WritePpm(dir.Path("noise.ppm"), width, height, NoiseRgb(width, height));
  for (const std::string& flags :
       {std::string("-quality 90"), std::string("-quality 75 -sample 2x2 -progressive"),
        std::string("-quality 85 -sample 2x1 -restart 1 -optimize")}) {
    SCOPED_TRACE(flags);
    ASSERT_EQ(RunTool("cjpeg " + flags + " -outfile " + dir.Path("c.jpg") + " " +
                  dir.Path("noise.ppm")), 0);
    ASSERT_EQ(RunTool("djpeg -pnm -outfile " + dir.Path("d.ppm") + " " + dir.Path("c.jpg")), 0);
    int w = 0, h = 0;
    std::vector<uint8_t> bgr = DecodeBgr(dir.Path("c.jpg"), w, h);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    ExpectSameAsRgb(bgr, PpmPixels(dir.Path("d.ppm"), width, height), 0);
  }
}

TEST_F(TextureLoading, CmykAndYcckPicturesDecodeInBothInkForms) {
  // Four flat 8x8 blocks, stored as ink bytes: white, magenta, half black and
  // yellow over full cyan (which leaves green).
  struct Block {
    uint8_t c, m, y, k;
    Rgb rgb;
  };
  const Block blocks[4] = {{0, 0, 0, 0, {255, 255, 255}},
                           {0, 255, 0, 0, {255, 0, 255}},
                           {0, 0, 0, 128, {127, 127, 127}},
                           {255, 0, 255, 0, {0, 255, 0}}};
  for (CmykForm form : {CmykAdobe, CmykYcck, CmykPlain}) {
    SCOPED_TRACE(form);
    // Adobe's readers take the bytes as inverted inks (255 is no ink).
    const bool inverted = form != CmykPlain;
    std::vector<uint8_t> cmyk;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const Block& b = blocks[(y / 8) * 2 + x / 8];
        for (uint8_t ink : {b.c, b.m, b.y, b.k})
          cmyk.push_back(inverted ? static_cast<uint8_t>(255 - ink) : ink);
      }
    JpegOptions options = Best();
    options.cmyk = form;
    const std::string path = WriteJpeg("cmyk.jpg", EncodeJpegCmyk(cmyk.data(), 16, 16, options));
    GlrecReset();
    EXPECT_EQ(Load(path, SlotEnvi), "");
    ASSERT_EQ(GlrecImages().size(), 1u);
    const std::vector<unsigned char>& rgb = GlrecImages()[0].rgb;
    // GL rows bottom first: the lower blocks come first.
    ExpectNear(&rgb[(4 * 16 + 4) * 3], blocks[2].rgb, 2, "half black");
    ExpectNear(&rgb[(4 * 16 + 12) * 3], blocks[3].rgb, 2, "green");
    ExpectNear(&rgb[(12 * 16 + 4) * 3], blocks[0].rgb, 2, "white");
    ExpectNear(&rgb[(12 * 16 + 12) * 3], blocks[1].rgb, 2, "magenta");
  }
}

TEST_F(TextureLoading, ImageMagicksCmykPicturesDecodeAsItsOwnReader) {
  const int width = 21, height = 11;
  std::vector<uint8_t> smooth;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) smooth.push_back(static_cast<uint8_t>(x * 12 + y * 7 * c));
  WritePpm(dir.Path("in.ppm"), width, height, smooth);
  ASSERT_EQ(RunTool("/usr/bin/convert " + dir.Path("in.ppm") +
                " -colorspace CMYK -quality 95 " + dir.Path("im.jpg")), 0);
  ASSERT_EQ(RunTool("/usr/bin/convert " + dir.Path("im.jpg") + " -colorspace sRGB " +
                dir.Path("im.ppm")), 0);
  int w = 0, h = 0;
  std::vector<uint8_t> bgr = DecodeBgr(dir.Path("im.jpg"), w, h);
  ASSERT_EQ(w, width);
  ExpectSameAsRgb(bgr, PpmPixels(dir.Path("im.ppm"), width, height), 1);
}

TEST_F(TextureLoading, RefusedUploadLeavesTheSlotAsItWas) {
  std::vector<uint8_t> flat = Paint(8, 8, std::vector<Rgb>(64, kA));
  const std::string path = WriteJpeg("8x8.jpg", EncodeJpegRgb(flat.data(), 8, 8));
  TextureTable[SlotTex6] = 77;
  GlrecFailNextUpload(GL_OUT_OF_MEMORY);
  EXPECT_EQ(Load(path, SlotTex6),
            "cannot load picture: " + path + ": the GL refused the upload (GL_OUT_OF_MEMORY)\n");
  EXPECT_EQ(TextureTable[SlotTex6], 77u);
  EXPECT_EQ(GlrecCallsNamed("glDeleteTextures"), std::vector<std::string>{"glDeleteTextures 1 1"})
      << GlrecJoined();
  EXPECT_EQ(Load(path, SlotTex6), "");  // the next upload goes through
  EXPECT_EQ(TextureTable[SlotTex6], 2u);
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
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "cannot load picture: data//noice2.jpg: no such file\n");

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
