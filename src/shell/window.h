// The show's window: display mode, GL context, initial GL state, viewport, the
// message pump and the key table. SDL stays behind this header.
#pragma once

#include <cstdint>

#include "shell/display_modes.h"
#include "records/gl_window.h"

extern int KeyState[256];  // 1 while the key with that virtual-key number is down
// 1 from the key's first press on, even when it came up again in the same pump
// (a tap shorter than a frame): the main loop's Escape test reads it.
extern int KeyPressed[256];

// Returns false when no window can be created. A GL set-up failure inside it
// is reported and ends the run with status 1.
bool CreateDemoWindow(int width, int height, int fullscreen);
// Brings the window to the front and gives it the input focus.
void RaiseDemoWindow();
void EnterFullscreen(int width, int height);
// Mode `index` of the first display, for ChooseDisplayMode; false past the last.
bool ReadSdlDisplayMode(int index, DisplayModeInfo& mode);
void EnterWindowed();
void InitGlState(int width, int height);
void ResizeViewport(int width, int height);
// Both end the show when the window was destroyed from outside or X refused a
// request (status 1, a line on stderr) and on SIGINT/SIGTERM (a close request).
void PumpMessages();
void SwapDemoBuffers();
// The close handling: desktop mode back, cursor shown, GL released. Does not exit.
void CloseDemoWindow();
// Restores the desktop display mode if the show changed it (FatalError uses it).
void RestoreDesktopMode();
// Shows or hides the mouse cursor.
void ShowDemoCursor(bool show);
// A message box captioned "Error" with the error icon, also when no window exists.
// SIGINT or SIGTERM while it waits ends the process with status 1.
void ShowErrorBox(const char* message);
// The platform's millisecond tick count: the demo clock's tick source.
uint32_t ReadPlatformTicks();
