// The player's window: borderless fullscreen on the desktop's mode, a resizable
// window, or fullscreen with a real mode switch; the GL context and its swap
// interval; where the 4:3 picture sits in it. SDL stays behind this header.
#pragma once

#include <string>

#include "letterbox/letterbox.h"
#include "player/options.h"

// Opens the window with a current GL context, GL calls forwarded through the
// recording stand-in, and the show's initial GL state laid out for its size.
// false with one line in `error` when no window or context can be made.
bool OpenPlayerDisplay(const PlayerOptions& options, std::string& error);
// Window <-> fullscreen (the desktop's, or the mode asked for).
void TogglePlayerFullscreen();
// Lays the picture out for the drawable's current size: call after any resize.
void LayOutPlayerPicture();
PictureRect PlayerPicture();    // where the picture is now
int PlayerDrawableWidth();
int PlayerDrawableHeight();
bool PlayerVisible();            // shown and not minimised: swaps can pace
double PlayerRefreshHz();        // the display's refresh rate, 60 when it does not say
bool PlayerSwapIsPaced();        // a swap interval was accepted
void SwapPlayerBuffers();
// The desktop's mode back, GL released, the window closed. Harmless twice; runs
// at exit too, so every way out restores the display.
void ClosePlayerDisplay();
// A GL entry point of the current context, for drawing that bypasses the show's calls.
void* PlayerGlProc(const char* name);
// A message box captioned "Error" (no owner window).
void ShowPlayerErrorBox(const char* message);
