// The tunnel and rotozoom backgrounds: grids built from a phase, blended and
// over-blended, drawn as one solid and one additive layer.
#pragma once

#include "effects/grids.h"

void BuildRotozoomGrid(float T, WarpGrid& grid);
void BuildTunnelGrids(float T, WarpGrid& p, WarpGrid& q);
void DrawTunnelBlend(float fade, float T);
void DrawRotozoomBlend(float fade, float T);
