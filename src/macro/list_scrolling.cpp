#include "macro/list_scrolling.h"

#include <cstdlib>

namespace halvric {

int WheelAccelerator::Rows(int delta, int64_t now_ms) {
  if (delta == 0) return 0;
  if (delta > -120 && delta < 120) delta = delta < 0 ? -120 : 120;
  if (last_ms_ >= 0 && now_ms - last_ms_ <= 60) {
    if (factor_ < limit_) factor_ *= 1.4;
  } else {
    factor_ = 1.0;
  }
  last_ms_ = now_ms;
  return -static_cast<int>(delta * factor_ / 120.0);
}

int SmoothScrollStep(int distance, bool dragging) {
  const int d = std::abs(distance);
  if (d == 0) return 0;
  const int k = dragging ? 2 : 1;
  int step;
  if (d < 5) step = 1;
  else if (d < 9) step = 2 * k;
  else if (d <= 16) step = 4 * k;
  else if (d <= 32) step = 8 * k;
  else step = d * k / 4;
  if (step > d) step = d;
  return distance < 0 ? -step : step;
}

int AutoRepeatDelayMs(int repeats) {
  if (repeats <= 0) return 500;
  if (repeats <= 5) return 128;
  if (repeats <= 20) return 64;
  if (repeats <= 40) return 32;
  if (repeats <= 80) return 16;
  return 8;
}

}  // namespace halvric
