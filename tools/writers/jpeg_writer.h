// Encodes pictures as JPEG with libjpeg-turbo: three-channel RGB, greyscale or
// four-channel CMYK, any size, chosen quality, chroma subsampling and scans.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How four-channel files store their inks.
enum CmykForm {
  CmykAdobe,  // Adobe marker, bytes as given (Adobe's readers take them as inverted)
  CmykYcck,   // Adobe marker, the inks recoded as YCCK
  CmykPlain,  // no Adobe marker, bytes as given
};

enum JpegScans {
  JpegSequential,  // one scan with every component
  JpegProgressive, // libjpeg's standard progression
  // Per component a DC scan, then one AC scan of coefficients 1..63 without
  // successive approximation, the last scan of the file being luminance's.
  JpegSpectral,
};

struct JpegOptions {
  int quality = 95;
  bool chroma444 = true;  // no chroma subsampling (line art, text)
  JpegScans scans = JpegSequential;
  bool arithmetic = false;   // arithmetic instead of Huffman coding
  int restartInterval = 0;   // MCUs between restart markers, 0 for none
  CmykForm cmyk = CmykAdobe;
};

// rgb: width * height * 3 bytes, top row first, red-green-blue.
std::vector<uint8_t> EncodeJpegRgb(const uint8_t* rgb, int width, int height,
                                   const JpegOptions& options = {});
// cmyk: width * height * 4 bytes, top row first, stored as given.
std::vector<uint8_t> EncodeJpegCmyk(const uint8_t* cmyk, int width, int height,
                                    const JpegOptions& options = {});
// grey: width * height bytes, top row first.
std::vector<uint8_t> EncodeJpegGrey(const uint8_t* grey, int width, int height,
                                    const JpegOptions& options = {});
// Pictures too large to hold whole: `rows(y)` hands out row y (width *
// channels bytes, 1 grey, 3 RGB, 4 CMYK), valid until the next call.
using JpegRowSource = std::function<const uint8_t*(int y)>;
std::vector<uint8_t> EncodeJpegRows(const JpegRowSource& rows, int width, int height,
                                    int channels, const JpegOptions& options = {});
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
