#include "show_files.h"

#include "assets/textures.h"

#include <fstream>
#include <iterator>

const std::string& GeneratedShowDir() {
  // The build writes the show's data there before it builds this test.
  static const std::string directory = NIVORA_SHOW_DIR;
  return directory;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool DecodePicture(const std::string& path, DecodedPicture& picture) {
  int width = 0, height = 0;
  unsigned char* pixels = nullptr;
  if (!DecodeJpegFile(path.c_str(), width, height, pixels) || pixels == nullptr) return false;
  picture.width = width;
  picture.height = height;
  picture.rgb.resize(size_t(width) * height * 3);
  // The loader hands out blue-green-red; the measurements read red-green-blue.
  for (size_t i = 0; i < picture.rgb.size(); i += 3) {
    picture.rgb[i] = pixels[i + 2];
    picture.rgb[i + 1] = pixels[i + 1];
    picture.rgb[i + 2] = pixels[i];
  }
  delete[] pixels;
  return true;
}

JpegFrame ReadJpegFrame(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  JpegFrame frame;
  // The start-of-frame segment (0xFFC0..0xFFC2): the component count at offset
  // 9, then three bytes per component: id, sampling factors, table.
  for (size_t i = 2; i + 11 < bytes.size();) {
    if (bytes[i] != 0xFF) break;
    uint8_t marker = bytes[i + 1];
    size_t length = size_t(bytes[i + 2]) << 8 | bytes[i + 3];
    if (marker >= 0xC0 && marker <= 0xC2) {
      frame.channels = bytes[i + 9];
      frame.lumaSampling = bytes[i + 11];
      break;
    }
    i += 2 + length;
  }
  return frame;
}
