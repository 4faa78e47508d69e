// The window record the engine reads for its aspect: the size asked for at
// creation, and opaque handles that only the shell's window code interprets.
#pragma once

struct GlWindow {
  int width = 0;   // asked for at creation (640) and never changed, not even by a resize
  int height = 0;  // 480; the object scenes take their aspect from these
  void* window = nullptr;         // the platform window (SDL_Window)
  void* renderContext = nullptr;  // the GL context (SDL_GLContext)
};

extern GlWindow glWindow;  // written by the main thread only
