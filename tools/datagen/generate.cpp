#include "datagen/generate.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "datagen/objects.h"
#include "datagen/pictures.h"
#include "datagen/text.h"
#include "writers/jpeg_writer.h"
#include "writers/ob3_writer.h"

PictureStats MeasurePicture(const uint8_t* rgb, int width, int height) {
  PictureStats stats;
  size_t count = size_t(width) * height;
  double sum = 0;
  size_t dark = 0, light = 0, bright = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = rgb + i * 3;
    int low = std::min({p[0], p[1], p[2]}), high = std::max({p[0], p[1], p[2]});
    int total = p[0] + p[1] + p[2];
    sum += total;
    dark += high < 8;
    light += low > 245;
    bright += total > 3 * 127.5;
  }
  if (count == 0) return stats;
  stats.mean = sum / (3.0 * 255 * count);
  stats.darkShare = double(dark) / count;
  stats.lightShare = double(light) / count;
  stats.brightShare = double(bright) / count;
  return stats;
}

bool GenerateShowData(const std::string& directory, std::vector<Canvas>* painted) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (const char* sub : {"gfx", "data"}) {
    fs::create_directories(fs::path(directory) / sub, error);
    if (error) {
      std::fprintf(stderr, "nivora-datagen: cannot create %s/%s: %s\n", directory.c_str(), sub,
                   error.message().c_str());
      return false;
    }
  }
  if (!OpenFonts()) return false;
  bool ok = true;
  for (const PictureEntry& entry : showPictures) {
    Canvas canvas = PaintPicture(entry);
    std::vector<uint8_t> bytes = CanvasBytes(canvas);
    JpegOptions options;
    options.quality = 94;
    options.chroma444 = entry.lineArt;
    std::string path = directory + "/" + entry.path;
    if (!WriteFileBytes(path, EncodeJpegRgb(bytes.data(), entry.width, entry.height, options))) {
      std::fprintf(stderr, "nivora-datagen: cannot write %s\n", path.c_str());
      ok = false;
    }
    if (painted) painted->push_back(std::move(canvas));
  }
  CloseFonts();
  for (const ObjectEntry& entry : showObjects) {
    std::string path = directory + "/" + entry.path;
    if (!WriteOb3File(path, entry.build())) {
      std::fprintf(stderr, "nivora-datagen: cannot write %s\n", path.c_str());
      ok = false;
    }
  }
  return ok;
}

namespace {

// Box-filtered thumbnail of a canvas into a sheet, fitted into size x size.
void PlaceThumbnail(Canvas& sheet, const Canvas& picture, int left, int top, int size) {
  double scale = double(size) / std::max(picture.width, picture.height);
  int w = std::max(1, int(picture.width * scale)), h = std::max(1, int(picture.height * scale));
  left += (size - w) / 2;
  top += (size - h) / 2;
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      int x0 = col * picture.width / w, x1 = std::max(x0 + 1, (col + 1) * picture.width / w);
      int y0 = row * picture.height / h, y1 = std::max(y0 + 1, (row + 1) * picture.height / h);
      Rgb sum;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum = sum + picture.pixels[size_t(y) * picture.width + x];
      At(sheet, left + col, top + row) = sum * (1.0f / ((x1 - x0) * (y1 - y0)));
    }
  }
}

}  // namespace

bool WriteContactSheet(const std::string& path, const std::vector<Canvas>& pictures) {
  constexpr int columns = 6, thumb = 200, pad = 8, label = 20;
  int rows = (int(pictures.size()) + columns - 1) / columns;
  int cellW = thumb + 2 * pad, cellH = thumb + 2 * pad + label;
  Canvas sheet = MakeCanvas(columns * cellW, rows * cellH, 1, false, Palette(58, 58, 64));
  if (!OpenFonts()) return false;
  TextStyle style{FontSans, 13, 1, 0};
  for (size_t i = 0; i < pictures.size() && i < size_t(showPictureCount); ++i) {
    int left = int(i % columns) * cellW + pad, top = int(i / columns) * cellH + pad;
    PlaceThumbnail(sheet, pictures[i], left, top, thumb);
    char text[96];
    const PictureEntry& entry = showPictures[i];
    std::snprintf(text, sizeof text, "%s  %dx%d", entry.path, entry.width, entry.height);
    DrawTextCentred(sheet, style, text, left + thumb / 2.0, top + thumb + label - 4, SolidInk(White * 0.9f));
  }
  CloseFonts();
  return WritePng(path, sheet);
}

bool WritePng(const std::string& path, const Canvas& canvas) {
  std::vector<uint8_t> bytes = CanvasBytes(canvas);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = canvas.width;
  image.height = canvas.height;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) {
    std::fprintf(stderr, "nivora-datagen: cannot write %s: %s\n", path.c_str(), image.message);
    return false;
  }
  return true;
}
