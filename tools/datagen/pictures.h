// The show's thirty pictures: where each goes, its size, pre-scale and how it
// is painted.
#pragma once

#include "datagen/canvas.h"
#include "datagen/text.h"

enum class Blend { Additive, Multiplied, Solid, Lit };

struct PictureEntry {
  const char* path;  // relative to the show directory
  int width, height;
  float k;           // horizontal pre-scale: (W/H) / on-screen aspect
  bool tiled;        // must continue seamlessly across its edges
  bool lineArt;      // thin lines or text: encoded without chroma subsampling
  Blend blend;
  void (*paint)(Canvas& c);
};

constexpr int showPictureCount = 30;
extern const PictureEntry showPictures[showPictureCount];

Canvas PaintPicture(const PictureEntry& entry);

// The credits' lines; baseline as a fraction of the picture's height.
struct CreditLine {
  const char* text;
  FontFace face;
  double em, baseline;
};
constexpr int creditLineCount = 9;
extern const CreditLine creditLines[creditLineCount];
// Where credits line i lies on tex1 (s from the left, t from the top) as the
// right-hand panel of order 11 shows it under the sliding credits at the
// reading moment; the panel's light there is the ground of the dark type.
struct PanelSpan {
  double left, right, top, bottom;
};
PanelSpan CreditLineOnPanel(int i);

// Tiled fields and grain.
void PaintAmberFilaments(Canvas& c);   // tex1
void PaintRoseLattice(Canvas& c);      // tex2
void PaintVioletPlasma(Canvas& c);     // tex5
void PaintTunnelRibs(Canvas& c);       // tex6
void PaintScales(Canvas& c);           // 07
void PaintCloudShadows(Canvas& c);     // noice1
void PaintMoonstoneGold(Canvas& c);    // akanpaa1
void PaintMoonstoneSilver(Canvas& c);  // akanpaa2
void PaintSpeckGrain(Canvas& c);       // homo
void PaintDustGrain(Canvas& c);        // noice2
void PaintSparkGrain(Canvas& c);       // addnoice
// Sprites and full-screen pictures.
void PaintTarget(Canvas& c);           // tex3
void PaintSunWheel(Canvas& c);         // tex4
void PaintSun(Canvas& c);              // 02
void PaintNightWindow(Canvas& c);      // 03
void PaintRidgePanorama(Canvas& c);    // 04
void PaintCloudShelf(Canvas& c);       // 05
void PaintFilamentFrame(Canvas& c);    // 06
void PaintNightDial(Canvas& c);        // 08
void PaintLineSunset(Canvas& c);       // 09
void PaintSkyBead(Canvas& c);          // envi
void PaintGear(Canvas& c);             // ratass
void PaintEveningSky(Canvas& c);       // d-flect
void PaintGreyGradient(Canvas& c);     // shit
// Text.
void PaintTitle(Canvas& c);            // 01
void PaintShadowStrip(Canvas& c);      // text1
void PaintPoem(Canvas& c);             // text2
void PaintCredits(Canvas& c);          // creds1
void PaintClosingFirst(Canvas& c);     // d-ny
void PaintClosingSecond(Canvas& c);    // d-stroy
