// Encodes pictures as JPEG with libjpeg-turbo: three-channel RGB or greyscale,
// any size, chosen quality and chroma subsampling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct JpegOptions {
  int quality = 95;
  bool chroma444 = true;  // no chroma subsampling (line art, text)
};

// rgb: width * height * 3 bytes, top row first, red-green-blue.
std::vector<uint8_t> EncodeJpegRgb(const uint8_t* rgb, int width, int height,
                                   const JpegOptions& options = {});
// grey: width * height bytes, top row first.
std::vector<uint8_t> EncodeJpegGrey(const uint8_t* grey, int width, int height,
                                    const JpegOptions& options = {});
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
