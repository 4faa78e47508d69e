// What the Wayland display SDL would reach offers, asked before SDL's video
// starts: SDL 2.26 crashes creating a window on a compositor without a seat
// (weston's headless backend), so that display is avoided rather than tried.
#pragma once

enum WaylandReach {
  WaylandNotChosen,  // SDL will not use Wayland: X11 asked for, or a DISPLAY to try first
  WaylandUnreachable,  // no Wayland display answers: SDL finds that out itself
  WaylandWithSeat,   // a display with a seat: SDL can use it
  WaylandWithoutSeat,  // a display with no seat: no window may be made on it
};

// `requested` is SDL_VIDEODRIVER (null when unset), `xDisplay` DISPLAY.
WaylandReach ProbeWaylandDisplay(const char* requested, const char* xDisplay);

// Makes the Wayland requests before it handled by the compositor, so that a
// surface SDL destroys next is gone from the compositor's view in order (a
// surface destroyed with its requests in flight crashes sway 1.7).
void SettleWaylandDisplay(void* display);
