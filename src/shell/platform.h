// The platform seam: everything the run sequence asks of a platform's window,
// GL context, input, message box and tick count. A port implements this list
// (the desktop's in window.cpp over SDL, the run-sequence tests' recording
// fakes); docs/porting.md gives the order the run sequence calls it in. The
// audio half of the seam is music/audio.h.
#pragma once

#include <cstdint>

enum DisplayKind {
  DisplayModeSwitch,  // fullscreen in a real mode of width x height, given back on the way out
  DisplayDesktop,     // borderless fullscreen on the desktop's own mode
  DisplayWindow,      // a resizable window of width x height
};

enum GlContextKind {
  GlContextCompatibility,  // the fixed-function GL the engine draws with
  GlContextEs3,            // OpenGL ES 3, for a backend on shaders
};

enum SwapWait {
  SwapAsDriverDoes,  // no swap interval asked for (the show)
  SwapNoWait,        // interval 0: frames as fast as they come
  SwapVsync,         // adaptive vsync where offered, plain vsync otherwise
};

struct DisplayRequest {
  DisplayKind kind = DisplayModeSwitch;
  int width = 640;  // the mode, or the window's size
  int height = 480;
  // The window's size when a fullscreen display is toggled to a window.
  int windowWidth = 960;
  int windowHeight = 720;
  // The picture the scenes take their aspect from (GlWindow).
  int pictureWidth = 640;
  int pictureHeight = 480;
  SwapWait swap = SwapAsDriverDoes;
  GlContextKind context = GlContextCompatibility;
  // The show's window: borderless (or, windowed, resizable), always on top at
  // the screen's corner, taking the focus back when it loses it. Otherwise a
  // desktop window: centred, resizable, high-DPI, letting the focus go (and a
  // switched mode giving the desktop its mode while away).
  bool ownsTheScreen = true;
  // Fatal texts end with the platform's reason (": ..."), as the player's do.
  bool explainFailures = false;
  // Once the context is current and before any GL call: a null result goes
  // on, any other is the fatal text (the player routes GL through its stand-in).
  const char* (*contextReady)() = nullptr;
  // Lays the picture out in a drawable of this size, at start and after every
  // resize. Null: the viewport projection at the window's size (the show).
  void (*layOut)(int drawableWidth, int drawableHeight) = nullptr;
  // Each key press, repeats not, as a virtual-key number and whether Alt was held.
  void (*keyPressed)(int virtualKey, bool alt) = nullptr;
  // A close request (window closed, SIGINT, SIGTERM). Null: the process ends at
  // once with status 0, without the run sequence's teardown (the show).
  void (*closeRequested)() = nullptr;
};

extern int KeyState[256];  // 1 while the key with that virtual-key number is down
// 1 from the key's first press on, even when it came up again in the same pump
// (a tap shorter than a frame): the main loop's Escape test reads it.
extern int KeyPressed[256];

// The window with its current GL context, the initial GL state and the
// display the request asks for. Returns false when no window can be created;
// any later failure is fatal.
bool CreateDemoWindow(const DisplayRequest& request);
// Whether DisplayModeSwitch really switches the display's mode. Not on Wayland,
// where the window takes the desktop's mode with the picture between bars.
// May start the platform's video side; true when it cannot start (the window
// then fails as it would).
bool DisplaySwitchesModes();
// Brings the window to the front and gives it the input focus.
void RaiseDemoWindow();
// A fullscreen display to a window of the request's window size and back;
// a mode that cannot be had now leaves the window as it was.
void ToggleDemoFullscreen();
// Both end the show when the window was destroyed from outside or the display
// refused a request (status 1, a line on stderr), and on a close request.
void PumpMessages();
void SwapDemoBuffers();
// The close handling: desktop mode back, cursor shown, GL released. Does not exit.
void CloseDemoWindow();
// Restores the desktop display mode if the show changed it (FatalError uses it).
void RestoreDesktopMode();
void ShowDemoCursor(bool show);
// A GL entry point of the current context, or null.
void* ReadGlProc(const char* name);

struct DisplayStatus {
  int drawableWidth = 0;
  int drawableHeight = 0;
  bool visible = false;    // shown and not minimised: a swap can wait for the display
  double refreshHz = 60;   // the display's rate, 60 when it does not say
  bool swapWaits = false;  // a swap interval was asked for and accepted
};
DisplayStatus ReadDisplayStatus();
// Why the platform refused the last request, for explained fatal texts.
const char* ReadPlatformError();

// A message box captioned "Error" with the error icon, also when no window exists.
// SIGINT or SIGTERM while it waits ends the process with status 1.
void ShowErrorBox(const char* message);
// The platform's millisecond tick count: the demo clock's tick source.
uint32_t ReadPlatformTicks();
