// Placeholder until the bowl layers land.
#include "effects/bowl.h"

void BuildBowlGrid(float, float, float, WarpGrid&) {}
void DrawBowlLayers(float) {}
