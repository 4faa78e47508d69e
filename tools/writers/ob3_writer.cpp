#include "writers/ob3_writer.h"

#include <cstdio>
#include <initializer_list>

#include "writers/jpeg_writer.h"

namespace {

void PutWord(std::vector<uint8_t>& bytes, int16_t value) {
  uint16_t word = static_cast<uint16_t>(value);
  bytes.push_back(static_cast<uint8_t>(word & 0xff));
  bytes.push_back(static_cast<uint8_t>(word >> 8));
}

}  // namespace

std::vector<uint8_t> EncodeOb3(const Ob3Mesh& mesh) {
  std::vector<uint8_t> bytes;
  // The counts are signed 16-bit words: larger meshes have no encoding.
  if (mesh.vertices.size() > 32767 || mesh.faces.size() > 32767) return bytes;
  bytes.reserve(4 + 6 * mesh.vertices.size() + 20 * mesh.faces.size());
  PutWord(bytes, static_cast<int16_t>(mesh.vertices.size()));
  PutWord(bytes, static_cast<int16_t>(mesh.faces.size()));
  for (const Ob3Vertex& v : mesh.vertices) {
    PutWord(bytes, v.x);
    PutWord(bytes, v.y);
    PutWord(bytes, v.z);
  }
  for (const Ob3Face& f : mesh.faces) {
    for (int16_t word : {f.index0, f.index1, f.index2, f.textureOffset, f.s0, f.t0, f.s1, f.t1,
                         f.s2, f.t2})
      PutWord(bytes, word);
  }
  return bytes;
}

bool WriteOb3File(const std::string& path, const Ob3Mesh& mesh) {
  std::vector<uint8_t> bytes = EncodeOb3(mesh);
  if (bytes.empty()) return false;
  return WriteFileBytes(path, bytes);
}
