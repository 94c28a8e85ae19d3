#include "platform/linux/uinput_injector.h"

#include <algorithm>
#include <cstring>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <unistd.h>

namespace halvric::linux_hid {
namespace {

struct EvdevDeleter {
  void operator()(libevdev* d) const { libevdev_free(d); }
};
using Evdev = std::unique_ptr<libevdev, EvdevDeleter>;

libevdev_uinput* CreateDevice(libevdev* dev, std::string* error) {
  libevdev_uinput* ui = nullptr;
  const int rc = libevdev_uinput_create_from_device(dev, LIBEVDEV_UINPUT_OPEN_MANAGED, &ui);
  if (rc != 0) {
    if (error != nullptr) *error = std::string("/dev/uinput: ") + std::strerror(-rc);
    return nullptr;
  }
  return ui;
}

bool Write(libevdev_uinput* ui, unsigned type, unsigned code, int value) {
  return libevdev_uinput_write_event(ui, type, code, value) == 0;
}

bool Sync(libevdev_uinput* ui) { return Write(ui, EV_SYN, SYN_REPORT, 0); }

void AddAxis(libevdev* dev, unsigned code, int max) {
  input_absinfo abs{};
  abs.minimum = 0;
  abs.maximum = max;
  libevdev_enable_event_code(dev, EV_ABS, code, &abs);
}

}  // namespace

bool UinputInjector::Writable(std::string* error) {
  if (::access("/dev/uinput", W_OK) == 0) return true;
  if (error != nullptr) *error = "/dev/uinput cannot be written";
  return false;
}

std::unique_ptr<UinputInjector> UinputInjector::Create(int screen_width, int screen_height, PointerLocator locator,
                                                       std::string* error) {
  if (screen_width <= 0 || screen_height <= 0) {
    if (error != nullptr) *error = "no screen size";
    return nullptr;
  }
  Evdev pointer(libevdev_new());
  libevdev_set_name(pointer.get(), "Halvric virtual wheel");
  libevdev_enable_event_type(pointer.get(), EV_REL);
  libevdev_enable_event_code(pointer.get(), EV_REL, REL_X, nullptr);
  libevdev_enable_event_code(pointer.get(), EV_REL, REL_Y, nullptr);
  libevdev_enable_event_code(pointer.get(), EV_REL, REL_HWHEEL, nullptr);
  libevdev_enable_event_code(pointer.get(), EV_REL, REL_HWHEEL_HI_RES, nullptr);
  libevdev_enable_event_type(pointer.get(), EV_KEY);
  libevdev_enable_event_code(pointer.get(), EV_KEY, BTN_LEFT, nullptr);  // makes it a pointer device

  Evdev touch(libevdev_new());
  libevdev_set_name(touch.get(), "Halvric virtual touch");
  libevdev_enable_property(touch.get(), INPUT_PROP_DIRECT);
  libevdev_enable_event_type(touch.get(), EV_KEY);
  libevdev_enable_event_code(touch.get(), EV_KEY, BTN_TOUCH, nullptr);
  libevdev_enable_event_type(touch.get(), EV_ABS);
  AddAxis(touch.get(), ABS_X, screen_width - 1);
  AddAxis(touch.get(), ABS_Y, screen_height - 1);
  AddAxis(touch.get(), ABS_MT_SLOT, 0);
  AddAxis(touch.get(), ABS_MT_TRACKING_ID, 65535);
  AddAxis(touch.get(), ABS_MT_POSITION_X, screen_width - 1);
  AddAxis(touch.get(), ABS_MT_POSITION_Y, screen_height - 1);

  libevdev_uinput* p = CreateDevice(pointer.get(), error);
  if (p == nullptr) return nullptr;
  libevdev_uinput* t = CreateDevice(touch.get(), error);
  if (t == nullptr) {
    libevdev_uinput_destroy(p);
    return nullptr;
  }
  return std::unique_ptr<UinputInjector>(
      new UinputInjector(p, t, screen_width, screen_height, std::move(locator)));
}

UinputInjector::UinputInjector(libevdev_uinput* pointer, libevdev_uinput* touch, int width, int height,
                               PointerLocator locator)
    : pointer_(pointer), touch_(touch), width_(width), height_(height), locator_(std::move(locator)) {}

UinputInjector::~UinputInjector() {
  libevdev_uinput_destroy(touch_);
  libevdev_uinput_destroy(pointer_);
}

bool UinputInjector::ScrollHorizontal(int units) {
  if (units == 0) return true;
  // Smooth-scrolling clients read the high-resolution axis, the others whole steps.
  hires_rest_ += units;
  const int steps = hires_rest_ / kWheelStep;
  hires_rest_ -= steps * kWheelStep;
  bool ok = Write(pointer_, EV_REL, REL_HWHEEL_HI_RES, units);
  if (steps != 0) ok = Write(pointer_, EV_REL, REL_HWHEEL, steps) && ok;
  return Sync(pointer_) && ok;
}

bool UinputInjector::MovePointer(int dx, int dy) {
  if (dx == 0 && dy == 0) return true;
  bool ok = true;
  if (dx != 0) ok = Write(pointer_, EV_REL, REL_X, dx) && ok;
  if (dy != 0) ok = Write(pointer_, EV_REL, REL_Y, dy) && ok;
  return Sync(pointer_) && ok;
}

std::optional<ScreenPoint> UinputInjector::PointerPosition() {
  if (!locator_) return std::nullopt;
  return locator_();
}

bool UinputInjector::Touch(TouchPhase phase, ScreenPoint at) {
  const int x = std::clamp(at.x, 0, width_ - 1);
  const int y = std::clamp(at.y, 0, height_ - 1);
  // A touch screen has no hover state: only contact changes and moves are sent.
  if (phase == TouchPhase::kHover || phase == TouchPhase::kLeave) return true;
  bool ok = Write(touch_, EV_ABS, ABS_MT_SLOT, 0);
  switch (phase) {
    case TouchPhase::kHover:
    case TouchPhase::kLeave:
      break;
    case TouchPhase::kDown:
      ok = Write(touch_, EV_ABS, ABS_MT_TRACKING_ID, 0) && ok;
      ok = Write(touch_, EV_KEY, BTN_TOUCH, 1) && ok;
      [[fallthrough]];
    case TouchPhase::kMove:
      ok = Write(touch_, EV_ABS, ABS_MT_POSITION_X, x) && ok;
      ok = Write(touch_, EV_ABS, ABS_MT_POSITION_Y, y) && ok;
      ok = Write(touch_, EV_ABS, ABS_X, x) && ok;
      ok = Write(touch_, EV_ABS, ABS_Y, y) && ok;
      break;
    case TouchPhase::kUp:
      ok = Write(touch_, EV_ABS, ABS_MT_TRACKING_ID, -1) && ok;
      ok = Write(touch_, EV_KEY, BTN_TOUCH, 0) && ok;
      break;
  }
  return Sync(touch_) && ok;
}

}  // namespace halvric::linux_hid
