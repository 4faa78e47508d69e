// The page's events as the browser port's pump takes them from the page, and
// what the port tells the front end about its GL context.
#pragma once

enum WebEventKind {
  WebKeyDown = 1,      // a: virtual-key number, b: Alt held, c: a repeat
  WebKeyUp = 2,        // a: virtual-key number, b: Alt held
  WebResized = 3,      // the canvas's drawing buffer took the page's new size
  WebContextLost = 4,  // the browser took the GL context away
  WebContextRestored = 5,
  WebCloseRequested = 6,  // the page's Stop: ends the show as Escape does
};

struct WebEvent {
  int kind = 0;
  int a = 0;
  int b = 0;
  int c = 0;
};

// The front end's part once a lost context is back and set up again: what
// lived in the old context (the pictures) made anew.
void SetWebContextRestoredHook(void (*hook)());
