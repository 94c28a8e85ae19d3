#pragma once
// The mouse's movement reports turned into input on this computer: wheel tilts become horizontal
// scrolling (the tilt-scroll thread), the touch state makes the pointer act as a finger (the
// touch thread) and pointer moves move the pointer. Synthesised through uinput, so it only exists
// where /dev/uinput may be written. Both threads sleep until a report gives them work.

#include <memory>
#include <string>

namespace halvric {

namespace linux_hid {
class UinputInjector;
}
class MovementIntake;
class TiltScroll;
class TouchEmulation;
class PointerPosition;

class HostInput {
 public:
  // Null, with the reason, when uinput cannot be used. `screen_width` x `screen_height` is the
  // desktop the touch device spans. Touch needs the pointer's global position, which only the X
  // server tells (a native Wayland client never learns it): without `with_touch` only tilt-scroll
  // and pointer moves run.
  static std::unique_ptr<HostInput> Start(int screen_width, int screen_height, bool with_touch,
                                          std::string* error = nullptr);
  // Whether this process may write the uinput device at all (the common reason it cannot run).
  static bool DeviceWritable();
  ~HostInput();
  HostInput(const HostInput&) = delete;
  HostInput& operator=(const HostInput&) = delete;

  // Where the report service hands the movement reports, on its reading thread.
  MovementIntake* Intake() const { return intake_.get(); }

 private:
  HostInput() = default;
  std::shared_ptr<PointerPosition> pointer_;
  std::unique_ptr<linux_hid::UinputInjector> injector_;
  std::unique_ptr<TiltScroll> tilt_;
  std::unique_ptr<TouchEmulation> touch_;
  std::unique_ptr<MovementIntake> intake_;
};

}  // namespace halvric
