// Placeholder until the wobble sheets land.
#include "effects/wobble.h"

void BuildWobbleSheet(float, float, float, float, Sheet&) {}
void DrawWobbleSheets(float, float) {}
