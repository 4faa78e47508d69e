#include "records/gl_window.h"

GlWindow glWindow;

void SetGlWindowSize(int width, int height) {
  glWindow.width = width;
  glWindow.height = height;
}

void SetGlWindowHandles(void* window, void* renderContext) {
  glWindow.window = window;
  glWindow.renderContext = renderContext;
}
