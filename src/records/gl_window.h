// The window record the engine reads for its aspect: the size of the show's
// picture, and opaque handles that only the shell's window code interprets.
#pragma once

struct GlWindow {
  // The picture the scenes take their aspect from: 640x480, the mode the show
  // asks for. A window of another size letterboxes it, and a resize changes
  // neither field.
  int width = 0;
  int height = 0;
  void* window = nullptr;         // the platform window (SDL_Window)
  void* renderContext = nullptr;  // the GL context (SDL_GLContext)
};

// Written by the main thread only, through the two calls below.
extern GlWindow glWindow;

// The show's picture, whatever the window's size.
constexpr int showPictureWidth = 640;
constexpr int showPictureHeight = 480;

void SetGlWindowSize(int width, int height);
// The platform's window and context once made (the shell), null both when closed.
void SetGlWindowHandles(void* window, void* renderContext);
