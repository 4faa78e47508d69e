#include "player/display.h"

#include <SDL.h>

#include <cstdlib>

#include "glrec/glrec.h"
#include "shell/display_modes.h"
#include "shell/window.h"

namespace {

// The window and context live in the show's GlWindow record, so the show's own
// routines (the loading fades' swaps, a fatal error's close) work on them too.
struct PlayerDisplayState {
  PlayerDisplay display = DisplayDesktop;  // what fullscreen means for this run
  int windowWidth = 960, windowHeight = 720;  // the size the window has when not fullscreen
  int modeWidth = 640, modeHeight = 480;      // DisplayMode's switch
  bool fullscreen = false;
  bool swapPaced = false;
  PictureRect picture;
  bool exitHookSet = false;
};

PlayerDisplayState state;

SDL_Window* Window() { return static_cast<SDL_Window*>(glWindow.window); }
SDL_GLContext Context() { return static_cast<SDL_GLContext>(glWindow.renderContext); }

void* ResolveGl(const char* name) { return SDL_GL_GetProcAddress(name); }

// Fullscreen as this run means it. A real mode switch goes through the show's
// own choice of mode (the deepest of that size); the desktop's needs no mode.
bool EnterFullscreen(std::string& error) {
  if (state.display == DisplayMode) {
    int chosen = ChooseDisplayMode(ReadSdlDisplayMode, state.modeWidth, state.modeHeight);
    if (chosen < 0) {
      error = "screenmode not found";
      return false;
    }
    SDL_DisplayMode mode;
    SDL_GetDisplayMode(0, chosen, &mode);
    if (SDL_SetWindowDisplayMode(Window(), &mode) != 0 ||
        SDL_SetWindowFullscreen(Window(), SDL_WINDOW_FULLSCREEN) != 0) {
      error = "can't go into fullscreen mode";
      return false;
    }
  } else if (SDL_SetWindowFullscreen(Window(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    error = std::string("can't go into fullscreen: ") + SDL_GetError();
    return false;
  }
  state.fullscreen = true;
  SDL_ShowCursor(SDL_DISABLE);
  return true;
}

void EnterWindow() {
  SDL_SetWindowFullscreen(Window(), 0);
  SDL_SetWindowSize(Window(), state.windowWidth, state.windowHeight);
  SDL_SetWindowPosition(Window(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  state.fullscreen = false;
  SDL_ShowCursor(SDL_ENABLE);
}

// Adaptive vsync where offered (a late frame is shown at once instead of
// waiting a whole refresh), plain vsync otherwise.
bool SetSwapInterval(bool vsync) {
  if (!vsync) {
    SDL_GL_SetSwapInterval(0);
    return false;
  }
  return SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
}

}  // namespace

bool OpenPlayerDisplay(const PlayerOptions& options, std::string& error) {
  state.display = options.display;
  if (options.display == DisplayWindow) {
    state.windowWidth = options.width;
    state.windowHeight = options.height;
  } else if (options.display == DisplayMode) {
    state.modeWidth = options.width;
    state.modeHeight = options.height;
  }
  // Alt-tab away from the desktop's fullscreen leaves the show playing where it
  // is; a real mode switch gives the desktop its mode back while away (SDL's way).
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, options.display == DisplayMode ? "1" : "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("can't init opengl-window: ") + SDL_GetError();
    return false;
  }
  if (!state.exitHookSet) {
    std::atexit(ClosePlayerDisplay);
    state.exitHookSet = true;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE |
                 SDL_WINDOW_ALLOW_HIGHDPI;
  glWindow.window = SDL_CreateWindow("nivora dusk", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  state.windowWidth, state.windowHeight, flags);
  if (!Window()) {
    error = std::string("can't init opengl-window: ") + SDL_GetError();
    return false;
  }
  glWindow.renderContext = SDL_GL_CreateContext(Window());
  if (!Context() || SDL_GL_MakeCurrent(Window(), Context()) != 0) {
    error = std::string("Can't Create A GL Rendering Context: ") + SDL_GetError();
    return false;
  }
  std::string missing;
  if (!GlrecLoadForwarding(ResolveGl, missing)) {
    error = "the GL has no " + missing;
    return false;
  }
  GlrecSetMode(GlrecForward);
  if (options.display != DisplayWindow && !EnterFullscreen(error)) return false;
  SDL_ShowWindow(Window());
  SDL_RaiseWindow(Window());
  state.swapPaced = SetSwapInterval(options.vsync);
  // The show's scenes take their aspect from its fixed 640x480.
  glWindow.width = 640;
  glWindow.height = 480;
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(Window(), &width, &height);
  InitGlState(FitPicture(width, height).width, FitPicture(width, height).height);
  LayOutPlayerPicture();
  if (options.display == DisplayMode) {
    // The switch happens when the window is shown: check it did.
    SDL_DisplayMode current;
    int display = SDL_GetWindowDisplayIndex(Window());
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &current) != 0 ||
        current.w != state.modeWidth || current.h != state.modeHeight) {
      error = "can't go into fullscreen mode";
      return false;
    }
  }
  return true;
}

void TogglePlayerFullscreen() {
  if (!Window()) return;
  if (state.fullscreen) {
    EnterWindow();
  } else {
    std::string ignored;
    // A mode that cannot be had now leaves the window as it was.
    if (!EnterFullscreen(ignored)) EnterWindow();
  }
  LayOutPlayerPicture();
}

void LayOutPlayerPicture() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(Window(), &width, &height);
  state.picture = FitPicture(width, height);
  // As the capture lays a frame out: the show's viewport projection at the
  // picture's size (what the show does on a resize), then the viewport moved
  // between the bars. The show's black clears cover the whole drawable, bars
  // included.
  ResizeViewport(state.picture.width, state.picture.height);
  glViewport(state.picture.x, state.picture.y, state.picture.width, state.picture.height);
}

PictureRect PlayerPicture() { return state.picture; }

int PlayerDrawableWidth() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(Window(), &width, &height);
  return width;
}

int PlayerDrawableHeight() {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(Window(), &width, &height);
  return height;
}

bool PlayerVisible() {
  if (!Window()) return false;
  Uint32 flags = SDL_GetWindowFlags(Window());
  return (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
}

double PlayerRefreshHz() {
  SDL_DisplayMode mode;
  int display = Window() ? SDL_GetWindowDisplayIndex(Window()) : 0;
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) != 0 || mode.refresh_rate <= 0)
    return 60;
  return mode.refresh_rate;
}

bool PlayerSwapIsPaced() { return state.swapPaced; }

void SwapPlayerBuffers() {
  if (Window()) SDL_GL_SwapWindow(Window());
}

void ClosePlayerDisplay() {
  if (Window()) {
    // Leaving fullscreen first puts a switched mode back before anything else.
    SDL_SetWindowFullscreen(Window(), 0);
    SDL_ShowCursor(SDL_ENABLE);
  }
  if (Context()) {
    SDL_GL_MakeCurrent(Window(), nullptr);
    SDL_GL_DeleteContext(Context());
    glWindow.renderContext = nullptr;
  }
  if (Window()) {
    SDL_DestroyWindow(Window());
    glWindow.window = nullptr;
  }
  state.fullscreen = false;
}

void* PlayerGlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

void ShowPlayerErrorBox(const char* message) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message, nullptr);
}
