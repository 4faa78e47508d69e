// Sheets: 32x32 free-form points drawn near the overlay plane as 31x31 additive
// quads; the swirl builder and the swirl effects with their sync kicks.
#pragma once

#include <GL/gl.h>

struct SheetPoint {
  float x = 0, y = 0, z = 0;
};

struct Sheet {
  SheetPoint points[32 * 32];  // row n, column m is n * 32 + m
};

// Kick state of the swirls, kept for the whole run.
extern int swirlKickTime;  // 0 at start
extern int swirlKickSign;  // +1 at start
extern int pairKickTime;
extern int pairKickSign;

void BuildSwirlSheet(float scale, float T, float twist, Sheet& sheet);
void DrawSheetAdd(float brightness, const Sheet& sheet, GLuint texture);
void DrawSwirl(float fade, float T, int slot);
void DrawSwirlPair(float fade, float T, int slotA, int slotB);
