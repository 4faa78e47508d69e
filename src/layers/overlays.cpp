// Placeholder until the overlay layers land.
#include "layers/overlays.h"

void DrawZoomEcho(float, int) {}
void DrawScatterEcho(float) {}
void DrawSpriteTrail(float, float, int) {}
void DrawWidePicture(float, float, float) {}
void DrawDriftMultiply(GLuint) {}
void DrawGrainMul(GLuint) {}
void DrawGrainAdd(GLuint) {}
