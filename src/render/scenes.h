// The four object scenes, each with its own projection, a depth-only clear and
// the overlay projection restored at the end.
#pragma once

void DrawBlobTunnelScene(float brightness, float phase, int textureSlot);
void DrawHaloObjectScene(float phase, int textureSlot);
void DrawFlyAroundScene(float brightness, float phase);
void DrawEnvMapEchoScene(float phase);
