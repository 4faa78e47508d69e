#include "datagen/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const char* const fontFiles[FontFaceCount] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
};

FT_Library library = nullptr;
FT_Face faces[FontFaceCount] = {};

std::vector<uint32_t> DecodeUtf8(const std::string& text) {
  std::vector<uint32_t> codes;
  for (size_t i = 0; i < text.size();) {
    unsigned char b = text[i];
    int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    uint32_t code = extra == 0 ? b : b & (0x3F >> extra);
    for (int j = 1; j <= extra && i + j < text.size(); ++j) code = (code << 6) | (text[i + j] & 0x3F);
    codes.push_back(code);
    i += extra + 1;
  }
  return codes;
}

// Sizes the face and sets the horizontal pre-scale with a sub-pixel pen offset.
FT_Face PrepareFace(const TextStyle& style, double penX) {
  FT_Face face = faces[style.face];
  FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(style.emPixels * 64)), 72, 72);
  FT_Matrix matrix = {FT_Fixed(std::lround(style.xScale * 65536)), 0, 0, 0x10000};
  FT_Vector delta = {FT_Pos(std::lround((penX - std::floor(penX)) * 64)), 0};
  FT_Set_Transform(face, &matrix, &delta);
  return face;
}

}  // namespace

bool OpenFonts() {
  if (library) return true;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "nivora-datagen: cannot start FreeType\n");
    return false;
  }
  for (int i = 0; i < FontFaceCount; ++i) {
    if (FT_New_Face(library, fontFiles[i], 0, &faces[i]) != 0) {
      std::fprintf(stderr, "nivora-datagen: cannot open font %s (install fonts-dejavu-core)\n",
                   fontFiles[i]);
      CloseFonts();
      return false;
    }
  }
  return true;
}

void CloseFonts() {
  for (FT_Face& face : faces) {
    if (face) FT_Done_Face(face);
    face = nullptr;
  }
  if (library) FT_Done_FreeType(library);
  library = nullptr;
}

double MeasureText(const TextStyle& style, const std::string& utf8) {
  std::vector<uint32_t> codes = DecodeUtf8(utf8);
  double width = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    FT_Face face = PrepareFace(style, 0);
    if (FT_Load_Char(face, codes[i], FT_LOAD_NO_HINTING) != 0) continue;
    width += face->glyph->advance.x / 64.0;
    if (i + 1 < codes.size()) width += style.letterSpacing * style.emPixels * style.xScale;
  }
  return width;
}

double CapHeight(const TextStyle& style) {
  FT_Face face = PrepareFace(style, 0);
  if (FT_Load_Char(face, 'H', FT_LOAD_NO_HINTING) != 0) return 0.7 * style.emPixels;
  return face->glyph->metrics.horiBearingY / 64.0;
}

double FitEm(TextStyle style, const std::string& utf8, double width, double maxEm) {
  style.emPixels = maxEm;
  double measured = MeasureText(style, utf8);
  if (measured <= width) return maxEm;
  // Advance widths scale linearly with the em up to rounding: refine twice.
  double em = maxEm * width / measured;
  for (int i = 0; i < 2; ++i) {
    style.emPixels = em;
    em *= width / MeasureText(style, utf8);
  }
  return em * 0.999;
}

void DrawText(Canvas& c, const TextStyle& style, const std::string& utf8, double left,
              double baseline, const InkAt& ink) {
  double pen = left;
  int baseRow = int(std::lround(baseline));
  for (uint32_t code : DecodeUtf8(utf8)) {
    FT_Face face = PrepareFace(style, pen);
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) continue;
    FT_GlyphSlot glyph = face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    int originCol = int(std::floor(pen)) + glyph->bitmap_left;
    int originRow = baseRow - glyph->bitmap_top;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
      int row = originRow + int(y);
      if (row < 0 || row >= c.height) continue;
      for (unsigned x = 0; x < bitmap.width; ++x) {
        int col = originCol + int(x);
        if (col < 0 || col >= c.width) continue;
        float coverage = bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
        if (coverage <= 0) continue;
        Rgb& pixel = At(c, col, row);
        pixel = Mix(pixel, ink(col + 0.5, row + 0.5), coverage);
      }
    }
    pen += glyph->advance.x / 64.0 + style.letterSpacing * style.emPixels * style.xScale;
  }
}

void DrawTextCentred(Canvas& c, const TextStyle& style, const std::string& utf8, double centre,
                     double baseline, const InkAt& ink) {
  DrawText(c, style, utf8, centre - 0.5 * MeasureText(style, utf8), baseline, ink);
}

InkAt SolidInk(Rgb colour) {
  return [colour](double, double) { return colour; };
}
