// Warp grids: 64x64 points with texture coordinates, a depth offset and a
// brightness, the four static grids every grid effect works in, the blend of two
// grids into a third, and the two ways to draw a grid as 63x63 screen quads.
#pragma once

#include <GL/gl.h>

struct GridVertex {
  float u = 0;           // texture s
  float v = 0;           // texture t
  float depth = 0;       // 5 units of distance per unit, away from the viewer
  float brightness = 0;  // multiplies the layer's brightness at this point
};

struct WarpGrid {
  GridVertex points[64 * 64];  // row r, column c is r * 64 + c
};

extern WarpGrid gridA, gridB, gridC, gridD;

void BlendGrids(float t, const WarpGrid& p, const WarpGrid& q, WarpGrid& out);
void DrawGridSolid(float brightness, const WarpGrid& grid, GLuint texture);
void DrawGridAdd(float brightness, const WarpGrid& grid, GLuint texture);
