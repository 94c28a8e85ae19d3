#pragma once
// Interrupt and termination requests (Ctrl-C, kill) taken as requests to stop, for work that must
// end at a safe point rather than at once (a firmware write between two pieces).

#include <chrono>
#include <memory>

namespace halvric {

class StopSignals {
 public:
  // From here on an interrupt or termination request no longer ends the process while this object
  // lives: in the calling thread and the threads it starts afterwards it waits to be taken by Wait.
  StopSignals();
  // Takes the requests still pending, then restores the previous handling.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Waits up to `limit` for a request; returns its signal number, or 0 when none came.
  int Wait(std::chrono::milliseconds limit);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace halvric
