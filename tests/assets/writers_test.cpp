#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "scratch_dir.h"
#include "writers/jpeg_writer.h"
#include "writers/ob3_writer.h"

namespace {

TEST(Ob3Writer, WritesLittleEndianWordsInFileOrder) {
  Ob3Mesh mesh;
  mesh.vertices = {{1, -1, 0x1234}};
  Ob3Face face;
  face.index0 = 0, face.index1 = 0, face.index2 = 0;
  face.textureOffset = -2;
  face.s0 = 256, face.t0 = -256, face.s1 = 1, face.t1 = 2, face.s2 = 3, face.t2 = 0x7fff;
  mesh.faces = {face};
  const std::vector<uint8_t> expected = {
      1, 0, 1, 0,                                // V, F
      1, 0, 0xff, 0xff, 0x34, 0x12,              // x, y, z
      0, 0, 0, 0, 0, 0, 0xfe, 0xff,              // corners, texture offset
      0, 1, 0, 0xff, 1, 0, 2, 0, 3, 0, 0xff, 0x7f  // s0 t0 s1 t1 s2 t2
  };
  EXPECT_EQ(EncodeOb3(mesh), expected);
}

TEST(Ob3Writer, RefusesMeshesTheCountsCannotHold) {
  Ob3Mesh mesh;
  mesh.vertices.resize(32768);
  EXPECT_TRUE(EncodeOb3(mesh).empty());
  ScratchDir dir;
  EXPECT_FALSE(WriteOb3File(dir.Path("big.ob3"), mesh));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path));
  mesh.vertices.resize(32767);
  EXPECT_EQ(EncodeOb3(mesh).size(), 4u + 6 * 32767);
}

TEST(FileWriter, FailedWriteLeavesNothingBehind) {
  ScratchDir dir;
  EXPECT_FALSE(WriteFileBytes(dir.Path("missing/x.jpg"), {1, 2, 3}));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path));
  ASSERT_TRUE(WriteFileBytes(dir.Path("x.bin"), {1, 2, 3}));
  EXPECT_EQ(std::filesystem::file_size(dir.Path("x.bin")), 3u);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("x.bin.part")));
}

TEST(JpegWriter, EncodesOrRefusesWithoutEndingTheProcess) {
  std::vector<uint8_t> grey(300 * 7, 90);
  std::vector<uint8_t> bytes = EncodeJpegGrey(grey.data(), 300, 7);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xff);  // start of image ...
  EXPECT_EQ(bytes[1], 0xd8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xff);  // ... and its end
  EXPECT_EQ(bytes.back(), 0xd9);
  EXPECT_TRUE(EncodeJpegRgb(grey.data(), 0, 7).empty());
  EXPECT_TRUE(EncodeJpegRgb(nullptr, 4, 4).empty());
  // Larger than libjpeg's 65500-pixel limit: its error comes back as an empty result.
  EXPECT_TRUE(EncodeJpegGrey(grey.data(), 70000, 1).empty());
}

}  // namespace
