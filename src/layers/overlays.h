// The composite overlay layers: echoes, the sprite trail, the wide picture, the
// drifting multiply and the grain, each a fixed arrangement of the primitives.
#pragma once

#include <GL/gl.h>

void DrawZoomEcho(float time, int slot);
void DrawScatterEcho(float time);
void DrawSpriteTrail(float brightness, float time, int slot);
void DrawWidePicture(float brightness, float centreX, float grow);
void DrawDriftMultiply(GLuint texture);
void DrawGrainMul(GLuint texture);
void DrawGrainAdd(GLuint texture);
