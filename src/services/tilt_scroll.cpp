#include "services/tilt_scroll.h"

namespace halvric {

void TiltScroll::AddSteps(int steps) {
  {
    std::lock_guard l(mu_);
    steps_ += steps;
  }
  wake_.notify_all();
}

int TiltScroll::PendingSteps() const {
  std::lock_guard l(mu_);
  return steps_;
}

int TiltScroll::RunRound() {
  int n = 0;
  {
    std::lock_guard l(mu_);
    n = steps_;
    steps_ = 0;
  }
  if (n != 0) injector_.ScrollHorizontal(n * kWheelStep);
  return n;
}

void TiltScroll::Start() {
  if (thread_.joinable()) return;
  thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

void TiltScroll::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  thread_ = std::jthread();
}

void TiltScroll::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    {
      std::unique_lock l(mu_);
      if (!wake_.wait(l, stop, [this] { return steps_ != 0; })) return;
    }
    RunRound();
  }
}

}  // namespace halvric
