#include "services/touch_emulation.h"

namespace halvric {

void TouchEmulation::SetTouchState(bool on) {
  if (state_.exchange(on) == on) return;
  {
    std::lock_guard l(mu_);
    ++changes_;
  }
  wake_.notify_all();
}

bool TouchEmulation::Position(ScreenPoint& at) {
  const std::optional<ScreenPoint> p = injector_.PointerPosition();
  if (!p) return false;
  at = *p;
  return true;
}

bool TouchEmulation::RunSequence(std::stop_token stop) {
  if (stop.stop_requested() || !state_.load()) return false;
  ScreenPoint at;
  if (!Position(at)) return false;
  injector_.Touch(TouchPhase::kHover, at);
  std::this_thread::sleep_for(step_);
  injector_.Touch(TouchPhase::kDown, at);
  std::this_thread::sleep_for(step_);
  // A stop request lifts the contact rather than leaving it down.
  while (state_.load() && !stop.stop_requested()) {
    Position(at);
    injector_.Touch(TouchPhase::kMove, at);
    std::this_thread::sleep_for(step_);
  }
  injector_.Touch(TouchPhase::kUp, at);
  std::this_thread::sleep_for(step_);
  injector_.Touch(TouchPhase::kLeave, at);
  std::this_thread::sleep_for(step_);
  return true;
}

void TouchEmulation::Start() {
  if (thread_.joinable()) return;
  // Changes from now on wake the thread, even those made before it first waits.
  unsigned seen = 0;
  {
    std::lock_guard l(mu_);
    seen = changes_;
  }
  thread_ = std::jthread([this, seen](std::stop_token stop) { Run(stop, seen); });
}

void TouchEmulation::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  thread_ = std::jthread();
}

void TouchEmulation::Run(std::stop_token stop, unsigned seen) {
  while (!stop.stop_requested()) {
    {
      std::unique_lock l(mu_);
      if (!wake_.wait(l, stop, [&] { return changes_ != seen; })) return;
      seen = changes_;
    }
    RunSequence(stop);
  }
}

}  // namespace halvric
