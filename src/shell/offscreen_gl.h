// The offscreen port: a hidden window with a current GL compatibility (or ES 3)
// context in the show's pixel format, for drawing frames through the system's GL
// without a display (the capture, the pixel tests and benchmarks). SDL's
// offscreen video driver unless SDL_VIDEODRIVER names another. Its window and
// context are GlWindow's handles while it is open.
#pragma once

#include <string>

#include "shell/platform.h"

// Returns false and describes the failure in `error` when no context of that
// kind can be made.
bool OpenOffscreenGl(int width, int height, std::string& error,
                     GlContextKind context = GlContextCompatibility);
void SwapOffscreenGl();
void CloseOffscreenGl();
