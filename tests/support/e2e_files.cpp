#include "e2e_files.h"

#include <png.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

Image ReadPng(const std::string& path) {
  Image image;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
  png.format = PNG_FORMAT_RGB;
  image.rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) return Image{};
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  return image;
}
