#pragma once
// Progress of long device work, as a fraction from 0 to 1; may be empty.

#include <functional>

namespace halvric {

using ProgressFn = std::function<void(double fraction)>;

inline void ReportProgress(const ProgressFn& fn, double fraction) {
  if (fn) fn(fraction);
}

}  // namespace halvric
