#include "shell/wayland_display.h"

#include <wayland-client.h>

#include <cstring>

namespace {

// SDL 2.26 tries X11 before Wayland unless told otherwise, so Wayland is its
// choice only by name first in the list, or with no X display to reach.
bool SdlWouldChooseWayland(const char* requested, const char* xDisplay) {
  if (requested != nullptr && requested[0] != '\0')
    return std::strncmp(requested, "wayland", 7) == 0;
  return xDisplay == nullptr || xDisplay[0] == '\0';
}

void NoteGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::strcmp(interface, "wl_seat") == 0) *static_cast<bool*>(data) = true;
}

void ForgetGlobal(void*, wl_registry*, uint32_t) {}

}  // namespace

WaylandReach ProbeWaylandDisplay(const char* requested, const char* xDisplay) {
  if (!SdlWouldChooseWayland(requested, xDisplay)) return WaylandNotChosen;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return WaylandUnreachable;
  bool seat = false;
  static const wl_registry_listener listener = {NoteGlobal, ForgetGlobal};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &listener, &seat);
  // One round trip delivers every global the compositor has now.
  bool answered = wl_display_roundtrip(display) >= 0;
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!answered) return WaylandUnreachable;
  return seat ? WaylandWithSeat : WaylandWithoutSeat;
}

void SettleWaylandDisplay(void* display) {
  if (display != nullptr) wl_display_roundtrip(static_cast<wl_display*>(display));
}
