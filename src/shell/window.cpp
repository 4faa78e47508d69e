// Placeholder until the window lands.
#include "shell/window.h"

GlWindow glWindow;
int KeyState[256];

bool CreateDemoWindow(int width, int height, int) {
  glWindow.width = width;
  glWindow.height = height;
  return false;
}
void EnterFullscreen(int, int) {}
void EnterWindowed() {}
void InitGlState(int, int) {}
void ResizeViewport(int, int) {}
void PumpMessages() {}
void SwapDemoBuffers() {}
void CloseDemoWindow() {}
void RestoreDesktopMode() {}
void ShowDemoCursor(bool) {}
void ShowErrorBox(const char*) {}
