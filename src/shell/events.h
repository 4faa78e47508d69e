// What the message pump does with each SDL event; the pump is the only caller
// outside tests.
#pragma once

union SDL_Event;

// Resizes set the viewport, key events update KeyState, focus loss raises the
// window again, and a close request ends the process with status 0.
void HandleDemoEvent(const SDL_Event& event);
