// The initial GL state and the viewport projection, GL only: the shell's window
// code, the player's layout and the capture's offscreen frames all set them.
#pragma once

#include "records/letterbox.h"

// The show's start-up state (texture, clear values, depth test, smooth
// shading), then ResizeViewport, then the texture size limit read back.
void InitGlState(int width, int height);
// The viewport at the size and a 45-degree projection of its aspect (height 0 is
// taken as 1); the modelview matrix, the only time it is selected, stays identity.
void ResizeViewport(int width, int height);
// The projection at the 4:3 picture's size, then the viewport moved to where
// the picture sits between black bars in a drawable of this size; returns that
// place. The show's black clears cover the whole drawable, bars included.
PictureRect LayOutBetweenBars(int drawableWidth, int drawableHeight);
