// Placeholder until the object scenes land.
#include "render/scenes.h"

void DrawBlobTunnelScene(float, float, int) {}
void DrawHaloObjectScene(float, int) {}
void DrawFlyAroundScene(float, float) {}
void DrawEnvMapEchoScene(float) {}
