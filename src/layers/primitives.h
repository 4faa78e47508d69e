// Frame set-up and the textured quad primitives: one quad at depth -32 under the
// overlay projection (3.55 degrees, aspect 1), where -1..1 spans the viewport,
// blended additively (frame + texel*b) or multiplicatively (frame * texel*b).
#pragma once

#include <GL/gl.h>

void BeginFrame(float red, float green, float blue);

void DrawQuadAdd(float x1, float y1, float x2, float y2, float brightness, GLuint texture);
void DrawQuadMul(float x1, float y1, float x2, float y2, float brightness, GLuint texture);
void DrawScreenTexAdd(float s1, float t1, float s2, float t2, float brightness, GLuint texture);
void DrawScreenTexMul(float s1, float t1, float s2, float t2, float brightness, GLuint texture);
void DrawSpriteAdd(float x, float y, float halfSize, float brightness, GLuint texture);
void DrawSpriteMul(float x, float y, float halfSize, float brightness, GLuint texture);
void DrawRotatedSpriteAdd(float x, float y, float angle, float size, float brightness, GLuint texture);
void DrawRotatedSpriteMul(float x, float y, float angle, float size, float brightness, GLuint texture);
void DrawShadeScreen(float level);
