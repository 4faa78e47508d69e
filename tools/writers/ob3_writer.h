// Writes objects in the show's ob3 format: 16-bit little-endian words, the
// vertex and face counts, then the vertices, then the faces with their texture
// offsets and texture words in 1/256 (t counted from the picture's top).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Ob3Vertex {
  int16_t x = 0, y = 0, z = 0;
};

struct Ob3Face {
  int16_t index0 = 0, index1 = 0, index2 = 0;
  int16_t textureOffset = 0;
  int16_t s0 = 0, t0 = 0, s1 = 0, t1 = 0, s2 = 0, t2 = 0;
};

struct Ob3Mesh {
  std::vector<Ob3Vertex> vertices;
  std::vector<Ob3Face> faces;
};

// The file's bytes: 4 + 6V + 20F.
std::vector<uint8_t> EncodeOb3(const Ob3Mesh& mesh);
// Writes the file; false (and nothing half-written left behind) on failure.
bool WriteOb3File(const std::string& path, const Ob3Mesh& mesh);
