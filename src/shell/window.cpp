#include "shell/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "music/audio.h"
#include "shell/display_modes.h"
#include "shell/events.h"
#include "shell/keys.h"
#include "shell/run.h"
#include "shell/wayland_display.h"

int KeyState[256];
int KeyPressed[256];

namespace {

bool videoStarted = false;       // SDL's video subsystem is up
bool onWayland = false;          // SDL's video driver is Wayland's
int laidOutWidth = 0;            // the drawable size the request's layOut last had
int laidOutHeight = 0;
bool displayModeChanged = false; // the show switched the display; closing switches back
unsigned long windowXid = 0;     // the show's X window, 0 off X11
void* waylandDisplay = nullptr;  // the wl_display SDL's window is on, null off Wayland
bool boxUnanswerable = false;    // a display without a seat: nobody could close a box
DisplayRequest display;          // what CreateDemoWindow was asked for
bool fullscreen = false;         // in the request's fullscreen now (not toggled to a window)
bool swapWaits = false;          // a swap interval was asked for and accepted
char platformError[512] = "";    // the reason for the last failure explained

// Written by the X error handler, which may run on whichever thread made the
// failing request; read by the main thread after each swap and pump.
std::atomic<int> xErrorCode{0};     // code of the first X error, 0 while none came
std::atomic<int> xErrorRequest{0};  // its major request number
std::atomic<bool> windowDestroyed{false};  // DestroyNotify for the show's window

// Written by the signal handler: 1 once SIGINT or SIGTERM arrived.
volatile std::sig_atomic_t signalState = 0;
// 1 from the moment an error box is about to wait: a signal then ends the process at once.
volatile std::sig_atomic_t errorBoxWaiting = 0;

SDL_Window* DemoWindow() { return static_cast<SDL_Window*>(glWindow.window); }

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
void RequestPixelFormat(GlContextKind context) {
  if (context == GlContextEs3) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  } else {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  }
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 6);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// A fatal text, with SDL's reason after it where the request asks for that.
[[noreturn]] void FailWith(const char* text) {
  if (!display.explainFailures) FatalError(text);
  char line[sizeof platformError + 128];
  SDL_snprintf(line, sizeof line, "%s: %s", text, SDL_GetError());
  FatalError(line);
}

// Pixel format, context and initial GL state for a freshly created window. A
// failure is reported and ends the run: there is nothing to draw with.
void SetUpGl(SDL_Window* window) {
  if (SDL_GetWindowPixelFormat(window) == SDL_PIXELFORMAT_UNKNOWN)
    FailWith("Can't Set The PixelFormat.");
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) FailWith("Can't Create A GL Rendering Context.");
  SetGlWindowHandles(window, context);
  if (SDL_GL_MakeCurrent(window, context) != 0) FailWith("Can't activate GLRC.");
  if (display.contextReady != nullptr) {
    if (const char* failure = display.contextReady()) FatalError(failure);
  }
  int width = 0;
  int height = 0;
  SDL_GL_GetDrawableSize(window, &width, &height);
  InitGlState(width, height);
}

// The picture laid out for the window's size: the request's layout at the
// drawable's size, else the viewport projection at width x height.
void LayOutPicture(int width, int height) {
  if (display.layOut == nullptr) {
    ResizeViewport(width, height);
    return;
  }
  SDL_GL_GetDrawableSize(DemoWindow(), &laidOutWidth, &laidOutHeight);
  display.layOut(laidOutWidth, laidOutHeight);
}

// A Wayland compositor gives a fullscreen window its size only once its first
// frame is shown, and SDL takes the size from its event queue, which the
// loading picture's fades never pump (the events stay queued for the main
// loop). A drawable resized since the last layout is laid out again before the
// next frame.
void LayOutAgainIfResized() {
  if (display.layOut == nullptr) return;
  if (onWayland) SDL_PumpEvents();
  int width = 0;
  int height = 0;
  SDL_GL_GetDrawableSize(DemoWindow(), &width, &height);
  if (width != laidOutWidth || height != laidOutHeight) LayOutPicture(width, height);
}

// Adaptive vsync where offered (a late frame is shown at once instead of
// waiting a whole refresh), plain vsync otherwise.
void ApplySwapWait(SwapWait wait) {
  if (wait == SwapNoWait) SDL_GL_SetSwapInterval(0);
  swapWaits = wait == SwapVsync &&
              (SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0);
}

// An X error no longer goes to SDL's handler, which restores the display modes
// by calling back into Xlib while the display lock is held and so deadlocks.
// Every X error ends the show, as Xlib's own handler would, but from the main
// loop, where the desktop mode can still be put back.
int RecordXError(Display*, XErrorEvent* error) {
  int none = 0;
  if (xErrorCode.compare_exchange_strong(none, error->error_code))
    xErrorRequest.store(error->request_code);
  return 0;
}

void WriteStandardError(const char* line) {
  ssize_t ignored = write(STDERR_FILENO, line, SDL_strlen(line));
  (void)ignored;
}

// A broken connection leaves nothing to restore; Xlib allows no return.
int EndOnLostConnection(Display*) {
  WriteStandardError("the connection to the X display was lost\n");
  _exit(1);
}

// SIGINT and SIGTERM are close requests, taken at the next swap or pump; while
// an error box waits (and nothing else runs) they end the process at once.
void OnTerminationSignal(int) {
  if (errorBoxWaiting) _exit(1);
  signalState = 1;
}

void WatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void WatchDisplayAndSignals() {
  WatchSignals();
  if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0) return;
  XSetErrorHandler(RecordXError);
  XSetIOErrorHandler(EndOnLostConnection);
  // Raw X events reach the pump: DestroyNotify tells of a window killed from outside.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void NoteWindowSystem(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return;
  if (info.subsystem == SDL_SYSWM_X11) windowXid = info.info.x11.window;
  if (info.subsystem == SDL_SYSWM_WAYLAND) waylandDisplay = info.info.wl.display;
}

// A Wayland display without a seat is never handed to SDL (its Wayland code
// crashes making a window there): X11 instead where a DISPLAY is set (XWayland
// or any X server), else no window, with the reason for an explained failure.
bool AvoidSeatlessWayland() {
  const char* xDisplay = SDL_getenv("DISPLAY");
  if (ProbeWaylandDisplay(SDL_GetHint(SDL_HINT_VIDEODRIVER), xDisplay) != WaylandWithoutSeat)
    return true;
  if (xDisplay != nullptr && xDisplay[0] != '\0') {
    std::fprintf(stderr, "the Wayland display has no seat: showing on X display %s instead\n",
                 xDisplay);
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
    return true;
  }
  SDL_SetError("the Wayland display has no seat (keyboard or pointer) and no X display is set");
  boxUnanswerable = true;
  return false;
}

void ShowAndActivate() {
  SDL_ShowWindow(DemoWindow());
  SDL_RaiseWindow(DemoWindow());
  SDL_GL_MakeCurrent(DemoWindow(), static_cast<SDL_GLContext>(glWindow.renderContext));
}

// A close request (window close, Alt+F4, SIGINT/SIGTERM) ends the show at once,
// skipping the volume ramp; the audio thread is stopped first so that it never
// runs into the exit handlers. A front end with its own answer gets the request.
void EndOnCloseRequest() {
  if (display.closeRequested != nullptr) {
    signalState = 0;
    display.closeRequested();
    return;
  }
  CloseDemoWindow();
  FreeAudio();
  std::exit(0);
}

// The window went away under the show (destroyed by another client) or the X
// server refused a request: one line, the desktop mode back, status 1.
[[noreturn]] void EndOnLostWindow() {
  // A window or drawable that no longer exists is the window killed by another
  // client, seen in the swap before its DestroyNotify reaches the pump.
  int code = xErrorCode.load();
  if (windowDestroyed.load() || code == BadWindow || code == BadDrawable)
    std::fprintf(stderr, "the show's window was closed from outside\n");
  else
    std::fprintf(stderr, "the X display refused a request (error %d, request %d)\n", code,
                 xErrorRequest.load());
  std::fflush(stderr);
  CloseDemoWindow();
  FreeAudio();
  std::exit(1);
}

// What the show does after each swap and pump: a window gone, an X error or a
// termination signal ends it.
void EndOnPendingTrouble() {
  if (windowDestroyed.load() || xErrorCode.load() != 0) EndOnLostWindow();
  if (signalState) EndOnCloseRequest();
}

// The mode switch: the first listed mode of the size with the most bits per
// pixel, applied with everything the display reported for it, refresh rate
// included. Returns the fatal text on failure.
const char* SwitchDisplayMode(int width, int height) {
  int chosen = ChooseDisplayMode(ReadSdlDisplayMode, width, height);
  if (chosen < 0) return "screenmode not found";
  SDL_DisplayMode mode;
  SDL_GetDisplayMode(0, chosen, &mode);
  if (SDL_SetWindowDisplayMode(DemoWindow(), &mode) != 0 ||
      SDL_SetWindowFullscreen(DemoWindow(), SDL_WINDOW_FULLSCREEN) != 0)
    return "can't go into fullscreen mode";
  // A temporary change: closing the window (or the process ending) puts the
  // desktop mode back.
  displayModeChanged = true;
  return nullptr;
}

// A hidden window switches the display only when it is shown: whether it did.
bool InTheModeAskedFor() {
  SDL_DisplayMode current;
  int index = SDL_GetWindowDisplayIndex(DemoWindow());
  return SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &current) == 0 &&
         current.w == display.width && current.h == display.height;
}

// The request's fullscreen: a real mode or the desktop's. Returns the fatal
// text on failure, with the window left where it was.
const char* EnterFullscreen() {
  if (display.kind == DisplayModeSwitch) {
    if (const char* failure = SwitchDisplayMode(display.width, display.height)) return failure;
  } else if (SDL_SetWindowFullscreen(DemoWindow(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
    SDL_snprintf(platformError, sizeof platformError, "can't go into fullscreen: %s",
                 SDL_GetError());
    return platformError;
  }
  fullscreen = true;
  ShowDemoCursor(false);
  if (display.layOut == nullptr) ResizeViewport(display.width, display.height);
  ShowAndActivate();
  if (display.layOut != nullptr) LayOutPicture(display.width, display.height);
  if (display.kind == DisplayModeSwitch && !InTheModeAskedFor())
    return "can't go into fullscreen mode";
  return nullptr;
}

// A window: the show's own at its asked size, or the desktop window of the
// request's window size, centred.
void EnterWindowed() {
  if (SDL_SetWindowFullscreen(DemoWindow(), 0) != 0) FatalError("can't go into window mode");
  displayModeChanged = false;
  fullscreen = false;
  if (!display.ownsTheScreen) {
    SDL_SetWindowSize(DemoWindow(), display.windowWidth, display.windowHeight);
    SDL_SetWindowPosition(DemoWindow(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  ShowDemoCursor(true);
  LayOutPicture(glWindow.width, glWindow.height);
  ShowAndActivate();
}

// The window as the request has it before it is shown: the show's at the
// screen's corner on top of everything, a desktop window centred.
SDL_Window* MakeWindow(Uint32 flags) {
  if (display.ownsTheScreen) {
    flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    flags |= display.kind == DisplayWindow ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS;
    return SDL_CreateWindow("nivora dusk", 0, 0, display.width, display.height, flags);
  }
  flags |= SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  int width = display.kind == DisplayWindow ? display.width : display.windowWidth;
  int height = display.kind == DisplayWindow ? display.height : display.windowHeight;
  return SDL_CreateWindow("nivora dusk", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                          height, flags);
}

// SDL's video side, started once for the window and whoever asks before it.
// False when it cannot start, the reason in SDL's error.
bool StartVideo() {
  static bool refused = false;
  if (videoStarted || refused) return videoStarted;
  refused = !AvoidSeatlessWayland() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0;
  if (refused) return false;
  videoStarted = true;
  onWayland = SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0;
  return true;
}

// A Wayland compositor may end a window's fullscreen when another window takes
// the focus (sway does), and lets no client take the focus back: the request's
// fullscreen comes back with the focus.
void ReturnToFullscreen() {
  if (!fullscreen || (SDL_GetWindowFlags(DemoWindow()) & SDL_WINDOW_FULLSCREEN) != 0) return;
  if (EnterFullscreen() != nullptr) EnterWindowed();
}

void LayOutShowBetweenBars(int drawableWidth, int drawableHeight) {
  LayOutBetweenBars(drawableWidth, drawableHeight);
}

}  // namespace

bool DisplaySwitchesModes() { return !StartVideo() || !onWayland; }

bool ReadSdlDisplayMode(int index, DisplayModeInfo& mode) {
  SDL_DisplayMode sdlMode;
  if (SDL_GetDisplayMode(0, index, &sdlMode) != 0) return false;
  mode.width = sdlMode.w;
  mode.height = sdlMode.h;
  mode.bitsPerPixel = static_cast<int>(SDL_BITSPERPIXEL(sdlMode.format));
  return true;
}

bool CreateDemoWindow(const DisplayRequest& request) {
  display = request;
  if (display.kind == DisplayWindow) {
    display.windowWidth = request.width;
    display.windowHeight = request.height;
  }
  SetGlWindowSize(request.pictureWidth, request.pictureHeight);
  // The show must not iconify and drop the display mode when it loses the
  // focus: it takes the focus back instead (HandleDemoEvent). A desktop
  // window's own mode gives the desktop its mode while away, SDL's way.
  bool letModeGo = !request.ownsTheScreen && request.kind == DisplayModeSwitch;
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, letModeGo ? "1" : "0");
  if (!StartVideo() || !OnARealDisplay()) return false;
  if (onWayland && display.kind == DisplayModeSwitch) {
    // No client switches a Wayland display's mode; SDL 2.26 would stretch a
    // 640x480 "mode" over the whole output. The desktop's own mode instead,
    // the picture between bars.
    display.kind = DisplayDesktop;
    if (display.layOut == nullptr) display.layOut = LayOutShowBetweenBars;
  }
  WatchDisplayAndSignals();
  RequestPixelFormat(request.context);

  // Hidden until the display is set up.
  SDL_Window* window = MakeWindow(SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (window == nullptr) {
    // Tell a platform that refuses every window from one that has no pixel
    // format to match the request.
    SDL_Window* plain = MakeWindow(SDL_WINDOW_HIDDEN);
    if (plain == nullptr) return false;
    SDL_DestroyWindow(plain);
    FailWith("Can't Find A Suitable PixelFormat.");
  }
  SetGlWindowHandles(window, nullptr);
  NoteWindowSystem(window);
  SetUpGl(window);

  if (request.kind == DisplayWindow) {
    EnterWindowed();
  } else if (const char* failure = EnterFullscreen()) {
    FatalError(failure);
  }
  ApplySwapWait(request.swap);
  return true;
}

void RaiseDemoWindow() {
  if (DemoWindow() != nullptr) SDL_RaiseWindow(DemoWindow());
}

void ToggleDemoFullscreen() {
  if (DemoWindow() == nullptr) return;
  if (fullscreen || EnterFullscreen() != nullptr) EnterWindowed();
}

void HandleDemoEvent(const SDL_Event& event) {
  if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
    bool down = event.type == SDL_KEYDOWN;
    ApplyKeyEvent(down, event.key.keysym.sym, event.key.keysym.mod);
    if (down && !event.key.repeat && display.keyPressed != nullptr)
      display.keyPressed(VirtualKeyFromKeycode(event.key.keysym.sym),
                         (event.key.keysym.mod & KMOD_ALT) != 0);
  } else if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
      LayOutPicture(event.window.data1, event.window.data2);
    else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && display.ownsTheScreen)
      RaiseDemoWindow();
    else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
      ReturnToFullscreen();
    else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
      EndOnCloseRequest();
  } else if (event.type == SDL_QUIT) {
    EndOnCloseRequest();
  } else if (event.type == SDL_SYSWMEVENT && event.syswm.msg->subsystem == SDL_SYSWM_X11) {
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type == DestroyNotify && windowXid != 0 && x.xdestroywindow.window == windowXid)
      windowDestroyed.store(true);
  }
}

void PumpMessages() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) HandleDemoEvent(event);
  EndOnPendingTrouble();
}

void SwapDemoBuffers() {
  if (DemoWindow() == nullptr) return;
  SDL_GL_SwapWindow(DemoWindow());
  LayOutAgainIfResized();
  EndOnPendingTrouble();
}

void CloseDemoWindow() {
  RestoreDesktopMode();
  ShowDemoCursor(true);
  if (glWindow.renderContext != nullptr) {
    SDL_GL_MakeCurrent(DemoWindow(), nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glWindow.renderContext));
    SetGlWindowHandles(glWindow.window, nullptr);
  }
  if (DemoWindow() != nullptr) {
    SettleWaylandDisplay(waylandDisplay);
    SDL_DestroyWindow(DemoWindow());
    SetGlWindowHandles(nullptr, nullptr);
    windowXid = 0;
    waylandDisplay = nullptr;
  }
  fullscreen = false;
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
  errorBoxWaiting = 1;
  WatchSignals();  // also when the video side never came up
  if (signalState) _exit(1);  // a signal came before the box: nobody waits for it
  if (boxUnanswerable) return;  // the line on standard error stands alone
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message, nullptr);
  errorBoxWaiting = 0;
}

uint32_t ReadPlatformTicks() { return SDL_GetTicks(); }

void* ReadGlProc(const char* name) { return SDL_GL_GetProcAddress(name); }

DisplayStatus ReadDisplayStatus() {
  DisplayStatus status;
  status.swapWaits = swapWaits;
  if (DemoWindow() == nullptr) return status;
  SDL_GL_GetDrawableSize(DemoWindow(), &status.drawableWidth, &status.drawableHeight);
  Uint32 flags = SDL_GetWindowFlags(DemoWindow());
  status.visible = (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0;
  SDL_DisplayMode mode;
  int index = SDL_GetWindowDisplayIndex(DemoWindow());
  if (SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.refresh_rate > 0)
    status.refreshHz = mode.refresh_rate;
  return status;
}

const char* ReadPlatformError() { return SDL_GetError(); }

bool OpenOffscreenGl(int width, int height, std::string& error, GlContextKind context) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("SDL video: ") + SDL_GetError();
    return false;
  }
  RequestPixelFormat(context);
  SDL_Window* window =
      SDL_CreateWindow("nivora frames", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window == nullptr) {
    error = std::string("window: ") + SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  SetGlWindowHandles(window, SDL_GL_CreateContext(window));
  if (glWindow.renderContext == nullptr) {
    error = std::string("GL context: ") + SDL_GetError();
    CloseOffscreenGl();
    return false;
  }
  return true;
}

void SwapOffscreenGl() { SDL_GL_SwapWindow(DemoWindow()); }

void CloseOffscreenGl() {
  if (glWindow.renderContext != nullptr)
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glWindow.renderContext));
  if (DemoWindow() != nullptr) SDL_DestroyWindow(DemoWindow());
  SetGlWindowHandles(nullptr, nullptr);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
