#include "datagen/icons.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

std::vector<uint8_t> MakeIcon(const Canvas& picture, int size) {
  std::vector<uint8_t> rgba(size_t(size) * size * 4, 0);
  // A 3-texel line averaged into a box of `shrink` texels keeps 3 / shrink of
  // its brightness; the square root of the shrink gives half of that back
  // without turning the soft glow into a flat fill.
  double shrink = double(picture.width) / size;
  double gain = std::max(1.0, std::sqrt(shrink));
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      int x0 = col * picture.width / size, x1 = std::max(x0 + 1, (col + 1) * picture.width / size);
      int y0 = row * picture.height / size, y1 = std::max(y0 + 1, (row + 1) * picture.height / size);
      Rgb sum;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum = sum + picture.pixels[size_t(y) * picture.width + x];
      Rgb mean = sum * float(gain / ((x1 - x0) * (y1 - y0)));
      // The wheel's outer ring sits at radius 0.43 of the side; the disc ends
      // just outside it, fading over one icon pixel.
      double dx = (col + 0.5) / size - 0.5, dy = (row + 0.5) / size - 0.5;
      double edge = (0.47 - std::sqrt(dx * dx + dy * dy)) * size;
      double alpha = std::clamp(edge + 0.5, 0.0, 1.0);
      uint8_t* p = &rgba[(size_t(row) * size + col) * 4];
      const float channels[3] = {mean.r, mean.g, mean.b};
      for (int i = 0; i < 3; ++i)
        p[i] = uint8_t(std::lround(std::clamp(double(channels[i]), 0.0, 1.0) * 255));
      p[3] = uint8_t(std::lround(alpha * 255));
    }
  }
  return rgba;
}

bool WriteIcons(const std::string& directory, const Canvas& picture) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  for (int size : iconSizes) {
    std::vector<uint8_t> rgba = MakeIcon(picture, size);
    std::string path = directory + "/nivora-dusk-" + std::to_string(size) + ".png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = size;
    image.height = size;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
      std::fprintf(stderr, "nivora-datagen: cannot write %s: %s\n", path.c_str(), image.message);
      return false;
    }
  }
  return true;
}
