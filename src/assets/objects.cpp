#include "assets/objects.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "assets/asset_file.h"
#include "assets/textures.h"
#include "records/camera.h"
#include "records/render_mode.h"

namespace {

// ob3 layout: two count words, 3 words per vertex, 10 words per face.
constexpr long headerBytes = 4;
constexpr long vertexBytes = 6;
constexpr long faceBytes = 20;

int ReadWord(const unsigned char* bytes) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

void ReportObjectFailure(const char* path, const std::string& cause) {
  std::fprintf(stderr, "cannot load object: %s: %s\n", path, cause.c_str());
}

// How many whole records of `recordBytes` the bytes after `offset` hold.
long WholeRecords(std::size_t have, long offset, long recordBytes) {
  return have <= static_cast<std::size_t>(offset)
             ? 0
             : static_cast<long>(have - static_cast<std::size_t>(offset)) / recordBytes;
}

// Reads the header and every record the header announces, or nothing: a file
// shorter than its counts claim, with a negative count, or with a corner
// outside 0..V-1 is refused whole, with the cause. Bytes after the last face
// are not read.
bool ReadObjectFile(const char* path, int& vertexCount, int& faceCount,
                    std::vector<unsigned char>& records, std::string& cause) {
  AssetFile file;
  if (!OpenAssetFile(path, file, cause)) return false;
  unsigned char header[headerBytes];
  const std::size_t headerRead = ReadAssetFile(file, header, headerBytes);
  if (headerRead < static_cast<std::size_t>(headerBytes)) {
    cause = "file holds " + std::to_string(headerRead) + " of 4 header bytes";
    CloseAssetFile(file);
    return false;
  }
  vertexCount = ReadWord(header);
  faceCount = ReadWord(header + 2);
  if (vertexCount < 0 || faceCount < 0) {
    cause = vertexCount < 0 ? "vertex count " + std::to_string(vertexCount) + " is negative"
                            : "face count " + std::to_string(faceCount) + " is negative";
    CloseAssetFile(file);
    return false;
  }
  // At most 26 * 32767 bytes: the counts are 16-bit.
  records.resize(static_cast<std::size_t>(vertexBytes * vertexCount + faceBytes * faceCount));
  const std::size_t have = ReadAssetFile(file, records.data(), records.size());
  CloseAssetFile(file);
  const long facesAt = vertexBytes * vertexCount;
  if (WholeRecords(have, 0, vertexBytes) < vertexCount) {
    cause = "file holds " + std::to_string(WholeRecords(have, 0, vertexBytes)) + " of " +
            std::to_string(vertexCount) + " vertices";
    return false;
  }
  if (WholeRecords(have, facesAt, faceBytes) < faceCount) {
    cause = "file holds " + std::to_string(WholeRecords(have, facesAt, faceBytes)) + " of " +
            std::to_string(faceCount) + " faces";
    return false;
  }
  const unsigned char* face = records.data() + facesAt;
  for (int f = 0; f < faceCount; ++f, face += faceBytes) {
    for (int corner = 0; corner < 3; ++corner) {
      int index = ReadWord(face + 2 * corner);
      if (index < 0 || index >= vertexCount) {
        cause = "face " + std::to_string(f) + " names vertex " + std::to_string(index) + " of " +
                std::to_string(vertexCount);
        return false;
      }
    }
  }
  return true;
}

// Texture words are 1/256 of the picture; t counts from the picture's top,
// GL's t from its bottom.
float TextureS(int word) { return static_cast<float>(word * 0.00390625); }
float TextureT(int word) { return static_cast<float>(1.0 - word * 0.00390625); }

// delete[] of a null array does nothing, so a half-allocated record goes too.
void ReleaseArrays(Object3D& object) {
  delete[] object.baseVertexNormals;
  delete[] object.vertexNormals;
  delete[] object.baseFaceNormals;
  delete[] object.baseVertices;
  delete[] object.faces;
  delete[] object.vertices;
  object.baseVertexNormals = object.vertexNormals = object.baseFaceNormals = nullptr;
  object.baseVertices = object.vertices = nullptr;
  object.faces = nullptr;
}

}  // namespace

ObjectLoadResult LoadObject(const char* path, Object3D& object, int renderMode, int textureSlot) {
  int vertexCount = 0;
  int faceCount = 0;
  std::vector<unsigned char> records;
  std::string cause;
  if (!ReadObjectFile(path, vertexCount, faceCount, records, cause)) {
    ReportObjectFailure(path, cause);
    return ObjectUnreadable;
  }
  ReleaseObject(object);  // a reload replaces the old arrays instead of leaking them
  object.vertexCount = vertexCount;
  object.faceCount = faceCount;
  if (!AllocateObject(object)) return ObjectOutOfMemory;
  object.renderMode = renderMode;
  object.textureSlot = textureSlot;

  const unsigned char* word = records.data();
  for (int i = 0; i < vertexCount; ++i, word += vertexBytes) {
    Vec3f position{static_cast<float>(ReadWord(word)), static_cast<float>(ReadWord(word + 2)),
                   static_cast<float>(ReadWord(word + 4))};
    object.baseVertices[i] = position;
    object.vertices[i] = position;
  }
  for (int f = 0; f < faceCount; ++f, word += faceBytes) {
    ObjectFace& face = object.faces[f];
    face.index0 = ReadWord(word);
    face.index1 = ReadWord(word + 2);
    face.index2 = ReadWord(word + 4);
    face.textureSlot = textureSlot + ReadWord(word + 6);
    face.renderMode = renderMode;
    face.s0 = TextureS(ReadWord(word + 8));
    face.t0 = TextureT(ReadWord(word + 10));
    face.s1 = TextureS(ReadWord(word + 12));
    face.t1 = TextureT(ReadWord(word + 14));
    face.s2 = TextureS(ReadWord(word + 16));
    face.t2 = TextureT(ReadWord(word + 18));
  }
  ComputeObjectNormals(object);
  return ObjectLoaded;
}

bool AllocateObject(Object3D& object) {
  const int v = object.vertexCount;
  const int f = object.faceCount;
  if (v < 0 || f < 0) return false;
  object.baseVertices = new (std::nothrow) Vec3f[v];
  object.vertices = new (std::nothrow) Vec3f[v];
  object.baseVertexNormals = new (std::nothrow) Vec3f[v];
  object.vertexNormals = new (std::nothrow) Vec3f[v];
  object.faces = new (std::nothrow) ObjectFace[f];
  object.baseFaceNormals = new (std::nothrow) Vec3f[f];
  if (object.baseVertices == nullptr || object.vertices == nullptr ||
      object.baseVertexNormals == nullptr || object.vertexNormals == nullptr ||
      object.faces == nullptr || object.baseFaceNormals == nullptr) {
    ReleaseArrays(object);  // none of a half-allocated record stays behind
    return false;
  }
  object.angleX = object.angleY = object.angleZ = 0;
  object.posX = object.posY = object.posZ = 0;
  object.renderMode = 0;
  return true;
}

void ComputeObjectNormals(Object3D& object) {
  const Vec3f* p = object.baseVertices;
  for (int f = 0; f < object.faceCount; ++f) {
    const ObjectFace& face = object.faces[f];
    const Vec3f& p0 = p[face.index0];
    const Vec3f& p1 = p[face.index1];
    const Vec3f& p2 = p[face.index2];
    double e1x = static_cast<double>(p1.x) - p0.x;
    double e1y = static_cast<double>(p1.y) - p0.y;
    double e1z = static_cast<double>(p1.z) - p0.z;
    double e2x = static_cast<double>(p2.x) - p0.x;
    double e2y = static_cast<double>(p2.y) - p0.y;
    double e2z = static_cast<double>(p2.z) - p0.z;
    double nx = e1y * e2z - e1z * e2y;
    double ny = e1z * e2x - e1x * e2z;
    double nz = e1x * e2y - e1y * e2x;
    double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    Vec3f& normal = object.baseFaceNormals[f];
    if (len == 0) {
      normal = Vec3f{};  // repeated corner or corners on a line
    } else {
      normal = Vec3f{static_cast<float>(nx / len), static_cast<float>(ny / len),
                     static_cast<float>(nz / len)};
    }
  }

  // Each vertex sums the normals of the faces that name it, a face once however
  // many of its corners name the vertex. Walking the faces in file order adds
  // them to every vertex in the same order a per-vertex search over all faces would.
  std::vector<double> sums(static_cast<size_t>(object.vertexCount) * 3, 0.0);
  for (int f = 0; f < object.faceCount; ++f) {
    const ObjectFace& face = object.faces[f];
    const Vec3f& n = object.baseFaceNormals[f];
    const int corners[3] = {face.index0, face.index1, face.index2};
    for (int c = 0; c < 3; ++c) {
      const int k = corners[c];
      if ((c >= 1 && k == corners[0]) || (c == 2 && k == corners[1])) continue;
      sums[3 * k] += n.x;
      sums[3 * k + 1] += n.y;
      sums[3 * k + 2] += n.z;
    }
  }
  for (int k = 0; k < object.vertexCount; ++k) {
    double sx = sums[3 * k], sy = sums[3 * k + 1], sz = sums[3 * k + 2];
    double len = std::sqrt(sx * sx + sy * sy + sz * sz);
    Vec3f& normal = object.baseVertexNormals[k];
    if (len == 0) {
      normal = Vec3f{};  // no face uses it, or its faces cancel out
    } else {
      normal = Vec3f{static_cast<float>(sx / len), static_cast<float>(sy / len),
                     static_cast<float>(sz / len)};
    }
  }
}

void ReleaseObject(Object3D& object) {
  if (object.faces == nullptr) return;
  ReleaseArrays(object);
}

bool LoadObjects() {
  // Slots 14 and 25 hold no picture: the float object is drawn with a texture
  // its scene passes in, and the pallo2 scene sets its slot before drawing.
  // Running out of memory stops the loading at once; the caller ends the run.
  if (LoadObject("data//akanpaa.ob3", ObjectTable[1], ModeLitTextured, SlotAkanpaa1) ==
          ObjectOutOfMemory ||
      LoadObject("data//float.ob3", ObjectTable[2], ModeEnvMappedAdd, 14) == ObjectOutOfMemory ||
      LoadObject("data//pallo2.ob3", ObjectTable[6], ModeTexturedAddTwoSided, 25) ==
          ObjectOutOfMemory ||
      LoadObject("data//tyyli.ob3", ObjectTable[7], ModeTexturedAdd, SlotPic04) ==
          ObjectOutOfMemory)
    return false;
  ResetCamera(sceneCamera);
  return true;
}
