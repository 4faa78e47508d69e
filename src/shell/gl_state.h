// The initial GL state and the viewport projection, GL only: the shell's window
// code, the player's layout and the capture's offscreen frames all set them.
#pragma once

// The show's start-up state (texture, clear values, depth test, smooth
// shading), then ResizeViewport, then the texture size limit read back.
void InitGlState(int width, int height);
// The viewport at the size and a 45-degree projection of its aspect (height 0 is
// taken as 1); the modelview matrix, the only time it is selected, stays identity.
void ResizeViewport(int width, int height);
