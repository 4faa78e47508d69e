#include "layers/primitives.h"

#include <GL/glu.h>

#include <cmath>

namespace {

// Every layer lies at this depth: under the 3.55-degree overlay projection the
// visible half-extent there is 32 * tan(1.775 deg) = 0.9917, so -1..1 overfills
// the viewport a little on every side.
constexpr GLfloat layerDepth = -32.0f;

// (frame + texel*b) and (frame * texel*b): the vertex alpha is always 1 and the
// textures carry none, so SRC_ALPHA is 1 and ONE_MINUS_SRC_ALPHA is 0.
enum BlendMode { BlendAdd, BlendMul };

// Steps shared by the eight textured primitives up to glBegin: no depth test,
// the picture bound, blending on in the mode's factor pair, the grey level set.
void BeginLayerQuad(BlendMode mode, float brightness, GLuint texture) {
  glDisable(GL_DEPTH_TEST);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_BLEND);
  if (mode == BlendAdd)
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
  else
    glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR);
  glColor3f(brightness, brightness, brightness);
  glBegin(GL_QUADS);
}

// Leaves blending off and depth writes and the depth test on; the texture stays
// bound and the colour stays (b, b, b).
void EndLayerQuad() {
  glEnd();
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
}

// Not "brightness <= 0": a NaN brightness must draw nothing as well.
bool IsVisible(float brightness) { return brightness > 0.0f; }

void DrawQuad(BlendMode mode, float x1, float y1, float x2, float y2, float brightness,
              GLuint texture) {
  if (!IsVisible(brightness)) return;
  BeginLayerQuad(mode, brightness, texture);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x1, y1, layerDepth);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x2, y1, layerDepth);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x2, y2, layerDepth);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x1, y2, layerDepth);
  EndLayerQuad();
}

void DrawScreenTex(BlendMode mode, float s1, float t1, float s2, float t2, float brightness,
                   GLuint texture) {
  if (!IsVisible(brightness)) return;
  BeginLayerQuad(mode, brightness, texture);
    glTexCoord2f(s1, t1);
    glVertex3f(-1.0f, -1.0f, layerDepth);
    glTexCoord2f(s2, t1);
    glVertex3f(1.0f, -1.0f, layerDepth);
    glTexCoord2f(s2, t2);
    glVertex3f(1.0f, 1.0f, layerDepth);
    glTexCoord2f(s1, t2);
    glVertex3f(-1.0f, 1.0f, layerDepth);
  EndLayerQuad();
}

void DrawSprite(BlendMode mode, float x, float y, float halfSize, float brightness,
                GLuint texture) {
  if (!IsVisible(brightness)) return;
  const double h = halfSize;
  const auto left = static_cast<float>(x - h);
  const auto right = static_cast<float>(x + h);
  const auto bottom = static_cast<float>(y - h);
  const auto top = static_cast<float>(y + h);
  BeginLayerQuad(mode, brightness, texture);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(left, bottom, layerDepth);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(right, bottom, layerDepth);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(right, top, layerDepth);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(left, top, layerDepth);
  EndLayerQuad();
}

// The corners sit at 5pi/4, 7pi/4, pi/4 and 3pi/4 (bottom-left, bottom-right,
// top-right, top-left at angle 0) on an ellipse of radii 1.414 and 1.6968
// (= 1.414 * 1.2): at angle 0 the corners land near (+-1.0, +-1.2) * size.
constexpr double cornerAngle[4] = {3.9269908175, 5.4977871445, 0.7853981635, 2.3561944905};
constexpr double cornerRadiusX = 1.414;
constexpr double cornerRadiusY = 1.6968;

void RotatedCorner(float x, float y, float angle, float size, int k) {
  const double turn = angle + cornerAngle[k];
  glVertex3f(static_cast<float>(x + size * cornerRadiusX * std::cos(turn)),
             static_cast<float>(y + size * cornerRadiusY * std::sin(turn)), layerDepth);
}

void DrawRotatedSprite(BlendMode mode, float x, float y, float angle, float size,
                       float brightness, GLuint texture) {
  if (!IsVisible(brightness)) return;
  BeginLayerQuad(mode, brightness, texture);
    glTexCoord2f(0.0f, 0.0f);
    RotatedCorner(x, y, angle, size, 0);
    glTexCoord2f(1.0f, 0.0f);
    RotatedCorner(x, y, angle, size, 1);
    glTexCoord2f(1.0f, 1.0f);
    RotatedCorner(x, y, angle, size, 2);
    glTexCoord2f(0.0f, 1.0f);
    RotatedCorner(x, y, angle, size, 3);
  EndLayerQuad();
}

}  // namespace

// Clears colour only (scenes that draw with depth clear it themselves) and sets
// the overlay projection. GL_PROJECTION is normally already selected, so the
// identity load resets the projection; right after a viewport resize it resets
// the (identity) modelview instead and the perspective lands on the 45-degree
// one for that single frame.
void BeginFrame(float red, float green, float blue) {
  glClearColor(red, green, blue, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  gluPerspective(3.55, 1.0, 0.1, 10000.0);
}

void DrawQuadAdd(float x1, float y1, float x2, float y2, float brightness, GLuint texture) {
  DrawQuad(BlendAdd, x1, y1, x2, y2, brightness, texture);
}

void DrawQuadMul(float x1, float y1, float x2, float y2, float brightness, GLuint texture) {
  DrawQuad(BlendMul, x1, y1, x2, y2, brightness, texture);
}

void DrawScreenTexAdd(float s1, float t1, float s2, float t2, float brightness, GLuint texture) {
  DrawScreenTex(BlendAdd, s1, t1, s2, t2, brightness, texture);
}

void DrawScreenTexMul(float s1, float t1, float s2, float t2, float brightness, GLuint texture) {
  DrawScreenTex(BlendMul, s1, t1, s2, t2, brightness, texture);
}

void DrawSpriteAdd(float x, float y, float halfSize, float brightness, GLuint texture) {
  DrawSprite(BlendAdd, x, y, halfSize, brightness, texture);
}

void DrawSpriteMul(float x, float y, float halfSize, float brightness, GLuint texture) {
  DrawSprite(BlendMul, x, y, halfSize, brightness, texture);
}

void DrawRotatedSpriteAdd(float x, float y, float angle, float size, float brightness,
                          GLuint texture) {
  DrawRotatedSprite(BlendAdd, x, y, angle, size, brightness, texture);
}

void DrawRotatedSpriteMul(float x, float y, float angle, float size, float brightness,
                          GLuint texture) {
  DrawRotatedSprite(BlendMul, x, y, angle, size, brightness, texture);
}

// Untextured full-screen multiply by level. It always draws, tested against and
// writing depth (GL_LEQUAL, so a second shade over the first still passes), and
// leaves the object renderer's closing state: texturing on, smooth shading, no
// blending, culling or lighting.
void DrawShadeScreen(float level) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_COLOR);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glShadeModel(GL_FLAT);
  glColor3f(level, level, level);
  // Counter-clockwise, so front-facing and never culled.
  glBegin(GL_QUADS);
    glVertex3f(-1.0f, -1.0f, layerDepth);
    glVertex3f(1.0f, -1.0f, layerDepth);
    glVertex3f(1.0f, 1.0f, layerDepth);
    glVertex3f(-1.0f, 1.0f, layerDepth);
  glEnd();
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glDepthMask(GL_TRUE);
}
