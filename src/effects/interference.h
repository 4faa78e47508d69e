// Interference layers: a picture warped by the distances to three wandering
// points, each layer followed by a grey flash pass after a sync.
#pragma once

#include "effects/grids.h"

void BuildInterferenceGrid(float T, WarpGrid& grid);
void DrawInterference(float fade, float T);
