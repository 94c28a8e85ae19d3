#pragma once
// Whether a compositing manager runs on the X display: only then do translucent windows blend
// with what lies under them; without one their transparent pixels show black.

#include <memory>
#include <string>

namespace halvric::linux_hid {

class X11Compositor {
 public:
  // nullptr when `display` (empty: $DISPLAY) cannot be reached.
  static std::unique_ptr<X11Compositor> Connect(const std::string& display = {});
  ~X11Compositor();
  X11Compositor(const X11Compositor&) = delete;
  X11Compositor& operator=(const X11Compositor&) = delete;

  // A compositing manager owns the _NET_WM_CM_S<screen> selection now (asked each time, as one
  // may start or stop while the program runs).
  bool Running() const;

 private:
  struct Connection;
  explicit X11Compositor(std::unique_ptr<Connection> c);
  std::unique_ptr<Connection> c_;
};

}  // namespace halvric::linux_hid
