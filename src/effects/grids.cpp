#include "effects/grids.h"

WarpGrid gridA, gridB, gridC, gridD;

void BlendGrids(float t, const WarpGrid& p, const WarpGrid& q, WarpGrid& out) {
  // Coordinates extrapolate with t as given (callers pass -2 to 4); the brightness
  // weights are clamped, so it never goes negative or past either input's.
  double tc = t < 0 ? 0.0 : t > 1 ? 1.0 : t;
  double uc = 1.0 - t;
  uc = uc < 0 ? 0.0 : uc > 1 ? 1.0 : uc;
  for (int k = 0; k < 64 * 64; ++k) {
    // out may be p or q: read the whole element before writing any of it.
    GridVertex a = p.points[k];
    GridVertex b = q.points[k];
    GridVertex& o = out.points[k];
    o.u = static_cast<float>(t * static_cast<double>(a.u) + (1.0 - t) * b.u);
    o.v = static_cast<float>(t * static_cast<double>(a.v) + (1.0 - t) * b.v);
    o.depth = static_cast<float>(t * static_cast<double>(a.depth) + (1.0 - t) * b.depth);
    o.brightness = static_cast<float>(tc * a.brightness + uc * b.brightness);
  }
}

namespace {

// One corner: grey level, texture coordinate, and the point's place at distance
// 1000 (where the projection shows +-30.99 units), 5 units further per unit of depth.
inline void EmitCorner(double brightness, const WarpGrid& grid, int r, int c) {
  const GridVertex& p = grid.points[r * 64 + c];
  float g = static_cast<float>(brightness * p.brightness);
  glColor3f(g, g, g);
  glTexCoord2f(p.u, p.v);
  glVertex3f(static_cast<float>(c - 32), static_cast<float>(r - 32),
             static_cast<float>(-1000.0 - 5.0 * p.depth));
}

// 63x63 quads, columns outer and rows inner, each counter-clockwise on screen.
void EmitGridQuads(float brightness, const WarpGrid& grid) {
  glBegin(GL_QUADS);
  for (int c = 0; c < 63; ++c) {
    for (int r = 0; r < 63; ++r) {
      EmitCorner(brightness, grid, r, c);
      EmitCorner(brightness, grid, r, c + 1);
      EmitCorner(brightness, grid, r + 1, c + 1);
      EmitCorner(brightness, grid, r + 1, c);
    }
  }
  glEnd();
}

}  // namespace

void DrawGridSolid(float brightness, const WarpGrid& grid, GLuint texture) {
  // No early exit: at brightness 0 or below the mesh is black and still writes depth.
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  EmitGridQuads(brightness, grid);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
}

void DrawGridAdd(float brightness, const WarpGrid& grid, GLuint texture) {
  if (!(brightness > 0)) return;
  // Alpha is always 1 (grey colours, RGB textures), so this pair adds the layer.
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
  EmitGridQuads(brightness, grid);
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
}
