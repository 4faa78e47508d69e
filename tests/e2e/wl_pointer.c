/* A pointer for a headless wlroots compositor, which has none of its own: a
 * virtual pointer (wlr's virtual-pointer protocol) on the first seat, kept
 * while this runs so that the seat keeps its cursor.
 *   wl_pointer WIDTH HEIGHT    reads lines "X Y" from standard input and puts the
 *                              pointer there (of a WIDTHxHEIGHT layout), printing
 *                              "at X Y" once the compositor has it; ends at EOF
 * The two interfaces are written out here: Debian ships no copy of the protocol. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wayland-client.h>

extern const struct wl_interface virtual_pointer_interface;

static const struct wl_interface* create_types[] = {&wl_seat_interface, &virtual_pointer_interface};
static const struct wl_message manager_requests[] = {
    {"create_virtual_pointer", "?on", create_types},
};
static const struct wl_interface manager_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 1, manager_requests, 0, NULL};

static const struct wl_interface* no_types[] = {NULL, NULL, NULL, NULL, NULL};
/* In the protocol's order: a request's number is its place. */
enum { MOTION_ABSOLUTE = 1, FRAME = 4 };
static const struct wl_message pointer_requests[] = {
    {"motion", "uff", no_types},   {"motion_absolute", "uuuuu", no_types},
    {"button", "uuu", no_types},   {"axis", "uuf", no_types},
    {"frame", "", no_types},
};
const struct wl_interface virtual_pointer_interface = {
    "zwlr_virtual_pointer_v1", 1, 5, pointer_requests, 0, NULL};

struct globals {
  struct wl_registry* registry;
  struct wl_seat* seat;
  struct wl_proxy* manager;
};

static void note_global(void* data, struct wl_registry* registry, uint32_t name,
                        const char* interface, uint32_t version) {
  struct globals* g = data;
  (void)version;
  if (strcmp(interface, "wl_seat") == 0 && g->seat == NULL)
    g->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
  if (strcmp(interface, manager_interface.name) == 0)
    g->manager = wl_registry_bind(registry, name, &manager_interface, 1);
}

static void forget_global(void* data, struct wl_registry* registry, uint32_t name) {
  (void)data, (void)registry, (void)name;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: wl_pointer WIDTH HEIGHT\n");
    return 2;
  }
  unsigned width = (unsigned)atoi(argv[1]), height = (unsigned)atoi(argv[2]);
  struct wl_display* display = wl_display_connect(NULL);
  if (display == NULL) {
    fprintf(stderr, "wl_pointer: no Wayland display\n");
    return 1;
  }
  static const struct wl_registry_listener listener = {note_global, forget_global};
  struct globals g = {wl_display_get_registry(display), NULL, NULL};
  wl_registry_add_listener(g.registry, &listener, &g);
  wl_display_roundtrip(display);
  if (g.seat == NULL || g.manager == NULL) {
    fprintf(stderr, "wl_pointer: the compositor offers no seat or no virtual pointer\n");
    return 1;
  }
  struct wl_proxy* pointer =
      wl_proxy_marshal_constructor(g.manager, 0, &virtual_pointer_interface, g.seat, NULL);
  unsigned x, y, time = 0;
  while (scanf("%u %u", &x, &y) == 2) {
    wl_proxy_marshal(pointer, MOTION_ABSOLUTE, time += 10, x, y, width, height);
    wl_proxy_marshal(pointer, FRAME);
    if (wl_display_roundtrip(display) < 0) return 1;
    printf("at %u %u\n", x, y);
    fflush(stdout);
  }
  wl_display_disconnect(display);
  return 0;
}
