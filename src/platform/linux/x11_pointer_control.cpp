#include "platform/linux/x11_pointer_control.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace halvric::linux_hid {

struct X11PointerControl::Connection {
  xcb_connection_t* conn = nullptr;
  ~Connection() {
    if (conn != nullptr) xcb_disconnect(conn);
  }
};

X11PointerControl::X11PointerControl(std::unique_ptr<Connection> c) : c_(std::move(c)) {}
X11PointerControl::~X11PointerControl() = default;

std::unique_ptr<X11PointerControl> X11PointerControl::Connect(const std::string& display, std::string* error) {
  auto c = std::make_unique<Connection>();
  c->conn = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
  if (c->conn == nullptr || xcb_connection_has_error(c->conn) != 0) {
    if (error != nullptr) *error = "cannot reach the X display";
    return nullptr;
  }
  return std::unique_ptr<X11PointerControl>(new X11PointerControl(std::move(c)));
}

std::optional<PointerAccel> X11PointerControl::Read() {
  xcb_get_pointer_control_reply_t* r =
      xcb_get_pointer_control_reply(c_->conn, xcb_get_pointer_control(c_->conn), nullptr);
  if (r == nullptr) return std::nullopt;
  PointerAccel a{r->acceleration_numerator, r->acceleration_denominator, r->threshold};
  std::free(r);
  return a;
}

bool X11PointerControl::Write(const PointerAccel& a) {
  xcb_void_cookie_t ck = xcb_change_pointer_control_checked(
      c_->conn, static_cast<int16_t>(a.numerator), static_cast<int16_t>(a.denominator),
      static_cast<int16_t>(a.threshold), 1, 1);
  xcb_generic_error_t* e = xcb_request_check(c_->conn, ck);
  if (e != nullptr) {
    std::free(e);
    return false;
  }
  return true;
}

}  // namespace halvric::linux_hid
