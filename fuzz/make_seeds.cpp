// Writes a small seed corpus for the fuzzers with the show's own writers:
//   fuzz_seeds OB3_DIR JPEG_DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "writers/jpeg_writer.h"
#include "writers/ob3_writer.h"

namespace {

uint32_t seedState = 1;

int NextRandom() {
  seedState = seedState * 214013 + 2531011;
  return static_cast<int>((seedState >> 16) & 32767);
}

Ob3Mesh RandomMesh(int vertexCount, int faceCount) {
  Ob3Mesh mesh;
  for (int i = 0; i < vertexCount; ++i)
    mesh.vertices.push_back({static_cast<int16_t>(NextRandom() % 2000 - 1000),
                             static_cast<int16_t>(NextRandom() % 2000 - 1000),
                             static_cast<int16_t>(NextRandom() % 2000 - 1000)});
  for (int f = 0; f < faceCount; ++f) {
    Ob3Face face;
    face.index0 = static_cast<int16_t>(NextRandom() % vertexCount);
    face.index1 = static_cast<int16_t>(NextRandom() % vertexCount);
    face.index2 = static_cast<int16_t>(NextRandom() % vertexCount);
    face.textureOffset = static_cast<int16_t>(NextRandom() % 5 - 2);
    face.s0 = static_cast<int16_t>(NextRandom() % 300);
    face.t2 = static_cast<int16_t>(NextRandom() % 300);
    mesh.faces.push_back(face);
  }
  return mesh;
}

std::vector<uint8_t> Picture(int width, int height, int channels) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * channels; ++x)
      pixels.push_back(static_cast<uint8_t>((x * 7 + y * 13) ^ (NextRandom() & 15)));
  return pixels;
}

// The bytes with their frame header claiming another size.
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> bytes, int width, int height) {
  for (size_t i = 2; i + 9 < bytes.size();) {
    if (bytes[i + 1] >= 0xc0 && bytes[i + 1] <= 0xcb && bytes[i + 1] != 0xc4 &&
        bytes[i + 1] != 0xc8) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8), bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8), bytes[i + 8] = static_cast<uint8_t>(width);
      break;
    }
    i += 2 + static_cast<size_t>(bytes[i + 2] << 8 | bytes[i + 3]);
  }
  return bytes;
}

// The last scan repeated until the file holds `scans` of them and the rest.
std::vector<uint8_t> WithRepeatedLastScan(const std::vector<uint8_t>& bytes, int copies) {
  size_t last = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xff && bytes[i + 1] == 0xda) last = i;
  std::vector<uint8_t> out(bytes.begin(), bytes.end() - 2);
  for (int c = 0; c < copies; ++c) out.insert(out.end(), bytes.begin() + static_cast<long>(last), bytes.end() - 2);
  out.insert(out.end(), {0xff, 0xd9});
  return out;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || !WriteFileBytes(path, bytes)) {
    std::fprintf(stderr, "cannot write seed: %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds OB3_DIR JPEG_DIR\n");
    return 2;
  }
  const std::string ob3 = std::string(argv[1]) + "/";
  const std::string jpeg = std::string(argv[2]) + "/";
  bool ok = true;

  Ob3Mesh triangle;
  triangle.vertices = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}};
  triangle.faces = {Ob3Face{0, 1, 2, 0, 0, 0, 256, 0, 0, 256}};
  ok &= Write(ob3 + "empty.ob3", EncodeOb3(Ob3Mesh{}));
  ok &= Write(ob3 + "triangle.ob3", EncodeOb3(triangle));
  std::vector<uint8_t> trailing = EncodeOb3(triangle);
  trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
  ok &= Write(ob3 + "trailing.ob3", trailing);
  ok &= Write(ob3 + "mesh.ob3", EncodeOb3(RandomMesh(40, 70)));

  JpegOptions exact;
  exact.quality = 100;
  JpegOptions subsampled;
  subsampled.quality = 70;
  subsampled.chroma444 = false;
  ok &= Write(jpeg + "rgb8.jpg", EncodeJpegRgb(Picture(8, 8, 3).data(), 8, 8, exact));
  ok &= Write(jpeg + "rgb5x3.jpg", EncodeJpegRgb(Picture(5, 3, 3).data(), 5, 3, exact));
  ok &= Write(jpeg + "rgb33x17.jpg", EncodeJpegRgb(Picture(33, 17, 3).data(), 33, 17, subsampled));
  ok &= Write(jpeg + "grey16.jpg", EncodeJpegGrey(Picture(16, 16, 1).data(), 16, 16));
  ok &= Write(jpeg + "one.jpg", EncodeJpegRgb(Picture(1, 1, 3).data(), 1, 1));

  // The other decoder paths: progressive, arithmetic, restarts, CMYK and YCCK.
  JpegOptions progressive;
  progressive.scans = JpegProgressive;
  progressive.chroma444 = false;
  ok &= Write(jpeg + "progressive.jpg",
              EncodeJpegRgb(Picture(19, 11, 3).data(), 19, 11, progressive));
  JpegOptions arithmetic;
  arithmetic.arithmetic = true;
  arithmetic.restartInterval = 2;
  ok &= Write(jpeg + "arith-restart.jpg",
              EncodeJpegRgb(Picture(24, 16, 3).data(), 24, 16, arithmetic));
  JpegOptions restarts;
  restarts.restartInterval = 1;
  ok &= Write(jpeg + "restart.jpg", EncodeJpegGrey(Picture(24, 8, 1).data(), 24, 8, restarts));
  for (CmykForm form : {CmykAdobe, CmykYcck, CmykPlain}) {
    JpegOptions cmyk;
    cmyk.cmyk = form;
    ok &= Write(jpeg + "cmyk" + std::to_string(form) + ".jpg",
                EncodeJpegCmyk(Picture(9, 9, 4).data(), 9, 9, cmyk));
  }
  // The tricky ones: sizes past GL and the pixel budget, scans past the limit.
  std::vector<uint8_t> small = EncodeJpegRgb(Picture(8, 8, 3).data(), 8, 8);
  ok &= Write(jpeg + "wide.jpg", WithClaimedSize(small, 16385, 8));
  ok &= Write(jpeg + "huge.jpg", WithClaimedSize(small, 16384, 16384));
  JpegOptions spectral;
  spectral.scans = JpegSpectral;
  ok &= Write(jpeg + "scans.jpg",
              WithRepeatedLastScan(EncodeJpegGrey(Picture(16, 8, 1).data(), 16, 8, spectral), 120));
  return ok ? 0 : 1;
}
