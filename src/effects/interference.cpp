// Placeholder until the interference layers land.
#include "effects/interference.h"

void BuildInterferenceGrid(float, WarpGrid&) {}
void DrawInterference(float, float) {}
