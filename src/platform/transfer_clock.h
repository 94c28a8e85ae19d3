#pragma once
// The clock the transfer layer measures its time limits on. A backend may also implement it to
// run the limits on its own time (the simulated mice's virtual time); without it, the steady
// clock of the system counts.

#include <chrono>

#include "platform/hid_backend.h"

namespace halvric {

class TransferClock {
 public:
  virtual ~TransferClock() = default;
  virtual std::chrono::steady_clock::time_point Now() = 0;
};

// The backend's own clock when it has one, else the steady clock.
inline std::chrono::steady_clock::time_point TransferNow(HidBackend& backend) {
  if (auto* clock = dynamic_cast<TransferClock*>(&backend)) return clock->Now();
  return std::chrono::steady_clock::now();
}

}  // namespace halvric
