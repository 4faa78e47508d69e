// JPEG pictures decoded once at start-up into GL textures, and the 256-slot
// TextureTable that every layer reads. Slot 0 is never filled and draws untextured.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <string>

enum TextureSlot : int {
  SlotUntextured = 0,  // never filled: its name 0 draws untextured
  SlotTex1 = 1,
  SlotTex2 = 2,
  SlotTex6 = 3,
  SlotNoice1 = 4,
  SlotTex3 = 5,
  SlotAkanpaa1 = 6,
  SlotAkanpaa2 = 7,
  SlotEnvi = 8,
  SlotPic03 = 9,
  SlotPic08 = 11,
  SlotTex4 = 17,
  SlotTex5 = 18,
  SlotPic09 = 19,
  SlotPic02 = 21,
  SlotPic01 = 22,
  SlotPic04 = 23,
  SlotText1 = 27,
  SlotHomo = 30,
  SlotRatass = 32,
  SlotPic07 = 33,
  SlotNoice2 = 34,
  SlotAddnoice = 35,
  SlotPic06 = 36,
  SlotPic05 = 38,
  SlotPic02b = 39,
  SlotCreds1 = 41,
  SlotText2 = 44,
  SlotDNy = 45,
  SlotDFlect = 46,
  SlotDStroy = 47,
  SlotShit = 48,
  SlotLoading = 98,
};

struct TextureLoad {
  int slot;
  const char* fileName;
};

constexpr int textureTableSize = 256;  // slots 0-255

extern GLuint TextureTable[textureTableSize];
extern const TextureLoad textureLoads[31];  // the load table, in load order
extern int maxTextureSize;                  // GL_MAX_TEXTURE_SIZE, queried with the initial GL state

// 4096 x 4096: eight times the show's largest picture, and 48 MB decoded.
constexpr long long picturePixelLimit = 16777216;
// All textures held at once: five times the show's own 6.3 Mpx, and what keeps
// the start-up's memory bounded whatever the pictures (128 MB as the GL's
// four-byte texels).
constexpr long long texturePixelTotal = 33554432;
extern long long texturePixels[256];  // each slot's texture size in pixels, 0 once deleted
long long TexturePixelsHeld();        // the sum of texturePixels

void LoadAllTextures();
// Failure: "cannot load picture: <path>: <cause>" on standard error, the slot
// and GL as they were (but for a refused upload's texture name, freed again).
void LoadTexture(const char* fileName, int slot);
// 8-bit blue-green-red pixels, top row first; the caller frees them with
// delete[]. Only regular files are read. On failure `cause` (when given) says
// why: "not a JPEG", "truncated", "16385x8 exceeds this GL's 16384", ... A
// picture that would take TexturePixelsHeld() past texturePixelTotal is refused.
bool DecodeJpegFile(const char* fileName, int& width, int& height, unsigned char*& pixels,
                    std::string* cause = nullptr);
void DeleteTexture(int slot);  // the slot keeps its old value

// The GL name in a slot of `table`; a slot outside the table (or no table)
// reads as 0, untextured, instead of past the array.
inline GLuint SlotTexture(int slot, const GLuint* table = TextureTable) {
  return table != nullptr && slot >= 0 && slot < textureTableSize ? table[slot] : 0;
}
