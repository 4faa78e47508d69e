#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "assets/objects.h"
#include "datagen/objects.h"
#include "show_files.h"

namespace {

struct Vec {
  double x, y, z;
};
Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Face {
  int index[3];
  int textureOffset;
  int words[6];  // s0 t0 s1 t1 s2 t2
};

struct Mesh {
  std::vector<Vec> vertices;
  std::vector<Face> faces;
};

// Reads an ob3 file: 16-bit little-endian words, V, F, the vertices, the faces.
bool ParseOb3(const std::vector<uint8_t>& bytes, Mesh& mesh) {
  size_t at = 0;
  auto word = [&]() {
    int v = int16_t(bytes[at] | (bytes[at + 1] << 8));
    at += 2;
    return v;
  };
  if (bytes.size() < 4) return false;
  int v = word(), f = word();
  if (v < 0 || f < 0 || bytes.size() != 4 + 6 * size_t(v) + 20 * size_t(f)) return false;
  for (int i = 0; i < v; ++i) {
    double x = word(), y = word(), z = word();
    mesh.vertices.push_back({x, y, z});
  }
  for (int i = 0; i < f; ++i) {
    Face face;
    for (int& index : face.index) index = word();
    face.textureOffset = word();
    for (int& w : face.words) w = word();
    mesh.faces.push_back(face);
  }
  return true;
}

Mesh LoadShowObject(const char* path) {
  Mesh mesh;
  EXPECT_TRUE(ParseOb3(ReadBytes(GeneratedShowDir() + "/" + path), mesh)) << path;
  return mesh;
}

// Six times the enclosed volume: positive when the faces wind outward.
double SignedVolume6(const Mesh& mesh, size_t first = 0) {
  double sum = 0;
  for (size_t i = first; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    sum += Dot(mesh.vertices[f.index[0]], Cross(mesh.vertices[f.index[1]], mesh.vertices[f.index[2]]));
  }
  return sum;
}

// Closed and consistently wound: every directed edge appears once, and its
// reverse once.
bool ClosedAndConsistent(const Mesh& mesh, size_t first, size_t end) {
  std::map<std::pair<int, int>, int> edges;
  for (size_t i = first; i < end; ++i)
    for (int k = 0; k < 3; ++k) ++edges[{mesh.faces[i].index[k], mesh.faces[i].index[(k + 1) % 3]}];
  for (const auto& [edge, count] : edges) {
    auto reverse = edges.find({edge.second, edge.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1) return false;
  }
  return true;
}

int DegenerateFaces(const Mesh& mesh) {
  int count = 0;
  for (const Face& f : mesh.faces) {
    Vec n = Cross(Sub(mesh.vertices[f.index[1]], mesh.vertices[f.index[0]]),
                  Sub(mesh.vertices[f.index[2]], mesh.vertices[f.index[0]]));
    count += Dot(n, n) == 0;
  }
  return count;
}

void ExpectWellFormed(const Mesh& mesh, const ObjectEntry& entry) {
  SCOPED_TRACE(entry.path);
  EXPECT_GT(mesh.faces.size(), 0u);
  EXPECT_LE(int(mesh.faces.size()), entry.faceBudget);
  for (const Face& f : mesh.faces) {
    for (int index : f.index) {
      ASSERT_GE(index, 0);
      ASSERT_LT(index, int(mesh.vertices.size()));
    }
    EXPECT_EQ(f.textureOffset, 0);
  }
  EXPECT_LE(DegenerateFaces(mesh), int(mesh.faces.size()) / 100);
}

}  // namespace

TEST(ShowObjects, EveryObjectIsWellFormedAndWithinItsBudget) {
  for (const ObjectEntry& entry : showObjects) ExpectWellFormed(LoadShowObject(entry.path), entry);
}

TEST(ShowObjects, TheShowsLoaderTakesEveryObject) {
  for (const ObjectEntry& entry : showObjects) {
    SCOPED_TRACE(entry.path);
    Mesh mesh = LoadShowObject(entry.path);
    Object3D object;
    LoadObject((GeneratedShowDir() + "/" + entry.path).c_str(), object, 0, 0);
    ASSERT_NE(object.faces, nullptr);
    EXPECT_EQ(object.vertexCount, int(mesh.vertices.size()));
    EXPECT_EQ(object.faceCount, int(mesh.faces.size()));
    ReleaseObject(object);
  }
}

TEST(ShowObjects, LoadedNormalsOfTheRoundObjectsPointAwayFromTheirMiddle) {
  // Sphere and cushion are star-shaped about the origin: smooth vertex normals
  // from shared indices all point outward.
  for (const char* path : {"data/pallo2.ob3", "data/float.ob3"}) {
    SCOPED_TRACE(path);
    Object3D object;
    LoadObject((GeneratedShowDir() + "/" + path).c_str(), object, 0, 0);
    ASSERT_NE(object.faces, nullptr);
    for (int i = 0; i < object.vertexCount; ++i) {
      const Vec3f& v = object.baseVertices[i];
      const Vec3f& n = object.baseVertexNormals[i];
      EXPECT_GT(v.x * n.x + v.y * n.y + v.z * n.z, 0) << "vertex " << i;
      EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1, 1e-3) << "vertex " << i;
    }
    ReleaseObject(object);
  }
}

TEST(ShowObjects, ClosedObjectsWindOutwardWithoutHoles) {
  for (const ObjectEntry& entry : showObjects) {
    if (!entry.closed) continue;
    SCOPED_TRACE(entry.path);
    Mesh mesh = LoadShowObject(entry.path);
    EXPECT_TRUE(ClosedAndConsistent(mesh, 0, mesh.faces.size()));
    EXPECT_GT(SignedVolume6(mesh), 0);
  }
}

TEST(ShowObjects, BlobSphereHasTheStatedGridAndMapping) {
  Mesh mesh = LoadShowObject("data/pallo2.ob3");
  ASSERT_EQ(mesh.vertices.size(), 482u);  // 2 poles + 15 rings of 32
  ASSERT_EQ(mesh.faces.size(), 960u);
  for (const Vec& v : mesh.vertices) EXPECT_NEAR(std::sqrt(Dot(v, v)), 400, 1.0);
  // Enclosed volume close to a ball of radius 400 (a little less: flat facets).
  double volume = SignedVolume6(mesh) / 6, ball = 4.0 / 3 * 3.141592653589793 * 400 * 400 * 400;
  EXPECT_GT(volume, 0.95 * ball);
  EXPECT_LT(volume, ball);
  int maxS = 0, maxT = 0;
  for (const Face& f : mesh.faces)
    for (int k = 0; k < 3; ++k) {
      maxS = std::max(maxS, f.words[2 * k]);
      maxT = std::max(maxT, f.words[2 * k + 1]);
      EXPECT_GE(f.words[2 * k], 0);
      EXPECT_GE(f.words[2 * k + 1], 0);
    }
  EXPECT_EQ(maxS, 512);  // the texture goes twice round
  EXPECT_EQ(maxT, 256);  // pole to pole, t from the top
}

TEST(ShowObjects, CrescentIsATubeAlongTheArcOnTheMinusXSide) {
  Mesh mesh = LoadShowObject("data/akanpaa.ob3");
  EXPECT_EQ(mesh.vertices.size(), 494u);
  EXPECT_EQ(mesh.faces.size(), 984u);
  double minX = 1e9, maxX = -1e9, maxY = 0;
  for (const Vec& v : mesh.vertices) {
    minX = std::min(minX, v.x);
    maxX = std::max(maxX, v.x);
    maxY = std::max(maxY, std::fabs(v.y));
  }
  EXPECT_NEAR(minX, -422, 2);     // arc radius 320 + the widest half-width 102
  EXPECT_NEAR(maxY, 0.8 * 102, 2);  // flat: half-height 0.8 w
  EXPECT_LT(maxX, 320);             // the horns stop short of the +x side
  // s runs 0..256 horn to horn.
  int minS = 1 << 20, maxS = -1;
  for (const Face& f : mesh.faces)
    for (int k = 0; k < 3; ++k) minS = std::min(minS, f.words[2 * k]), maxS = std::max(maxS, f.words[2 * k]);
  EXPECT_EQ(minS, 0);
  EXPECT_EQ(maxS, 256);
}

TEST(ShowObjects, LotusCushionIsFlatLobedAndFacesUp) {
  Mesh mesh = LoadShowObject("data/float.ob3");
  EXPECT_EQ(mesh.vertices.size(), 962u);
  EXPECT_EQ(mesh.faces.size(), 1920u);
  double top = -1e9, bottom = 1e9, widest = 0, narrowest = 1e9;
  for (const Vec& v : mesh.vertices) {
    top = std::max(top, v.y);
    bottom = std::min(bottom, v.y);
  }
  // On the ring at θ = π/2, the lobes swing the radius between 430·0.78 and 430·1.22.
  for (const Vec& v : mesh.vertices)
    if (std::fabs(v.y - 60 * std::exp(-(1.5707963 / 0.6) * (1.5707963 / 0.6))) < 1) {
      double rho = std::hypot(v.x, v.z);
      widest = std::max(widest, rho);
      narrowest = std::min(narrowest, rho);
    }
  EXPECT_NEAR(top, 220, 1);
  EXPECT_NEAR(bottom, -160, 1);
  EXPECT_NEAR(widest, 430 * 1.22, 2);
  EXPECT_NEAR(narrowest, 430 * 0.78, 2);
  for (const Face& f : mesh.faces)
    for (int w : f.words) EXPECT_EQ(w, 0);
}

TEST(ShowObjects, SunburstBladesShowBothSidesAroundAClosedHub) {
  Mesh mesh = LoadShowObject("data/tyyli.ob3");
  ASSERT_EQ(mesh.faces.size(), 656u);
  constexpr size_t bladeFaces = 576;
  // Blade faces come in pairs: the upper side, then the same corners reversed.
  for (size_t i = 0; i < bladeFaces; i += 4) {
    for (size_t k = 0; k < 2; ++k) {
      const Face& front = mesh.faces[i + k];
      const Face& back = mesh.faces[i + 2 + k];
      EXPECT_EQ(back.index[0], front.index[0]);
      EXPECT_EQ(back.index[1], front.index[2]);
      EXPECT_EQ(back.index[2], front.index[1]);
      Vec n = Cross(Sub(mesh.vertices[front.index[1]], mesh.vertices[front.index[0]]),
                    Sub(mesh.vertices[front.index[2]], mesh.vertices[front.index[0]]));
      EXPECT_GT(n.y, 0) << "face " << i + k;
    }
  }
  double reach = 0;
  for (const Vec& v : mesh.vertices) reach = std::max(reach, std::hypot(v.x, v.z));
  EXPECT_GT(reach, 3000);
  EXPECT_LT(reach, 3300);
  EXPECT_TRUE(ClosedAndConsistent(mesh, bladeFaces, mesh.faces.size()));
  EXPECT_GT(SignedVolume6(mesh, bladeFaces), 0);
  // Blade k takes its own slice of the panorama; tips at t = 0, roots at t = 256.
  for (size_t i = 0; i < bladeFaces; ++i) {
    int k = int(i / 16);
    for (int c = 0; c < 3; ++c) {
      EXPECT_GE(mesh.faces[i].words[2 * c], int(256.0 * k / 36) - 1);
      EXPECT_LE(mesh.faces[i].words[2 * c], int(256.0 * (k + 1) / 36) + 1);
      EXPECT_GE(mesh.faces[i].words[2 * c + 1], 0);
      EXPECT_LE(mesh.faces[i].words[2 * c + 1], 256);
    }
  }
}

TEST(ShowObjects, ReaderRejectsAFileWhoseLengthDisagreesWithItsCounts) {
  std::vector<uint8_t> bytes = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};  // V 1, F 1, no face
  Mesh mesh;
  EXPECT_FALSE(ParseOb3(bytes, mesh));
}
