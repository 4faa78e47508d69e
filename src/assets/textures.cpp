// Placeholder until the JPEG loader lands.
#include "assets/textures.h"

void LoadAllTextures() {}
void LoadTexture(const char*, int) {}
bool DecodeJpegFile(const char*, int& width, int& height, unsigned char*& pixels) {
  width = height = 0;
  pixels = nullptr;
  return false;
}
void DeleteTexture(int slot) { glDeleteTextures(1, &TextureTable[slot]); }
