// Bowl layers: four pictures added over each other, each on a grid whose depth
// is a paraboloid around a wandering centre.
#pragma once

#include "effects/grids.h"

void BuildBowlGrid(float cx, float cy, float curvature, WarpGrid& grid);
void DrawBowlLayers(float T);
