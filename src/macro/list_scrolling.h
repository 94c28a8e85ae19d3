#pragma once
// Scrolling rules shared by the program's custom-drawn lists: wheel acceleration, the smooth
// approach of a scroll offset to its target, and the delays of a held arrow button.

#include <cstdint>

namespace halvric {

// Wheel turning that speeds up: an event within 60 ms of the previous one multiplies the factor
// by 1.4 while it is below the limit; a later one resets it to 1.
class WheelAccelerator {
 public:
  explicit WheelAccelerator(double limit) : limit_(limit) {}

  // Rows to move for one wheel event of `delta` (120 per notch; smaller deltas count as one
  // notch) at `now_ms`. Positive deltas scroll up (towards row 0), so the result is negated.
  int Rows(int delta, int64_t now_ms);
  double factor() const { return factor_; }

 private:
  double limit_;
  double factor_ = 1.0;
  int64_t last_ms_ = -1;
};

// One step of a scroll offset towards its target at distance `distance` (either sign): 1 below
// 5, 2k below 9, 4k up to 16, 8k up to 32, and distance x k / 4 beyond, with k = 2 while a row
// is dragged and 1 otherwise. Never overshoots.
int SmoothScrollStep(int distance, bool dragging);

// Delay before the next repeat of a held arrow button after `repeats` repeats: 500 ms before the
// first, then 128 ms for the first 5, 64 up to 20, 32 up to 40, 16 up to 80, then 8 ms.
int AutoRepeatDelayMs(int repeats);
// The repeat count stops growing here.
inline constexpr int kAutoRepeatCountLimit = 110;

}  // namespace halvric
