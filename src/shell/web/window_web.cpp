// The browser port of the platform seam: a WebGL 2 context on the page's
// canvas, the page's key, size and context events, its error panel, and swaps
// that wait for the browser's next animation frame (the module is built with
// Asyncify, so the run sequence's loops stay as they are). The page's side is
// web/page/page.js (nivoraPage).
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <ctime>

#include "records/gl_window.h"
#include "shell/gl_state.h"
#include "shell/platform.h"
#include "shell/run.h"
#include "shell/web/web_events.h"

int KeyState[256];
int KeyPressed[256];

namespace {

DisplayRequest display;  // what CreateDemoWindow was asked for
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
char platformError[128] = "";
bool contextLost = false;  // from a lost context until it comes back
void (*contextRestored)() = nullptr;

// The page queues its events; the pump takes them one at a time into `out`
// (kind, then three numbers). 0 when none is left.
EM_JS(int, TakePageEvent, (int* out), {
  var e = nivoraPage.takeEvent();
  if (!e) return 0;
  for (var i = 0; i < 4; i++) HEAP32[(out >> 2) + i] = e[i] | 0;
  return 1;
});
// Resolves at the browser's next animation frame.
EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await nivoraPage.nextFrame(); });
EM_JS(void, ShowPageError, (const char* message), { nivoraPage.showError(UTF8ToString(message)); });
EM_JS(void, TogglePageFullscreen, (), { nivoraPage.toggleFullscreen(); });
EM_JS(int, PageIsVisible, (), { return document.visibilityState === "visible" ? 1 : 0; });
EM_JS(double, PageRefreshHz, (), { return nivoraPage.refreshHz(); });

void DrawableSize(int& width, int& height) {
  width = height = 0;
  emscripten_get_canvas_element_size("#canvas", &width, &height);
}

void LayOut() {
  int width = 0;
  int height = 0;
  DrawableSize(width, height);
  if (display.layOut != nullptr)
    display.layOut(width, height);
  else
    ResizeViewport(width, height);
}

// The show's GL on a fresh context: the request's backend, the initial state
// and the layout. Also after a lost context came back.
const char* SetUpContext() {
  if (display.contextReady != nullptr) {
    if (const char* failure = display.contextReady()) return failure;
  }
  int width = 0;
  int height = 0;
  DrawableSize(width, height);
  InitGlState(width, height);
  LayOut();
  return nullptr;
}

void ApplyKey(const WebEvent& e) {
  int key = e.a;
  if (key <= 0 || key >= 256) return;
  bool down = e.kind == WebKeyDown;
  bool alt = e.b != 0;
  // Keys with Alt held are system keys: they leave the table alone.
  if (!alt) {
    KeyState[key] = down ? 1 : 0;
    if (down) KeyPressed[key] = 1;
  }
  if (down && e.c == 0 && display.keyPressed != nullptr) display.keyPressed(key, alt);
}

void HandlePageEvent(const WebEvent& e) {
  switch (e.kind) {
    case WebKeyDown:
    case WebKeyUp: ApplyKey(e); break;
    case WebResized: LayOut(); break;
    case WebContextLost: contextLost = true; break;
    case WebContextRestored:
      contextLost = false;
      if (const char* failure = SetUpContext()) FatalError(failure);
      if (contextRestored != nullptr) contextRestored();
      break;
    case WebCloseRequested:
      if (display.closeRequested != nullptr) display.closeRequested();
      break;
    default: break;
  }
}

}  // namespace

bool CreateDemoWindow(const DisplayRequest& request) {
  display = request;
  SetGlWindowSize(request.pictureWidth, request.pictureHeight);
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  attributes.alpha = false;
  attributes.depth = true;
  attributes.stencil = false;
  attributes.antialias = false;
  attributes.premultipliedAlpha = false;
  attributes.enableExtensionsByDefault = false;
  context = emscripten_webgl_create_context("#canvas", &attributes);
  if (context <= 0) {
    std::snprintf(platformError, sizeof platformError, "this browser gives the page no WebGL 2");
    return false;
  }
  emscripten_webgl_make_context_current(context);
  SetGlWindowHandles(nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(context)));
  if (const char* failure = SetUpContext()) FatalError(failure);
  return true;
}

void RaiseDemoWindow() {}

void ToggleDemoFullscreen() { TogglePageFullscreen(); }

void PumpMessages() {
  WebEvent e;
  while (TakePageEvent(&e.kind) != 0) HandlePageEvent(e);
}

void SwapDemoBuffers() {
  // The browser presents what was drawn once this task yields; the next frame
  // begins at its next animation frame.
  WaitForAnimationFrame();
}

void CloseDemoWindow() {
  if (context > 0) emscripten_webgl_destroy_context(context);
  context = 0;
  SetGlWindowHandles(nullptr, nullptr);
}

void RestoreDesktopMode() {}

void ShowDemoCursor(bool) {}

void* ReadGlProc(const char* name) { return emscripten_webgl_get_proc_address(name); }

DisplayStatus ReadDisplayStatus() {
  DisplayStatus status;
  DrawableSize(status.drawableWidth, status.drawableHeight);
  status.visible = PageIsVisible() != 0;
  status.refreshHz = PageRefreshHz();
  status.swapWaits = true;  // every frame waits for the browser's animation frame
  return status;
}

const char* ReadPlatformError() { return platformError; }

void ShowErrorBox(const char* message) { ShowPageError(message); }

uint32_t ReadPlatformTicks() { return static_cast<uint32_t>(emscripten_get_now()); }

void SetWebContextRestoredHook(void (*hook)()) { contextRestored = hook; }

// A sleep yields to the page instead of spinning: the teardown's fade steps and
// the wait for the fade to be heard let the audio output take its blocks.
extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining) {
  if (remaining != nullptr) *remaining = timespec{};
  emscripten_sleep(static_cast<unsigned>(request->tv_sec * 1000 + request->tv_nsec / 1000000));
  return 0;
}
