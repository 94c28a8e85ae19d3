#pragma once
// Makes the pointer act as a finger while the mouse holds its touch state: on a change of the
// state the touch thread runs a touch sequence, which puts one contact down at the pointer,
// moves it with the pointer at one update per step time while the state stays on, and lifts it
// when the state goes off:
//   hover at the pointer, down, (move to the pointer)*, up, leave; a step time after each.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/input_injector.h"

namespace halvric {

inline constexpr std::chrono::milliseconds kTouchStep{8};

class TouchEmulation {
 public:
  explicit TouchEmulation(InputInjector& injector, std::chrono::milliseconds step = kTouchStep)
      : injector_(injector), step_(step) {}
  ~TouchEmulation() { Stop(); }
  TouchEmulation(const TouchEmulation&) = delete;
  TouchEmulation& operator=(const TouchEmulation&) = delete;

  // The touch bit of a movement report; a change wakes the touch thread.
  void SetTouchState(bool on);
  bool TouchState() const { return state_.load(); }

  // One touch sequence (nothing when the state is off, the stop is requested or the pointer
  // position cannot be told). Returns whether a contact was put down.
  bool RunSequence(std::stop_token stop = {});

  void Start();
  void Stop();

 private:
  void Run(std::stop_token stop, unsigned seen);
  bool Position(ScreenPoint& at);

  InputInjector& injector_;
  const std::chrono::milliseconds step_;
  std::atomic<bool> state_{false};
  std::mutex mu_;
  std::condition_variable_any wake_;
  unsigned changes_ = 0;  // guarded by mu_
  std::jthread thread_;
};

}  // namespace halvric
