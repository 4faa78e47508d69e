// One generated show directory shared by the data tests, and readers for what
// lies in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The show directory the build generated the pictures and objects into.
const std::string& GeneratedShowDir();
std::vector<uint8_t> ReadBytes(const std::string& path);

struct DecodedPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first
};
// Decodes through the show's own loader.
bool DecodePicture(const std::string& path, DecodedPicture& picture);
// What the file's frame header declares (zeros if there is none).
struct JpegFrame {
  int channels = 0;
  int lumaSampling = 0;  // 0x11: no chroma subsampling; 0x22: 4:2:0
};
JpegFrame ReadJpegFrame(const std::string& path);
