// Placeholder until the warp grids land.
#include "effects/grids.h"

WarpGrid gridA, gridB, gridC, gridD;

void BlendGrids(float, const WarpGrid&, const WarpGrid&, WarpGrid&) {}
void DrawGridSolid(float, const WarpGrid&, GLuint) {}
void DrawGridAdd(float, const WarpGrid&, GLuint) {}
