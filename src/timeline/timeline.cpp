// Placeholder until the scenes land.
#include "timeline/timeline.h"

#include "layers/primitives.h"

const int pictureCycle[10] = {1, 2, 5, 17, 18, 3, 22, 21, 39, 9};

void DrawFrame() { BeginFrame(0, 0, 0); }
