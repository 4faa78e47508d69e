// Placeholder until the primitives land.
#include "layers/primitives.h"

void BeginFrame(float, float, float) {}
void DrawQuadAdd(float, float, float, float, float, GLuint) {}
void DrawQuadMul(float, float, float, float, float, GLuint) {}
void DrawScreenTexAdd(float, float, float, float, float, GLuint) {}
void DrawScreenTexMul(float, float, float, float, float, GLuint) {}
void DrawSpriteAdd(float, float, float, float, GLuint) {}
void DrawSpriteMul(float, float, float, float, GLuint) {}
void DrawRotatedSpriteAdd(float, float, float, float, float, GLuint) {}
void DrawRotatedSpriteMul(float, float, float, float, float, GLuint) {}
void DrawShadeScreen(float) {}
