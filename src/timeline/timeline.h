// The timeline: every frame begins with the black clear and draws the scene of
// the module's current order (0-18) from this frame's DemoClock.
#pragma once

extern const int pictureCycle[10];

void DrawFrame();
