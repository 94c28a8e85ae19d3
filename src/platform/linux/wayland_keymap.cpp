#include "platform/linux/wayland_keymap.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstring>

namespace halvric::linux_hid {
namespace {

struct Session {
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  bool has_keyboard = false;
  bool keymap_seen = false;
  std::optional<std::string> keymap;
};

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
  auto* s = static_cast<Session*>(data);
  s->keymap_seen = true;
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      // The text ends with its terminating zero, which the size counts.
      const char* text = static_cast<const char*>(map);
      s->keymap = std::string(text, ::strnlen(text, size));
      ::munmap(map, size);
    }
  }
  ::close(fd);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {
    .keymap = OnKeymap,
    .enter = OnEnter,
    .leave = OnLeave,
    .key = OnKey,
    .modifiers = OnModifiers,
    .repeat_info = OnRepeatInfo,
};

void OnCapabilities(void* data, wl_seat* seat, uint32_t caps) {
  auto* s = static_cast<Session*>(data);
  if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && s->keyboard == nullptr) {
    s->has_keyboard = true;
    s->keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(s->keyboard, &kKeyboardListener, s);
  }
}
void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {.capabilities = OnCapabilities, .name = OnSeatName};

void OnSeatGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* s = static_cast<Session*>(data);
  if (s->seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
    // Version 2 brings the seat's name event, which the listener above handles.
    s->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, version < 2 ? version : 2));
    wl_seat_add_listener(s->seat, &kSeatListener, s);
  }
}
void OnSeatGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kSeatRegistryListener = {.global = OnSeatGlobal, .global_remove = OnSeatGlobalRemove};

}  // namespace

std::optional<std::string> WaylandKeymapText() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return std::nullopt;
  Session s;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kSeatRegistryListener, &s);
  // The globals, then the seat's capabilities, then the keyboard's keymap.
  for (int i = 0; i < 3 && !s.keymap_seen; ++i) {
    if (wl_display_roundtrip(display) < 0) break;
  }
  if (s.keyboard != nullptr) wl_keyboard_destroy(s.keyboard);
  if (s.seat != nullptr) wl_seat_destroy(s.seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return s.keymap;
}

}  // namespace halvric::linux_hid
