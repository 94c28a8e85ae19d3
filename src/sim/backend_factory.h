#pragma once
// The HID backend a program talks through, built the same way for the desktop program and
// halvricctl: hidraw for real mice, or the simulated mice with their state file and wire trace.

#include <chrono>
#include <memory>
#include <string>

#include "platform/hid_backend.h"

namespace halvric::sim {

class SimHidBackend;

struct BackendOptions {
  std::string simulate;                      // model list of the simulated mice; empty: hidraw
  std::string sim_state;                     // state file of the simulated mice; empty: none
  std::string trace;                         // wire-trace file of the simulated mice; empty: none
  std::chrono::microseconds sim_latency{0};  // per transfer of each simulated mouse
};

struct Backend {
  std::unique_ptr<HidBackend> hid;
  SimHidBackend* simulator = nullptr;  // the same object as `hid` when simulated, else null
};

// Throws std::invalid_argument for an unknown model and std::runtime_error for a state or trace
// file that cannot be used.
Backend CreateBackend(const BackendOptions& options);

}  // namespace halvric::sim
