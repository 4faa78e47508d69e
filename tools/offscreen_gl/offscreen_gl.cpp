#include "offscreen_gl/offscreen_gl.h"

#include <SDL.h>

#include <cstdlib>

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

}  // namespace

bool OpenOffscreenGl(int width, int height, std::string& error) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("SDL video: ") + SDL_GetError();
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  window =
      SDL_CreateWindow("nivora frames", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) {
    error = std::string("window: ") + SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  context = SDL_GL_CreateContext(window);
  if (!context) {
    error = std::string("GL context: ") + SDL_GetError();
    CloseOffscreenGl();
    return false;
  }
  return true;
}

void SwapOffscreenGl() { SDL_GL_SwapWindow(window); }

void* OffscreenGlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

void CloseOffscreenGl() {
  if (context) SDL_GL_DeleteContext(context);
  if (window) SDL_DestroyWindow(window);
  context = nullptr;
  window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
