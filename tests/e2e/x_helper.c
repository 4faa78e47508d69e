/* What the end-to-end runs ask of the X server that xdotool cannot:
 *   x_helper wm-ready           waits up to 5 s for a window manager to announce itself
 *                               and to frame a window it is shown (then managing windows)
 *   x_helper close WINDOW       asks WINDOW to close, as a window manager's close button does
 *                               (a WM_DELETE_WINDOW client message)
 *   x_helper cursor-hidden      succeeds when the pointer's cursor shows no pixel
 * Exit status 0 on success, 1 on failure. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int WindowManagerRunning(Display* display) {
  Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = NULL;
  int found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                 XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
              count == 1;
  if (data) XFree(data);
  return found;
}

static int Run(Display* display, int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "wm-ready") == 0) {
    int i = 0;
    while (i < 200 && !WindowManagerRunning(display)) {
      usleep(25000);
      ++i;
    }
    /* The announcement comes before the manager takes map requests: a probe
     * window that gets reparented into a frame shows that it does. */
    Window probe = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, probe, StructureNotifyMask);
    XMapWindow(display, probe);
    XFlush(display);
    int framed = 0;
    for (; i < 200 && !framed; ++i) {
      XEvent event;
      while (!framed && XCheckTypedWindowEvent(display, probe, ReparentNotify, &event))
        framed = event.xreparent.parent != DefaultRootWindow(display);
      if (framed) break;
      usleep(25000);
      if (i % 10 == 9) {
        /* Mapped before the manager took over: map it again as a fresh request. */
        XUnmapWindow(display, probe);
        XMapWindow(display, probe);
        XFlush(display);
      }
    }
    XDestroyWindow(display, probe);
    XSync(display, False);
    if (framed) return 0;
    fprintf(stderr, "x_helper: no window manager came up\n");
    return 1;
  }
  if (argc == 3 && strcmp(argv[1], "close") == 0) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = (Window)strtoul(argv[2], NULL, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
  }
  if (argc == 2 && strcmp(argv[1], "cursor-hidden") == 0) {
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return 1;
    int drawn = 0;
    for (int i = 0; i < image->width * image->height; ++i)
      if ((image->pixels[i] >> 24) & 0xFF) ++drawn;  /* ARGB: any alpha is a visible pixel */
    fprintf(stderr, "x_helper: cursor %dx%d, %d pixels drawn\n", image->width, image->height, drawn);
    XFree(image);
    return drawn == 0 ? 0 : 1;
  }
  fprintf(stderr, "usage: x_helper wm-ready | close WINDOW | cursor-hidden\n");
  return 1;
}

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "x_helper: cannot open the display\n");
    return 1;
  }
  int result = Run(display, argc, argv);
  XCloseDisplay(display);  /* a sanitizer build counts an open display as a leak */
  return result;
}
