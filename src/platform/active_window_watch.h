#pragma once
// Notice of the active window changing. The watch is set up on the windowing system connection
// the program's toolkit already has; the toolkit hands each of its native events to
// IsActiveWindowChange(), so the foreground check runs when the focus moves instead of on a timer.

namespace halvric {

class ActiveWindowEvents {
 public:
  virtual ~ActiveWindowEvents() = default;
  // True when `native_event`, an event of the windowing system's own type, says the active
  // window changed.
  virtual bool IsActiveWindowChange(const void* native_event) const = 0;
};

}  // namespace halvric
