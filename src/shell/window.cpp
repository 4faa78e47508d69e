#include "shell/window.h"

#include <SDL.h>

#include <cstdlib>

#include "music/audio.h"
#include "shell/display_modes.h"
#include "shell/events.h"
#include "shell/keys.h"
#include "shell/run.h"

int KeyState[256];

namespace {

bool videoStarted = false;       // SDL's video subsystem is up
bool displayModeChanged = false; // the show switched the display; closing switches back

SDL_Window* DemoWindow() { return static_cast<SDL_Window*>(glWindow.window); }

bool ReadSdlDisplayMode(int index, DisplayModeInfo& mode) {
  SDL_DisplayMode sdlMode;
  if (SDL_GetDisplayMode(0, index, &sdlMode) != 0) return false;
  mode.width = sdlMode.w;
  mode.height = sdlMode.h;
  mode.bitsPerPixel = static_cast<int>(SDL_BITSPERPIXEL(sdlMode.format));
  return true;
}

// SDL falls back to its headless drivers when no display can be reached; the show
// would then play to nobody. They serve only when asked for by name.
bool OnARealDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  bool headless = driver != nullptr &&
                  (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
  return !headless || (requested != nullptr && requested[0] != '\0');
}

// Colour and depth sizes are minimums: the platform may hand out more.
void RequestPixelFormat() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// Pixel format, context and initial GL state for a freshly created window. A
// failure is reported and ends the run: there is nothing to draw with.
void SetUpGl(SDL_Window* window) {
  if (SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_UNKNOWN)
    FatalError("Can't Set The PixelFormat.");
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) FatalError("Can't Create A GL Rendering Context.");
  glWindow.renderContext = context;
  if (SDL_GL_MakeCurrent(window, context) != 0) FatalError("Can't activate GLRC.");
  int width = 0;
  int height = 0;
  SDL_GL_GetDrawableSize(window, &width, &height);
  InitGlState(width, height);
}

void ShowAndActivate() {
  SDL_ShowWindow(DemoWindow());
  SDL_RaiseWindow(DemoWindow());
  SDL_GL_MakeCurrent(DemoWindow(), static_cast<SDL_GLContext>(glWindow.renderContext));
}

// A close request (window close, Alt+F4, SIGINT/SIGTERM) ends the show at once,
// skipping the volume ramp; the audio thread is stopped first so that it never
// runs into the exit handlers.
[[noreturn]] void EndOnCloseRequest() {
  CloseDemoWindow();
  FreeAudio();
  std::exit(0);
}

}  // namespace

bool CreateDemoWindow(int width, int height, int fullscreen) {
  glWindow.width = width;
  glWindow.height = height;
  // Losing the focus must not iconify the show and drop the display mode:
  // the show takes the focus back instead (HandleDemoEvent).
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  videoStarted = true;
  if (!OnARealDisplay()) return false;
  RequestPixelFormat();

  // Hidden until the display mode is set; always on top like any fullscreen show.
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP;
  flags |= fullscreen == 1 ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE;
  SDL_Window* window =
      SDL_CreateWindow("nivora dusk", 0, 0, width, height, flags | SDL_WINDOW_OPENGL);
  if (window == nullptr) {
    // Tell a platform that refuses every window from one that has no pixel
    // format to match the request.
    SDL_Window* plain = SDL_CreateWindow("nivora dusk", 0, 0, width, height, flags);
    if (plain == nullptr) return false;
    SDL_DestroyWindow(plain);
    FatalError("Can't Find A Suitable PixelFormat.");
  }
  glWindow.window = window;
  SetUpGl(window);

  if (fullscreen == 1)
    EnterFullscreen(width, height);
  else
    EnterWindowed();
  return true;
}

void RaiseDemoWindow() {
  if (DemoWindow() != nullptr) SDL_RaiseWindow(DemoWindow());
}

void EnterFullscreen(int width, int height) {
  int chosen = ChooseDisplayMode(ReadSdlDisplayMode, width, height);
  if (chosen < 0) FatalError("screenmode not found");
  // Applied with everything the display reported for it, refresh rate included.
  SDL_DisplayMode mode;
  SDL_GetDisplayMode(0, chosen, &mode);
  if (SDL_SetWindowDisplayMode(DemoWindow(), &mode) != 0 ||
      SDL_SetWindowFullscreen(DemoWindow(), SDL_WINDOW_FULLSCREEN) != 0)
    FatalError("can't go into fullscreen mode");
  // A temporary change: closing the window (or the process ending) puts the
  // desktop mode back.
  displayModeChanged = true;
  ShowDemoCursor(false);
  ResizeViewport(width, height);
  ShowAndActivate();
  // A hidden window switches the display only when it is shown: check the result.
  SDL_DisplayMode current;
  int display = SDL_GetWindowDisplayIndex(DemoWindow());
  if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &current) != 0 ||
      current.w != width || current.h != height)
    FatalError("can't go into fullscreen mode");
}

void EnterWindowed() {
  if (SDL_SetWindowFullscreen(DemoWindow(), 0) != 0) FatalError("can't go into window mode");
  displayModeChanged = false;
  ShowDemoCursor(true);
  ResizeViewport(glWindow.width, glWindow.height);
  ShowAndActivate();
}

void HandleDemoEvent(const SDL_Event& event) {
  if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
    ApplyKeyEvent(event.type == SDL_KEYDOWN, event.key.keysym.sym, event.key.keysym.mod);
  } else if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
      ResizeViewport(event.window.data1, event.window.data2);
    else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
      RaiseDemoWindow();
    else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
      EndOnCloseRequest();
  } else if (event.type == SDL_QUIT) {
    EndOnCloseRequest();
  }
}

void PumpMessages() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleDemoEvent(event);
}

void SwapDemoBuffers() {
  if (DemoWindow() != nullptr) SDL_GL_SwapWindow(DemoWindow());
}

void CloseDemoWindow() {
  RestoreDesktopMode();
  ShowDemoCursor(true);
  if (glWindow.renderContext != nullptr) {
    SDL_GL_MakeCurrent(DemoWindow(), nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glWindow.renderContext));
    glWindow.renderContext = nullptr;
  }
  if (DemoWindow() != nullptr) {
    SDL_DestroyWindow(DemoWindow());
    glWindow.window = nullptr;
  }
  // SDL's video side stays up until the process ends: shutting it down would
  // unload the GL driver and leave its start-up allocations to unknown code.
}

void RestoreDesktopMode() {
  if (displayModeChanged && DemoWindow() != nullptr) SDL_SetWindowFullscreen(DemoWindow(), 0);
  displayModeChanged = false;
}

void ShowDemoCursor(bool show) {
  if (videoStarted) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void ShowErrorBox(const char* message) {
  // No owner window: the box must not depend on a window that may be half set up.
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message, nullptr);
}

uint32_t ReadPlatformTicks() { return SDL_GetTicks(); }
