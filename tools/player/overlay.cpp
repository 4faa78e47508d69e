#include "player/overlay.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

// A 3x5 pixel font, one row per entry from the top, bit 2 the left column.
struct Glyph {
  char c;
  unsigned char rows[5];
};

constexpr Glyph kFont[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}},
    {'3', {7, 1, 3, 1, 7}}, {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}},
    {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}}, {'8', {7, 5, 7, 5, 7}},
    {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {'-', {0, 0, 7, 0, 0}},
    {'a', {0, 6, 3, 5, 7}}, {'c', {0, 7, 4, 4, 7}}, {'d', {1, 7, 5, 5, 7}},
    {'e', {0, 7, 7, 4, 7}}, {'f', {3, 4, 6, 4, 4}}, {'i', {2, 0, 2, 2, 2}},
    {'k', {4, 5, 6, 5, 5}}, {'m', {0, 7, 7, 5, 5}}, {'o', {0, 7, 5, 5, 7}},
    {'p', {0, 7, 5, 7, 4}}, {'r', {0, 7, 4, 4, 4}}, {'s', {0, 3, 2, 1, 6}},
    {'t', {2, 7, 2, 2, 3}}, {'u', {0, 5, 5, 5, 7}}, {'w', {0, 5, 5, 7, 7}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;
}

struct OverlayGl {
  void (*PushAttrib)(GLbitfield) = nullptr;
  void (*PopAttrib)() = nullptr;
  void (*MatrixMode)(GLenum) = nullptr;
  void (*PushMatrix)() = nullptr;
  void (*PopMatrix)() = nullptr;
  void (*LoadIdentity)() = nullptr;
  void (*Ortho)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) = nullptr;
  void (*Viewport)(GLint, GLint, GLsizei, GLsizei) = nullptr;
  void (*Disable)(GLenum) = nullptr;
  void (*Enable)(GLenum) = nullptr;
  void (*BlendFunc)(GLenum, GLenum) = nullptr;
  void (*Color4f)(GLfloat, GLfloat, GLfloat, GLfloat) = nullptr;
  void (*Begin)(GLenum) = nullptr;
  void (*End)() = nullptr;
  void (*Vertex2i)(GLint, GLint) = nullptr;
};

OverlayGl gl;
bool glLoaded = false;

template <typename F>
bool Resolve(void* (*resolve)(const char*), const char* name, F& f) {
  f = reinterpret_cast<F>(resolve(name));
  return f != nullptr;
}

void Box(int x1, int y1, int x2, int y2) {
  gl.Vertex2i(x1, y1);
  gl.Vertex2i(x2, y1);
  gl.Vertex2i(x2, y2);
  gl.Vertex2i(x1, y2);
}

}  // namespace

size_t FormatOverlay(const OverlayFigures& f, char* text, size_t size) {
  int n = std::snprintf(text, size, "order %d row %d tick %d  %.1f fps %.1f ms%s", f.order, f.row,
                        f.tick, f.fps, f.frameMs, f.paused ? "  paused" : "");
  if (n < 0) return 0;
  return static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1;
}

bool OverlayHasGlyph(char c) { return c == ' ' || FindGlyph(c) != nullptr; }

bool LoadOverlayGl(void* (*resolve)(const char* name)) {
  glLoaded = Resolve(resolve, "glPushAttrib", gl.PushAttrib) &&
             Resolve(resolve, "glPopAttrib", gl.PopAttrib) &&
             Resolve(resolve, "glMatrixMode", gl.MatrixMode) &&
             Resolve(resolve, "glPushMatrix", gl.PushMatrix) &&
             Resolve(resolve, "glPopMatrix", gl.PopMatrix) &&
             Resolve(resolve, "glLoadIdentity", gl.LoadIdentity) &&
             Resolve(resolve, "glOrtho", gl.Ortho) && Resolve(resolve, "glViewport", gl.Viewport) &&
             Resolve(resolve, "glDisable", gl.Disable) && Resolve(resolve, "glEnable", gl.Enable) &&
             Resolve(resolve, "glBlendFunc", gl.BlendFunc) &&
             Resolve(resolve, "glColor4f", gl.Color4f) && Resolve(resolve, "glBegin", gl.Begin) &&
             Resolve(resolve, "glEnd", gl.End) && Resolve(resolve, "glVertex2i", gl.Vertex2i);
  return glLoaded;
}

void DrawOverlay(const char* text, int drawableWidth, int drawableHeight, int x, int y, int scale) {
  if (!glLoaded || drawableWidth <= 0 || drawableHeight <= 0) return;
  // Everything changed here comes back with the pops: enables, blending,
  // colour, viewport, matrix mode and both matrices.
  gl.PushAttrib(GL_ALL_ATTRIB_BITS);
  gl.MatrixMode(GL_PROJECTION);
  gl.PushMatrix();
  gl.LoadIdentity();
  // Pixels from the top left of the drawable.
  gl.Ortho(0, drawableWidth, drawableHeight, 0, -1, 1);
  gl.MatrixMode(GL_MODELVIEW);
  gl.PushMatrix();
  gl.LoadIdentity();
  gl.Viewport(0, 0, drawableWidth, drawableHeight);
  gl.Disable(GL_TEXTURE_2D);
  gl.Disable(GL_DEPTH_TEST);
  gl.Disable(GL_LIGHTING);
  gl.Disable(GL_CULL_FACE);
  gl.Enable(GL_BLEND);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  int length = static_cast<int>(std::strlen(text));
  int advance = 4 * scale;  // three columns and a gap
  gl.Begin(GL_QUADS);
  gl.Color4f(0, 0, 0, 0.6f);
  Box(x, y, x + length * advance + 2 * scale, y + 7 * scale);
  gl.Color4f(1, 1, 0.85f, 1);
  for (int i = 0; i < length; i++) {
    const Glyph* g = FindGlyph(text[i]);
    if (!g) continue;
    int left = x + scale + i * advance;
    for (int row = 0; row < 5; row++)
      for (int column = 0; column < 3; column++)
        if (g->rows[row] & (4 >> column)) {
          int px = left + column * scale, py = y + scale + row * scale;
          Box(px, py, px + scale, py + scale);
        }
  }
  gl.End();

  gl.PopMatrix();
  gl.MatrixMode(GL_PROJECTION);
  gl.PopMatrix();
  gl.PopAttrib();
}
