#pragma once
// An input injector that records what would be injected, and a wait for a condition that other
// threads bring about, for the tests of tilt, touch and the report service.

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/input_injector.h"

namespace halvric::test {

// Records what would be injected.
class RecordingInjector : public InputInjector {
 public:
  bool ScrollHorizontal(int units) override {
    std::lock_guard l(mu_);
    wheel_.push_back(units);
    return true;
  }
  bool MovePointer(int dx, int dy) override {
    std::lock_guard l(mu_);
    ++moves_;
    pointer_.x += dx;
    pointer_.y += dy;
    return true;
  }
  std::optional<ScreenPoint> PointerPosition() override {
    std::lock_guard l(mu_);
    return pointer_;
  }
  bool Touch(TouchPhase phase, ScreenPoint at) override {
    std::lock_guard l(mu_);
    touches_.emplace_back(phase, at);
    return true;
  }

  std::vector<int> Wheel() const { std::lock_guard l(mu_); return wheel_; }
  int Moves() const { std::lock_guard l(mu_); return moves_; }
  std::vector<std::pair<TouchPhase, ScreenPoint>> Touches() const { std::lock_guard l(mu_); return touches_; }
  bool HasTouch(TouchPhase phase) const {
    std::lock_guard l(mu_);
    for (const auto& t : touches_) {
      if (t.first == phase) return true;
    }
    return false;
  }

 private:
  mutable std::mutex mu_;
  std::vector<int> wheel_;
  int moves_ = 0;
  ScreenPoint pointer_{100, 100};
  std::vector<std::pair<TouchPhase, ScreenPoint>> touches_;
};

template <typename Pred>
inline bool WaitFor(Pred pred) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace halvric::test
