#include "assets/textures.h"

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <new>

namespace {

void ReportPictureFailure(const char* fileName) {
  std::fprintf(stderr, "cannot load picture: %s\n", fileName);
}

}  // namespace

void LoadAllTextures() {
  for (const TextureLoad& load : textureLoads) LoadTexture(load.fileName, load.slot);
}

void LoadTexture(const char* fileName, int slot) {
  assert(slot > 0 && slot < textureTableSize);  // slot 0 stays empty: it draws untextured
  int width = 0;
  int height = 0;
  unsigned char* decoded = nullptr;
  if (!DecodeJpegFile(fileName, width, height, decoded)) {
    ReportPictureFailure(fileName);
    return;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  unsigned char* converted =
      new (std::nothrow) unsigned char[rowBytes * static_cast<size_t>(height)];
  if (converted == nullptr) {
    delete[] decoded;
    ReportPictureFailure(fileName);
    return;
  }
  // The picture's bottom row goes first, so its top lands at t = 1; blue-green-red
  // becomes red-green-blue.
  for (int i = 0; i < height; ++i) {
    const unsigned char* source = decoded + rowBytes * static_cast<size_t>(height - 1 - i);
    unsigned char* destination = converted + rowBytes * static_cast<size_t>(i);
    for (int j = 0; j < width; ++j) {
      destination[3 * j] = source[3 * j + 2];
      destination[3 * j + 1] = source[3 * j + 1];
      destination[3 * j + 2] = source[3 * j];
    }
  }

  glGenTextures(1, &TextureTable[slot]);
  glBindTexture(GL_TEXTURE_2D, TextureTable[slot]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  // Rows are packed tightly (width * 3 bytes); GL's default alignment of 4
  // would read every row of a picture whose width is not a multiple of 4
  // skewed. The default is restored for everyone else.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, converted);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  // No mipmaps (linear minification needs none); the wrap modes stay GL_REPEAT,
  // which the tiled layers rely on. The new texture stays bound.

  delete[] decoded;
  delete[] converted;
}

void DeleteTexture(int slot) {
  assert(slot >= 0 && slot < textureTableSize);
  glDeleteTextures(1, &TextureTable[slot]);  // the slot keeps the old name
}
