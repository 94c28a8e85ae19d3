#include "platform/linux/x11_pointer_position.h"

#include <cstdlib>
#include <mutex>
#include <xcb/xcb.h>

namespace halvric::linux_hid {
namespace {

class X11PointerPosition : public PointerPosition {
 public:
  X11PointerPosition(xcb_connection_t* c, xcb_window_t root) : conn_(c), root_(root) {}
  ~X11PointerPosition() override { xcb_disconnect(conn_); }
  X11PointerPosition(const X11PointerPosition&) = delete;
  X11PointerPosition& operator=(const X11PointerPosition&) = delete;

  std::optional<ScreenPoint> Position() override {
    std::lock_guard l(mu_);
    xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr);
    if (r == nullptr) return std::nullopt;
    const ScreenPoint at{r->root_x, r->root_y};
    std::free(r);
    return at;
  }

 private:
  std::mutex mu_;
  xcb_connection_t* conn_;
  xcb_window_t root_;
};

}  // namespace

std::unique_ptr<PointerPosition> ConnectX11PointerPosition() {
  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (c == nullptr || xcb_connection_has_error(c) != 0) {
    if (c != nullptr) xcb_disconnect(c);
    return nullptr;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screen_number && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) {
    xcb_disconnect(c);
    return nullptr;
  }
  return std::make_unique<X11PointerPosition>(c, it.data->root);
}

}  // namespace halvric::linux_hid
