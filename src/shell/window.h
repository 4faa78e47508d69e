// The desktop port of the platform seam, over SDL: the list in platform.h, the
// GL state it sets up, and its reader of the display's modes.
#pragma once

#include "records/gl_window.h"
#include "shell/display_modes.h"
#include "shell/gl_state.h"
#include "shell/offscreen_gl.h"
#include "shell/platform.h"

// Mode `index` of the first display, for ChooseDisplayMode; false past the last.
bool ReadSdlDisplayMode(int index, DisplayModeInfo& mode);
