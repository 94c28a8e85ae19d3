#include "platform/linux/x11_compositor.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace halvric::linux_hid {

struct X11Compositor::Connection {
  xcb_connection_t* conn = nullptr;
  xcb_atom_t selection = XCB_ATOM_NONE;
  ~Connection() {
    if (conn != nullptr) xcb_disconnect(conn);
  }
};

X11Compositor::X11Compositor(std::unique_ptr<Connection> c) : c_(std::move(c)) {}
X11Compositor::~X11Compositor() = default;

std::unique_ptr<X11Compositor> X11Compositor::Connect(const std::string& display) {
  auto c = std::make_unique<Connection>();
  int screen = 0;
  c->conn = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen);
  if (c->conn == nullptr || xcb_connection_has_error(c->conn) != 0) return nullptr;
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c->conn, xcb_intern_atom(c->conn, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
  if (r == nullptr) return nullptr;
  c->selection = r->atom;
  std::free(r);
  return std::unique_ptr<X11Compositor>(new X11Compositor(std::move(c)));
}

bool X11Compositor::Running() const {
  xcb_get_selection_owner_reply_t* r =
      xcb_get_selection_owner_reply(c_->conn, xcb_get_selection_owner(c_->conn, c_->selection), nullptr);
  if (r == nullptr) return false;
  const bool owned = r->owner != XCB_WINDOW_NONE;
  std::free(r);
  return owned;
}

}  // namespace halvric::linux_hid
