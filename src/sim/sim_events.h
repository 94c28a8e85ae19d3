#pragma once
// Input events a person or a script makes the simulated mouse send, written as a comma-separated
// list ("dpi-up,profile:2,tilt:+3,touch:1"):
//   dpi-up / dpi-down   press the DPI button (one level up or down, within 0-4)
//   dpi:N               the DPI button to level N (0-4)
//   profile:N           the profile button to profile N (0-4)
//   scroll:on|off       DPI-scroll mode on or off (a status report either way)
//   tilt:S              a movement report with S tilt steps (-128..127, + allowed)
//   touch:0|1           a movement report with the touch bit
//   move:DX:DY          a movement report moving the pointer (-32768..32767)
//   host:A              a host-action report with action A (0-255)

#include <cstdint>
#include <string_view>
#include <vector>

#include "sim/sim_mouse.h"

namespace halvric::sim {

struct SimEvent {
  enum class Kind { kDpiUp, kDpiDown, kDpi, kProfile, kScroll, kTilt, kTouch, kMove, kHost };
  Kind kind = Kind::kDpiUp;
  int a = 0;
  int b = 0;
};

// Throws std::invalid_argument naming the first event it cannot read.
std::vector<SimEvent> ParseSimEvents(std::string_view list);

// Makes `mouse` send the event's report.
void ApplySimEvent(SimMouse& mouse, const SimEvent& event);

}  // namespace halvric::sim
