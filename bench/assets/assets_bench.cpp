// Start-up cost of the asset loaders: normals of a large object, and one
// 512x512 picture decoded, converted and uploaded to the recording GL.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/objects.h"
#include "assets/textures.h"
#include "glrec/glrec.h"
#include "writers/jpeg_writer.h"

namespace {

// A closed grid of rows x columns quads, two faces each, every vertex shared by six faces.
void MakeGridObject(Object3D& object, int rows, int columns) {
  object.vertexCount = rows * columns;
  object.faceCount = rows * columns * 2;
  AllocateObject(object);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      object.baseVertices[r * columns + c] = {static_cast<float>(c), static_cast<float>(r),
                                              static_cast<float>((r * 7 + c * 3) % 11)};
  int f = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      int a = r * columns + c, b = r * columns + (c + 1) % columns;
      int d = ((r + 1) % rows) * columns + c, e = ((r + 1) % rows) * columns + (c + 1) % columns;
      object.faces[f].index0 = a, object.faces[f].index1 = b, object.faces[f++].index2 = d;
      object.faces[f].index0 = b, object.faces[f].index1 = e, object.faces[f++].index2 = d;
    }
}

void BM_ComputeObjectNormals(benchmark::State& state) {
  Object3D object;
  MakeGridObject(object, 127, 128);  // 16256 vertices, 32512 faces: near the 32767 limit
  for (auto _ : state) {
    ComputeObjectNormals(object);
    benchmark::DoNotOptimize(object.baseVertexNormals[0]);
  }
  ReleaseObject(object);
}
BENCHMARK(BM_ComputeObjectNormals)->Unit(benchmark::kMillisecond);

void BM_LoadTexture512(benchmark::State& state) {
  std::vector<uint8_t> rgb(512 * 512 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  const std::string path = "bench_assets_512.jpg";
  WriteFileBytes(path, EncodeJpegRgb(rgb.data(), 512, 512));
  maxTextureSize = 16384;
  GlrecSetMode(GlrecCount);
  for (auto _ : state) {
    GlrecReset();
    LoadTexture(path.c_str(), SlotTex1);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_LoadTexture512)->Unit(benchmark::kMillisecond);

}  // namespace
