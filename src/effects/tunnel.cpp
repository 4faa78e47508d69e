// Placeholder until the tunnel and rotozoom land.
#include "effects/tunnel.h"

void BuildRotozoomGrid(float, WarpGrid&) {}
void BuildTunnelGrids(float, WarpGrid&, WarpGrid&) {}
void DrawTunnelBlend(float, float) {}
void DrawRotozoomBlend(float, float) {}
