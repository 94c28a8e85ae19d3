#pragma once
// What a movement report does: the touch bit goes to the touch emulation, a non-zero pointer
// move moves the pointer, and the tilt steps go to the tilt scroll.

#include "platform/input_injector.h"
#include "services/tilt_scroll.h"
#include "services/touch_emulation.h"
#include "services/vendor_report.h"

namespace halvric {

class MovementIntake {
 public:
  // `touch` may be null when touch emulation is off.
  MovementIntake(InputInjector& injector, TiltScroll& tilt, TouchEmulation* touch)
      : injector_(injector), tilt_(tilt), touch_(touch) {}

  void Apply(const MovementReport& report);

 private:
  InputInjector& injector_;
  TiltScroll& tilt_;
  TouchEmulation* touch_;
};

}  // namespace halvric
