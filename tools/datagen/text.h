// Anti-aliased text set with FreeType onto a canvas. Glyphs are pre-scaled
// horizontally by the canvas's k, so they look true once the picture is shown
// at its on-screen aspect.
#pragma once

#include <functional>
#include <string>

#include "datagen/canvas.h"

// The faces of fonts-dejavu-core.
enum FontFace { FontSerif, FontSerifBold, FontSans, FontSansBold, FontFaceCount };

struct TextStyle {
  FontFace face = FontSans;
  double emPixels = 20;     // em size in texels (vertically)
  double xScale = 1;        // horizontal pre-scale (the canvas's k)
  double letterSpacing = 0; // extra advance after each glyph, in ems
};

// Loads the fonts once; false with a message on standard error if one is missing.
bool OpenFonts();
void CloseFonts();

// Advance width in texels of the whole line (without the spacing after the last glyph).
double MeasureText(const TextStyle& style, const std::string& utf8);
// Cap height of the face in texels at this size (the height of "H").
double CapHeight(const TextStyle& style);
// Largest em size (≤ maxEm) at which the line fits `width` texels.
double FitEm(TextStyle style, const std::string& utf8, double width, double maxEm);

// Colour of the ink at a texel (col, row): lets text carry gradients.
using InkAt = std::function<Rgb(double col, double row)>;
// Sets the line with its pen starting at `left` and its baseline on `baseline`
// (texels). Each pixel becomes mix(pixel, ink, coverage).
void DrawText(Canvas& c, const TextStyle& style, const std::string& utf8, double left,
              double baseline, const InkAt& ink);
// The same, centred on column `centre`.
void DrawTextCentred(Canvas& c, const TextStyle& style, const std::string& utf8, double centre,
                     double baseline, const InkAt& ink);
InkAt SolidInk(Rgb colour);
