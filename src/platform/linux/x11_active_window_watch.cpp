#include "platform/linux/x11_active_window_watch.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace halvric::linux_hid {
namespace {

class X11ActiveWindowEvents : public ActiveWindowEvents {
 public:
  explicit X11ActiveWindowEvents(xcb_atom_t atom) : atom_(atom) {}

  bool IsActiveWindowChange(const void* native_event) const override {
    const auto* ev = static_cast<const xcb_generic_event_t*>(native_event);
    if ((ev->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
    return reinterpret_cast<const xcb_property_notify_event_t*>(ev)->atom == atom_;
  }

 private:
  xcb_atom_t atom_;
};

}  // namespace

std::unique_ptr<ActiveWindowEvents> WatchX11ActiveWindow(void* xcb_connection) {
  auto* c = static_cast<xcb_connection_t*>(xcb_connection);
  if (c == nullptr) return nullptr;
  const char* name = "_NET_ACTIVE_WINDOW";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  if (atom == nullptr) return nullptr;
  const xcb_atom_t a = atom->atom;
  std::free(atom);
  if (a == XCB_ATOM_NONE) return nullptr;  // no window manager announces the active window
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  // Keep whatever is already selected on the root window and add property changes.
  uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  if (xcb_get_window_attributes_reply_t* attrs =
          xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, screen->root), nullptr)) {
    mask |= attrs->your_event_mask;
    std::free(attrs);
  }
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  xcb_flush(c);
  return std::make_unique<X11ActiveWindowEvents>(a);
}

}  // namespace halvric::linux_hid
