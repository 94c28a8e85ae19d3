#pragma once
// Synthesised input on behalf of the mouse: horizontal wheel, pointer moves and one touch
// contact that follows the pointer.

#include <optional>

namespace halvric {

inline constexpr int kWheelStep = 120;  // wheel units of one tilt step

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// The phases of the single touch contact.
enum class TouchPhase {
  kHover,  // in range, not touching (before the contact comes down)
  kDown,   // contact comes down
  kMove,   // contact stays down and follows the pointer
  kUp,     // contact lifts, still in range
  kLeave,  // out of range
};

class InputInjector {
 public:
  virtual ~InputInjector() = default;
  // Horizontal wheel in units of 1/120 step; positive scrolls right.
  virtual bool ScrollHorizontal(int units) = 0;
  // Moves the pointer by (dx, dy) from where it is.
  virtual bool MovePointer(int dx, int dy) = 0;
  // Where the pointer is now; nullopt when it cannot be told.
  virtual std::optional<ScreenPoint> PointerPosition() = 0;
  virtual bool Touch(TouchPhase phase, ScreenPoint at) = 0;
};

}  // namespace halvric
