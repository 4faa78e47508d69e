#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "assets/objects.h"
#include "render/mesh.h"
#include "scratch_dir.h"
#include "writers/jpeg_writer.h"
#include "writers/ob3_writer.h"

namespace {

Ob3Face Face(int16_t a, int16_t b, int16_t c, int16_t offset = 0) {
  Ob3Face face;
  face.index0 = a;
  face.index1 = b;
  face.index2 = c;
  face.textureOffset = offset;
  return face;
}

bool IsEmpty(const Object3D& object) {
  return object.faces == nullptr && object.vertices == nullptr &&
         object.baseVertices == nullptr && object.baseVertexNormals == nullptr &&
         object.vertexNormals == nullptr && object.baseFaceNormals == nullptr &&
         object.vertexCount == 0 && object.faceCount == 0 && object.renderMode == 0 &&
         object.textureSlot == 0;
}

void ExpectVec(const Vec3f& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

class ObjectLoad : public testing::Test {
 protected:
  void TearDown() override { ReleaseObject(object); }

  // Loads bytes written to a file and returns what went to standard error.
  std::string LoadBytes(const std::vector<uint8_t>& bytes, int mode = 5, int slot = 6) {
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    testing::internal::CaptureStderr();
    LoadObject(path.c_str(), object, mode, slot);
    return testing::internal::GetCapturedStderr();
  }

  ScratchDir dir;
  std::string path = dir.Path("object.ob3");
  Object3D object;
};

TEST_F(ObjectLoad, ReadsCountsPositionsAndFaces) {
  Ob3Mesh mesh;
  mesh.vertices = {{-32768, 0, 32767}, {100, -200, 300}, {1, 2, 3}};
  Ob3Face a = Face(0, 1, 2, 3);
  a.s0 = 0, a.t0 = 0, a.s1 = 256, a.t1 = 256, a.s2 = 128, a.t2 = 64;
  Ob3Face b = Face(2, 1, 0, -4);
  b.s0 = -128, b.t0 = 384, b.s1 = 512, b.t1 = -256, b.s2 = 1, b.t2 = 255;
  mesh.faces = {a, b};

  EXPECT_EQ(LoadBytes(EncodeOb3(mesh), 8, 25), "");
  EXPECT_EQ(object.vertexCount, 3);
  EXPECT_EQ(object.faceCount, 2);
  EXPECT_EQ(object.renderMode, 8);
  EXPECT_EQ(object.textureSlot, 25);
  for (float value : {object.angleX, object.angleY, object.angleZ, object.posX, object.posY,
                      object.posZ})
    EXPECT_EQ(value, 0.0f);
  ASSERT_NE(object.faces, nullptr);
  ExpectVec(object.baseVertices[0], -32768, 0, 32767);
  ExpectVec(object.baseVertices[1], 100, -200, 300);
  ExpectVec(object.baseVertices[2], 1, 2, 3);
  for (int i = 0; i < 3; ++i)
    ExpectVec(object.vertices[i], object.baseVertices[i].x, object.baseVertices[i].y,
              object.baseVertices[i].z);

  const ObjectFace& fa = object.faces[0];
  EXPECT_EQ(fa.index0, 0);
  EXPECT_EQ(fa.index1, 1);
  EXPECT_EQ(fa.index2, 2);
  EXPECT_EQ(fa.textureSlot, 28);
  EXPECT_EQ(fa.renderMode, 8);
  EXPECT_EQ(fa.s0, 0.0f);  // word 0: the picture's left edge ...
  EXPECT_EQ(fa.t0, 1.0f);  // ... and its top, which GL calls t = 1
  EXPECT_EQ(fa.s1, 1.0f);
  EXPECT_EQ(fa.t1, 0.0f);
  EXPECT_EQ(fa.s2, 0.5f);
  EXPECT_EQ(fa.t2, 0.75f);

  const ObjectFace& fb = object.faces[1];
  EXPECT_EQ(fb.index0, 2);
  EXPECT_EQ(fb.index2, 0);
  EXPECT_EQ(fb.textureSlot, 21);  // a negative offset lands below the base slot
  EXPECT_EQ(fb.s0, -0.5f);        // outside 0..1: the texture's wrap repeats it
  EXPECT_EQ(fb.t0, -0.5f);
  EXPECT_EQ(fb.s1, 2.0f);
  EXPECT_EQ(fb.t1, 2.0f);
  EXPECT_EQ(fb.s2, 0.00390625f);
  EXPECT_EQ(fb.t2, 0.00390625f);
}

TEST_F(ObjectLoad, EmptyFileOfFourBytesLoadsAnObjectWithoutGeometry) {
  EXPECT_EQ(LoadBytes({0, 0, 0, 0}), "");
  EXPECT_NE(object.faces, nullptr);  // loaded, though there is nothing to draw
  EXPECT_EQ(object.vertexCount, 0);
  EXPECT_EQ(object.faceCount, 0);
  EXPECT_EQ(object.renderMode, 5);
  EXPECT_EQ(object.textureSlot, 6);
}

TEST_F(ObjectLoad, IgnoresBytesAfterTheLastFace) {
  Ob3Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.faces = {Face(0, 1, 2)};
  std::vector<uint8_t> bytes = EncodeOb3(mesh);
  bytes.insert(bytes.end(), {0xff, 0x7f, 0x00, 0x80, 0x12});
  EXPECT_EQ(LoadBytes(bytes), "");
  EXPECT_EQ(object.vertexCount, 3);
  EXPECT_EQ(object.faceCount, 1);
  ExpectVec(object.baseFaceNormals[0], 0, 0, 1);
}

TEST_F(ObjectLoad, FaceAndVertexNormals) {
  Ob3Mesh mesh;
  mesh.vertices = {
      {0, 0, 0},  // 0
      {2, 0, 0},  // 1
      {0, 2, 0},  // 2
      {0, 0, 2},  // 3
      {5, 5, 5},  // 4: used by no face
      {4, 0, 0},  // 5: on the line through 0 and 1
      {3, 1, 0},  // 6
      {1, 2, 5},  // 7
      {9, 9, 9},  // 8: front and back of one triangle meet here
      {9, 8, 9},  // 9
      {8, 9, 9},  // 10
  };
  mesh.faces = {
      Face(0, 1, 2),   // +z
      Face(0, 2, 3),   // +x
      Face(0, 1, 5),   // corners on a line
      Face(1, 1, 2),   // a corner named twice
      Face(0, 6, 7),   // (5, -15, 5) / sqrt(275)
      Face(8, 9, 10),  // and its back side: the two cancel at 8, 9, 10
      Face(8, 10, 9),
  };
  EXPECT_EQ(LoadBytes(EncodeOb3(mesh)), "");
  ExpectVec(object.baseFaceNormals[0], 0, 0, 1);
  ExpectVec(object.baseFaceNormals[1], 1, 0, 0);
  ExpectVec(object.baseFaceNormals[2], 0, 0, 0);
  ExpectVec(object.baseFaceNormals[3], 0, 0, 0);
  const double len = std::sqrt(275.0);
  ExpectVec(object.baseFaceNormals[4], static_cast<float>(5 / len),
            static_cast<float>(-15 / len), static_cast<float>(5 / len));
  EXPECT_FLOAT_EQ(object.baseFaceNormals[5].x + object.baseFaceNormals[6].x, 0.0f);

  // Vertex 0 takes faces 0, 1, 2 and 4; the others as they are named.
  const Vec3f& f4 = object.baseFaceNormals[4];
  double sx = 1.0 + f4.x, sy = static_cast<double>(f4.y), sz = 1.0 + f4.z;
  double sl = std::sqrt(sx * sx + sy * sy + sz * sz);
  ExpectVec(object.baseVertexNormals[0], static_cast<float>(sx / sl),
            static_cast<float>(sy / sl), static_cast<float>(sz / sl));
  ExpectVec(object.baseVertexNormals[1], 0, 0, 1);  // faces 0, 2, 3
  const float half = static_cast<float>(1 / std::sqrt(2.0));
  ExpectVec(object.baseVertexNormals[2], half, 0, half);  // faces 0, 1, 3
  ExpectVec(object.baseVertexNormals[3], 1, 0, 0);
  ExpectVec(object.baseVertexNormals[4], 0, 0, 0);  // unused
  ExpectVec(object.baseVertexNormals[5], 0, 0, 0);  // only a degenerate face
  ExpectVec(object.baseVertexNormals[8], 0, 0, 0);  // opposite faces cancel
  ExpectVec(object.baseVertexNormals[9], 0, 0, 0);
}

// The vertex normals, found the plain way: for every vertex, every face that
// names it, in file order.
std::vector<Vec3f> VertexNormalsByScanningFaces(const Object3D& object) {
  std::vector<Vec3f> normals(static_cast<size_t>(object.vertexCount));
  for (int k = 0; k < object.vertexCount; ++k) {
    double x = 0, y = 0, z = 0;
    for (int f = 0; f < object.faceCount; ++f) {
      const ObjectFace& face = object.faces[f];
      if (face.index0 != k && face.index1 != k && face.index2 != k) continue;
      x += object.baseFaceNormals[f].x;
      y += object.baseFaceNormals[f].y;
      z += object.baseFaceNormals[f].z;
    }
    double len = std::sqrt(x * x + y * y + z * z);
    if (len != 0)
      normals[k] = {static_cast<float>(x / len), static_cast<float>(y / len),
                    static_cast<float>(z / len)};
  }
  return normals;
}

TEST_F(ObjectLoad, VertexNormalsMatchAFaceByFaceScanBitForBit) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-3000, 3000);
  std::uniform_int_distribution<int> corner(0, 149);
  Ob3Mesh mesh;
  for (int i = 0; i < 150; ++i)
    mesh.vertices.push_back({static_cast<int16_t>(coordinate(random)),
                             static_cast<int16_t>(coordinate(random)),
                             static_cast<int16_t>(coordinate(random))});
  for (int f = 0; f < 600; ++f) {
    int a = corner(random), b = corner(random), c = corner(random);
    if (f % 50 == 0) b = a;  // some faces name a corner twice
    mesh.faces.push_back(Face(a, b, c));
  }
  EXPECT_EQ(LoadBytes(EncodeOb3(mesh)), "");
  std::vector<Vec3f> expected = VertexNormalsByScanningFaces(object);
  for (int k = 0; k < object.vertexCount; ++k) {
    SCOPED_TRACE(k);
    ExpectVec(object.baseVertexNormals[k], expected[k].x, expected[k].y, expected[k].z);
  }
}

std::vector<uint8_t> TriangleBytes() {
  Ob3Mesh mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.faces = {Face(0, 1, 2)};
  return EncodeOb3(mesh);
}

TEST_F(ObjectLoad, RefusesBadFilesWithTheirCauseAndLeavesTheRecordEmpty) {
  struct BadFile {
    std::vector<uint8_t> bytes;
    const char* cause;
  };
  std::vector<BadFile> cases;
  std::vector<uint8_t> triangle = TriangleBytes();
  cases.push_back({{}, "file holds 0 of 4 header bytes"});
  cases.push_back({{0, 0, 0}, "file holds 3 of 4 header bytes"});
  cases.push_back({{triangle.begin(), triangle.end() - 1}, "file holds 0 of 1 faces"});
  cases.push_back({{triangle.begin(), triangle.begin() + 10}, "file holds 1 of 3 vertices"});
  cases.push_back({{0x00, 0x80, 0, 0}, "vertex count -32768 is negative"});
  cases.push_back({{0, 0, 0xff, 0xff}, "face count -1 is negative"});
  std::vector<uint8_t> pastEnd = triangle;
  pastEnd[4 + 18 + 4] = 3;  // index2 = V
  cases.push_back({pastEnd, "face 0 names vertex 3 of 3"});
  std::vector<uint8_t> negative = triangle;
  negative[4 + 18] = 0xff, negative[4 + 18 + 1] = 0xff;  // index0 = -1
  cases.push_back({negative, "face 0 names vertex -1 of 3"});
  cases.push_back({{0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                   "face 0 names vertex 0 of 0"});
  // 100 vertices announced, 2 present: the count is checked against the file,
  // not trusted into a read.
  cases.push_back({{100, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0},
                   "file holds 2 of 100 vertices"});
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.cause);
    EXPECT_EQ(LoadBytes(bad.bytes), "cannot load object: " + path + ": " + bad.cause + "\n");
    EXPECT_TRUE(IsEmpty(object));
  }
}

TEST_F(ObjectLoad, MissingOrSpecialFileIsRefusedAtOnceAndTheRecordUntouched) {
  const std::string fifo = dir.Path("fifo.ob3");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // opening it blocking would wait for a writer
  struct Refusal {
    std::string path;
    const char* cause;
  };
  for (const Refusal& bad : {Refusal{dir.Path("absent.ob3"), "no such file"},
                             Refusal{dir.path, "is a directory"},
                             Refusal{fifo, "not a regular file"},
                             Refusal{"/dev/zero", "not a regular file"}}) {
    testing::internal::CaptureStderr();
    LoadObject(bad.path.c_str(), object, 5, 6);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cannot load object: " + bad.path + ": " + bad.cause + "\n");
    EXPECT_TRUE(IsEmpty(object));
  }
}

TEST_F(ObjectLoad, FailedLoadKeepsAnObjectLoadedBefore) {
  EXPECT_EQ(LoadBytes(TriangleBytes(), 3, 23), "");
  const ObjectFace* faces = object.faces;
  EXPECT_NE(LoadBytes({0, 0, 0}), "");
  EXPECT_EQ(object.faces, faces);
  EXPECT_EQ(object.faceCount, 1);
  EXPECT_EQ(object.renderMode, 3);
  EXPECT_EQ(object.textureSlot, 23);
}

TEST_F(ObjectLoad, LoadingAgainReplacesTheArrays) {
  EXPECT_EQ(LoadBytes(TriangleBytes()), "");
  EXPECT_EQ(LoadBytes({0, 0, 0, 0}, 2, 14), "");  // the old arrays are freed (ASan checks)
  EXPECT_EQ(object.vertexCount, 0);
  EXPECT_EQ(object.faceCount, 0);
  EXPECT_EQ(object.renderMode, 2);
}

TEST(ObjectRelease, FreesOnceAndKeepsTheCounts) {
  Object3D never;
  ReleaseObject(never);
  EXPECT_TRUE(IsEmpty(never));

  ScratchDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.Path("t.ob3"), TriangleBytes()));
  Object3D object;
  LoadObject(dir.Path("t.ob3").c_str(), object, 3, 23);
  ASSERT_NE(object.faces, nullptr);
  ReleaseObject(object);
  EXPECT_EQ(object.faces, nullptr);
  EXPECT_EQ(object.vertices, nullptr);
  EXPECT_EQ(object.baseVertexNormals, nullptr);
  EXPECT_EQ(object.vertexCount, 3);
  EXPECT_EQ(object.faceCount, 1);
  EXPECT_EQ(object.renderMode, 3);
  ReleaseObject(object);  // a second release does nothing
  EXPECT_EQ(object.faces, nullptr);
}

TEST(ObjectAllocate, ClearsPoseAndModeAndSizesTheArrays) {
  Object3D object;
  object.vertexCount = 4;
  object.faceCount = 2;
  object.angleY = 1.5f;
  object.posZ = -7;
  object.renderMode = 8;
  AllocateObject(object);
  EXPECT_EQ(object.angleY, 0.0f);
  EXPECT_EQ(object.posZ, 0.0f);
  EXPECT_EQ(object.renderMode, 0);
  ASSERT_NE(object.faces, nullptr);
  object.vertices[3] = {1, 2, 3};  // in bounds (ASan would object otherwise)
  object.baseFaceNormals[1] = {0, 0, 1};
  ReleaseObject(object);
}

TEST(ObjectAllocate, ImpossibleCountIsReportedAndLeavesTheRecordEmpty) {
  Object3D object;
  object.vertexCount = -32768;
  EXPECT_FALSE(AllocateObject(object));
  EXPECT_EQ(object.faces, nullptr);
  EXPECT_EQ(object.vertices, nullptr);
}

TEST(ObjectTableLoad, LoadsTheFourShowObjects) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.Path("data"));
  // Each file gets its own vertex count so the rows can be told apart.
  const char* names[4] = {"akanpaa", "float", "pallo2", "tyyli"};
  for (int i = 0; i < 4; ++i) {
    Ob3Mesh mesh;
    mesh.vertices.resize(static_cast<size_t>(3 + i));
    mesh.faces = {Face(0, 1, 2)};
    ASSERT_TRUE(WriteOb3File(dir.Path("data/") + names[i] + ".ob3", mesh));
  }
  std::filesystem::remove(dir.Path("data/float.ob3"));

  WorkingDir cd(dir.path);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(LoadObjects()) << "a missing file is skipped, not fatal";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot load object: data//float.ob3: no such file\n");

  struct Row {
    int index, vertexCount, renderMode, textureSlot;
  };
  for (const Row& row : {Row{1, 3, ModeLitTextured, 6}, Row{6, 5, ModeTexturedAddTwoSided, 25},
                         Row{7, 6, ModeTexturedAdd, 23}}) {
    SCOPED_TRACE(row.index);
    const Object3D& object = ObjectTable[row.index];
    ASSERT_NE(object.faces, nullptr);
    EXPECT_EQ(object.vertexCount, row.vertexCount);
    EXPECT_EQ(object.renderMode, row.renderMode);
    EXPECT_EQ(object.textureSlot, row.textureSlot);
    EXPECT_EQ(object.faces[0].textureSlot, row.textureSlot);
  }
  for (int i = 0; i < 256; ++i) {
    if (i == 1 || i == 6 || i == 7) continue;
    EXPECT_TRUE(IsEmpty(ObjectTable[i])) << "record " << i;
  }
  for (Object3D& object : ObjectTable) ReleaseObject(object);
}

}  // namespace
