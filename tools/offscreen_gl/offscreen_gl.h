// A hidden window with a current GL compatibility context (16-bit depth), for
// drawing frames through the system's GL without a display: SDL's offscreen
// video driver unless SDL_VIDEODRIVER names another.
#pragma once

#include <string>

// Returns false and describes the failure in `error` when no context can be made.
bool OpenOffscreenGl(int width, int height, std::string& error);
void SwapOffscreenGl();
// The context's entry point for a GL function, or null.
void* OffscreenGlProc(const char* name);
void CloseOffscreenGl();
