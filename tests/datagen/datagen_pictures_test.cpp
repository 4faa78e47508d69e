#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "datagen/generate.h"
#include "datagen/objects.h"
#include "datagen/pictures.h"
#include "datagen/text.h"
#include "show_files.h"

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// Mean absolute channel difference between column a and column b (or rows).
double ColumnDifference(const DecodedPicture& p, int a, int b) {
  double sum = 0;
  for (int row = 0; row < p.height; ++row)
    for (int ch = 0; ch < 3; ++ch)
      sum += std::abs(p.rgb[(size_t(row) * p.width + a) * 3 + ch] - p.rgb[(size_t(row) * p.width + b) * 3 + ch]);
  return sum / (3.0 * p.height);
}

double RowDifference(const DecodedPicture& p, int a, int b) {
  double sum = 0;
  for (int col = 0; col < p.width; ++col)
    for (int ch = 0; ch < 3; ++ch)
      sum += std::abs(p.rgb[(size_t(a) * p.width + col) * 3 + ch] - p.rgb[(size_t(b) * p.width + col) * 3 + ch]);
  return sum / (3.0 * p.width);
}

// A seam shows when the step across the wrap is clearly larger than the typical
// step between neighbouring columns (rows) inside the picture.
struct SeamReport {
  double acrossColumns, insideColumns, acrossRows, insideRows;
};

SeamReport MeasureSeams(const DecodedPicture& p) {
  SeamReport r{};
  r.acrossColumns = ColumnDifference(p, p.width - 1, 0);
  r.acrossRows = RowDifference(p, p.height - 1, 0);
  for (int col = 0; col + 1 < p.width; ++col) r.insideColumns += ColumnDifference(p, col, col + 1);
  for (int row = 0; row + 1 < p.height; ++row) r.insideRows += RowDifference(p, row, row + 1);
  r.insideColumns /= p.width - 1;
  r.insideRows /= p.height - 1;
  return r;
}

bool Seamless(const SeamReport& r) {
  return r.acrossColumns <= 2 * r.insideColumns + 2 && r.acrossRows <= 2 * r.insideRows + 2;
}

std::string Name(const PictureEntry& entry) { return entry.path; }

bool IsAny(const std::string& path, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (path == n) return true;
  return false;
}

}  // namespace

TEST(ShowPictures, EveryPictureDecodesAtItsSizeWithThreeChannels) {
  for (const PictureEntry& entry : showPictures) {
    SCOPED_TRACE(Name(entry));
    DecodedPicture picture;
    ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/" + entry.path, picture));
    EXPECT_EQ(picture.width, entry.width);
    EXPECT_EQ(picture.height, entry.height);
    JpegFrame frame = ReadJpegFrame(GeneratedShowDir() + "/" + entry.path);
    EXPECT_EQ(frame.channels, 3);
    // Thin lines and letters keep their full colour resolution; smooth fields
    // save the space.
    EXPECT_EQ(frame.lumaSampling, entry.lineArt ? 0x11 : 0x22);
    EXPECT_TRUE(IsPowerOfTwo(picture.width) && picture.width <= 1024);
    EXPECT_TRUE(IsPowerOfTwo(picture.height) && picture.height <= 1024);
  }
}

TEST(ShowPictures, TheTableHoldsEveryFileTheShowLoads) {
  // The 30 distinct files of the load table, under gfx/ and data/.
  const char* const expected[] = {
      "gfx/tex1.jpg",      "gfx/tex2.jpg",      "gfx/tex3.jpg",     "gfx/tex4.jpg",
      "gfx/tex5.jpg",      "gfx/tex6.jpg",      "gfx/01.jpg",       "gfx/02.jpg",
      "gfx/03.jpg",        "gfx/04.jpg",        "gfx/05.jpg",       "gfx/06.jpg",
      "gfx/07.jpg",        "gfx/08.jpg",        "gfx/09.jpg",       "gfx/text1.jpg",
      "gfx/text2.jpg",     "gfx/creds1.jpg",    "data/noice1.jpg",  "data/akanpaa1.jpg",
      "data/akanpaa2.jpg", "data/envi.jpg",     "data/homo.jpg",    "data/ratass.jpg",
      "data/noice2.jpg",   "data/addnoice.jpg", "data/d-ny.jpg",    "data/d-flect.jpg",
      "data/d-stroy.jpg",  "data/shit.jpg"};
  for (const char* path : expected) {
    bool found = false;
    for (const PictureEntry& entry : showPictures) found = found || Name(entry) == path;
    EXPECT_TRUE(found) << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(GeneratedShowDir() + "/" + path)) << path;
  }
}

TEST(ShowPictures, TiledPicturesContinueAcrossTheirEdges) {
  int tiled = 0;
  for (const PictureEntry& entry : showPictures) {
    if (!entry.tiled) continue;
    ++tiled;
    SCOPED_TRACE(Name(entry));
    DecodedPicture picture;
    ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/" + entry.path, picture));
    SeamReport r = MeasureSeams(picture);
    EXPECT_TRUE(Seamless(r)) << "across columns " << r.acrossColumns << " (inside " << r.insideColumns
                             << "), across rows " << r.acrossRows << " (inside " << r.insideRows << ")";
  }
  EXPECT_GE(tiled, 10);  // tex1, tex2, tex5, tex6, 07 and the grain and stone textures
}

TEST(ShowPictures, SeamCheckFlagsAPictureThatDoesNotWrap) {
  // A plain ramp across the picture jumps from bright to dark at the wrap.
  DecodedPicture ramp;
  ramp.width = ramp.height = 64;
  ramp.rgb.resize(64 * 64 * 3);
  for (int row = 0; row < 64; ++row)
    for (int col = 0; col < 64; ++col)
      for (int ch = 0; ch < 3; ++ch) ramp.rgb[(row * 64 + col) * 3 + ch] = uint8_t(col * 4);
  EXPECT_FALSE(Seamless(MeasureSeams(ramp)));
}

TEST(ShowPictures, StackedAdditivePicturesStayMostlyBlack) {
  // These are stacked many times over: most of each must be true black and only
  // thin features bright.
  int checked = 0;
  for (const PictureEntry& entry : showPictures) {
    if (!IsAny(entry.path, {"gfx/tex1.jpg", "gfx/tex2.jpg", "gfx/tex3.jpg", "gfx/tex4.jpg", "gfx/08.jpg",
                           "data/d-ny.jpg", "data/d-flect.jpg", "data/d-stroy.jpg"}))
      continue;
    ++checked;
    SCOPED_TRACE(Name(entry));
    DecodedPicture picture;
    ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/" + entry.path, picture));
    PictureStats stats = MeasurePicture(picture.rgb.data(), picture.width, picture.height);
    // tex1 also holds the haze the credits' dark type stands on.
    EXPECT_GE(stats.darkShare, Name(entry) == "gfx/tex1.jpg" ? 0.55 : 0.6);
    EXPECT_LE(stats.brightShare, 0.10);
    EXPECT_LE(stats.mean, 0.10);
    EXPECT_GE(stats.mean, 0.02);  // and there is something to see
  }
  EXPECT_EQ(checked, 8);
}

TEST(ShowPictures, MultipliedPicturesStayMostlyWhite) {
  int checked = 0;
  for (const PictureEntry& entry : showPictures) {
    if (entry.blend != Blend::Multiplied || Name(entry) == "data/noice1.jpg") continue;  // cloud shadows: mean .88 by design
    ++checked;
    SCOPED_TRACE(Name(entry));
    DecodedPicture picture;
    ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/" + entry.path, picture));
    PictureStats stats = MeasurePicture(picture.rgb.data(), picture.width, picture.height);
    EXPECT_GE(stats.lightShare, 0.6);
    EXPECT_LT(stats.mean, 0.99);  // content is there
  }
  EXPECT_EQ(checked, 5);  // text1, creds1, homo, ratass, noice2
}

TEST(ShowPictures, BrightnessSitsWhereEachRoleNeedsIt) {
  struct Range {
    const char* path;
    double low, high;
  };
  const Range ranges[] = {
      {"gfx/tex5.jpg", 0.2, 0.38},     {"gfx/tex6.jpg", 0.22, 0.38},   // solid floors
      {"data/noice1.jpg", 0.8, 0.93},  {"data/homo.jpg", 0.93, 0.99},  // grain
      {"data/noice2.jpg", 0.9, 0.98},  {"data/addnoice.jpg", 0.0005, 0.02},
      {"data/akanpaa1.jpg", 0.55, 0.9}, {"data/akanpaa2.jpg", 0.55, 0.9},  // lit: bright
      {"data/envi.jpg", 0.2, 0.4},
  };
  for (const Range& range : ranges) {
    SCOPED_TRACE(range.path);
    DecodedPicture picture;
    ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/" + range.path, picture));
    PictureStats stats = MeasurePicture(picture.rgb.data(), picture.width, picture.height);
    EXPECT_GE(stats.mean, range.low);
    EXPECT_LE(stats.mean, range.high);
  }
}

// The credits multiply dark type onto what is under them: where each line
// lies on the panel at the reading moment, tex1 must be lit evenly.
TEST(ShowPictures, PanelPictureLightsTheGroundUnderEveryCreditsLine) {
  DecodedPicture picture;
  ASSERT_TRUE(DecodePicture(GeneratedShowDir() + "/gfx/tex1.jpg", picture));
  ASSERT_TRUE(OpenFonts());
  for (int i = 0; i < creditLineCount; ++i) {
    SCOPED_TRACE(creditLines[i].text);
    PanelSpan span = CreditLineOnPanel(i);
    double sum = 0, darkest = 1;
    long count = 0;
    for (int row = int(span.top * picture.height) + 1; row < int(span.bottom * picture.height); ++row)
      for (int col = int(span.left * picture.width) + 1; col < int(span.right * picture.width); ++col) {
        const uint8_t* p = &picture.rgb[(size_t(row) * picture.width + col) * 3];
        double grey = (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) / 255;
        sum += grey;
        darkest = std::min(darkest, grey);
        ++count;
      }
    ASSERT_GT(count, 0);
    EXPECT_GT(sum / count, 0.12);
    EXPECT_GT(darkest, 0.08);  // no black gap for the type to vanish into
  }
  CloseFonts();
}

TEST(ShowData, TwoRunsWriteIdenticalBytes) {
  char pattern[] = "/tmp/nivora-datagen-again-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string again = pattern;
  ASSERT_TRUE(GenerateShowData(again));
  for (const PictureEntry& entry : showPictures) {
    std::vector<uint8_t> first = ReadBytes(GeneratedShowDir() + "/" + entry.path);
    EXPECT_FALSE(first.empty()) << entry.path;
    EXPECT_TRUE(first == ReadBytes(again + "/" + entry.path)) << entry.path;
  }
  for (const ObjectEntry& entry : showObjects) {
    std::vector<uint8_t> first = ReadBytes(GeneratedShowDir() + "/" + entry.path);
    EXPECT_FALSE(first.empty()) << entry.path;
    EXPECT_TRUE(first == ReadBytes(again + "/" + entry.path)) << entry.path;
  }
  std::filesystem::remove_all(again);
}

TEST(ShowData, AnUnwritableDirectoryIsReportedAsAFailure) {
  EXPECT_FALSE(GenerateShowData("/proc/nivora-cannot-write-here"));
}
