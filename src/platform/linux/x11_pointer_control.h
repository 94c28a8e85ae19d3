#pragma once
// Pointer acceleration through the X server's pointer control (acceleration fraction and
// threshold), which every X server has.

#include <memory>
#include <string>

#include "platform/pointer_acceleration.h"

namespace halvric::linux_hid {

class X11PointerControl : public PointerSettings {
 public:
  // nullptr, with a reason, when `display` (empty: $DISPLAY) cannot be reached.
  static std::unique_ptr<X11PointerControl> Connect(const std::string& display = {}, std::string* error = nullptr);
  ~X11PointerControl() override;
  X11PointerControl(const X11PointerControl&) = delete;
  X11PointerControl& operator=(const X11PointerControl&) = delete;

  std::optional<PointerAccel> Read() override;
  bool Write(const PointerAccel& accel) override;

 private:
  struct Connection;
  explicit X11PointerControl(std::unique_ptr<Connection> c);
  std::unique_ptr<Connection> c_;
};

}  // namespace halvric::linux_hid
