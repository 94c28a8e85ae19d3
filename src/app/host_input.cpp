#include "app/host_input.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/linux/uinput_injector.h"
#include "services/movement_intake.h"
#include "services/tilt_scroll.h"
#include "services/touch_emulation.h"

namespace halvric {

// Where the pointer is, asked of the X server on a connection of its own (the touch thread asks
// once per touch step, so it must not share the window's connection).
class X11PointerQuery {
 public:
  static std::shared_ptr<X11PointerQuery> Connect() {
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
    return std::shared_ptr<X11PointerQuery>(new X11PointerQuery(c, it.data->root));
  }
  ~X11PointerQuery() { xcb_disconnect(conn_); }

  std::optional<ScreenPoint> Position() {
    std::lock_guard l(mu_);
    xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr);
    if (r == nullptr) return std::nullopt;
    const ScreenPoint at{r->root_x, r->root_y};
    std::free(r);
    return at;
  }

 private:
  X11PointerQuery(xcb_connection_t* c, xcb_window_t root) : conn_(c), root_(root) {}
  std::mutex mu_;
  xcb_connection_t* conn_;
  xcb_window_t root_;
};

std::unique_ptr<HostInput> HostInput::Start(int screen_width, int screen_height, std::string* error) {
  if (::access("/dev/uinput", W_OK) != 0) {
    if (error != nullptr) *error = "/dev/uinput cannot be written";
    return nullptr;
  }
  std::unique_ptr<HostInput> h(new HostInput);
  h->pointer_ = X11PointerQuery::Connect();
  linux_hid::UinputInjector::PointerLocator locator;
  if (h->pointer_) locator = [p = h->pointer_] { return p->Position(); };
  h->injector_ = linux_hid::UinputInjector::Create(screen_width, screen_height, std::move(locator), error);
  if (!h->injector_) return nullptr;
  h->tilt_ = std::make_unique<TiltScroll>(*h->injector_);
  h->touch_ = std::make_unique<TouchEmulation>(*h->injector_);
  h->intake_ = std::make_unique<MovementIntake>(*h->injector_, *h->tilt_, h->touch_.get());
  h->tilt_->Start();
  h->touch_->Start();
  return h;
}

HostInput::~HostInput() {
  // The threads end before the injector they use.
  if (touch_) touch_->Stop();
  if (tilt_) tilt_->Stop();
}

}  // namespace halvric
