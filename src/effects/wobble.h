// Wobble sheets: three sheets shaken by sums of travelling sines, a grey veil
// and two pictures that are thrown out of shape after each sync.
#pragma once

#include "effects/sheets.h"

void BuildWobbleSheet(float T, float depthScale, float size, float amplitude, Sheet& sheet);
void DrawWobbleSheets(float fade, float T);
