#pragma once
// Synthesised input through uinput: one virtual pointer device (relative moves, horizontal wheel
// with REL_HWHEEL and REL_HWHEEL_HI_RES) and one virtual touch screen with a single contact
// (multi-touch slot 0 plus BTN_TOUCH and ABS_X/ABS_Y) spanning the screen size given.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/input_injector.h"

struct libevdev_uinput;

namespace halvric::linux_hid {

class UinputInjector : public InputInjector {
 public:
  // Tells where the pointer is (a desktop query such as X11 QueryPointer); may be empty, in which
  // case the injector only knows the moves it made itself.
  using PointerLocator = std::function<std::optional<ScreenPoint>()>;

  // Creates the two virtual devices; nullptr with a reason (e.g. "/dev/uinput: permission denied")
  // when uinput is not available.
  static std::unique_ptr<UinputInjector> Create(int screen_width, int screen_height, PointerLocator locator,
                                                std::string* error = nullptr);
  // Whether this process may write /dev/uinput; false with "/dev/uinput cannot be written".
  static bool Writable(std::string* error = nullptr);
  ~UinputInjector() override;
  UinputInjector(const UinputInjector&) = delete;
  UinputInjector& operator=(const UinputInjector&) = delete;

  bool ScrollHorizontal(int units) override;
  bool MovePointer(int dx, int dy) override;
  std::optional<ScreenPoint> PointerPosition() override;
  bool Touch(TouchPhase phase, ScreenPoint at) override;

 private:
  UinputInjector(libevdev_uinput* pointer, libevdev_uinput* touch, int width, int height, PointerLocator locator);
  libevdev_uinput* pointer_;
  libevdev_uinput* touch_;
  const int width_;
  const int height_;
  const PointerLocator locator_;
  int hires_rest_ = 0;  // wheel units not yet worth a whole REL_HWHEEL step
};

}  // namespace halvric::linux_hid
