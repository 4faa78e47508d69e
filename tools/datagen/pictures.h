// The show's thirty pictures: where each goes, its size, pre-scale and how it
// is painted.
#pragma once

#include "datagen/canvas.h"

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
