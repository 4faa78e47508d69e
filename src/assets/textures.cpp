#include "assets/textures.h"

#include <cassert>
#include <cstddef>
#include <cstdio>
#include <string>

namespace {

void ReportPictureFailure(const char* fileName, const std::string& cause) {
  std::fprintf(stderr, "cannot load picture: %s: %s\n", fileName, cause.c_str());
}

const char* GlErrorName(GLenum error) {
  switch (error) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    default: return "an unknown GL error";
  }
}

// Decoded rows (top first, blue-green-red) to GL's order in place: bottom row
// first, so the picture's top lands at t = 1, and red-green-blue. In place, so
// a load holds one copy of the picture, not two.
void FlipToGlRows(unsigned char* pixels, int width, int height) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int i = 0, j = height - 1; i <= j; ++i, --j) {
    unsigned char* top = pixels + rowBytes * static_cast<std::size_t>(i);
    unsigned char* bottom = pixels + rowBytes * static_cast<std::size_t>(j);
    for (std::size_t x = 0; x < rowBytes; x += 3) {
      const unsigned char b = top[x], g = top[x + 1], r = top[x + 2];
      top[x] = bottom[x + 2];
      top[x + 1] = bottom[x + 1];
      top[x + 2] = bottom[x];
      bottom[x] = r;
      bottom[x + 1] = g;
      bottom[x + 2] = b;
    }
  }
}

}  // namespace

void LoadAllTextures() {
  for (const TextureLoad& load : textureLoads) LoadTexture(load.fileName, load.slot);
}

void LoadTexture(const char* fileName, int slot) {
  assert(slot > 0 && slot < textureTableSize);  // slot 0 stays empty: it draws untextured
  int width = 0;
  int height = 0;
  unsigned char* pixels = nullptr;
  std::string cause;
  if (!DecodeJpegFile(fileName, width, height, pixels, &cause)) {
    ReportPictureFailure(fileName, cause);
    return;
  }
  FlipToGlRows(pixels, width, height);

  // Errors left by earlier calls would be taken for the upload's; GL keeps
  // one flag per kind, so a few reads clear them all.
  for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  // Rows are packed tightly (width * 3 bytes); GL's default alignment of 4
  // would read every row of a picture whose width is not a multiple of 4
  // skewed. The default is restored for everyone else.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  const GLenum error = glGetError();
  delete[] pixels;
  if (error != GL_NO_ERROR) {
    // A texture without an image would draw as blank as no texture at all,
    // and hold its name: the slot keeps what it had.
    glDeleteTextures(1, &name);
    ReportPictureFailure(fileName, std::string("the GL refused the upload (") +
                                       GlErrorName(error) + ")");
    return;
  }
  // No mipmaps (linear minification needs none); the wrap modes stay GL_REPEAT,
  // which the tiled layers rely on. The new texture stays bound.
  TextureTable[slot] = name;
  texturePixels[slot] = static_cast<long long>(width) * height;
}

long long TexturePixelsHeld() {
  long long held = 0;
  for (long long pixels : texturePixels) held += pixels;
  return held;
}

void DeleteTexture(int slot) {
  assert(slot >= 0 && slot < textureTableSize);
  glDeleteTextures(1, &TextureTable[slot]);  // the slot keeps the old name
  texturePixels[slot] = 0;
}
