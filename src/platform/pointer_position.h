#pragma once
// Where the pointer is on the desktop, for input synthesised at the pointer (the touch contact).

#include <memory>
#include <optional>

#include "platform/input_injector.h"

namespace halvric {

class PointerPosition {
 public:
  virtual ~PointerPosition() = default;
  // The pointer's position in desktop pixels; nullopt when it cannot be told. Thread-safe.
  virtual std::optional<ScreenPoint> Position() = 0;
};

}  // namespace halvric
