#include "platform/stop_signals.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace halvric {

// The signals are blocked rather than caught: no handler (and so no global flag) is needed, and
// sigtimedwait takes them in order.
struct StopSignals::State {
  sigset_t stop{};
  sigset_t previous{};
};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
  sigemptyset(&state_->stop);
  sigaddset(&state_->stop, SIGINT);
  sigaddset(&state_->stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &state_->stop, &state_->previous);
}

StopSignals::~StopSignals() {
  // A request still pending would end the process the moment it is unblocked.
  const timespec none{0, 0};
  while (sigtimedwait(&state_->stop, nullptr, &none) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
}

int StopSignals::Wait(std::chrono::milliseconds limit) {
  const auto ms = limit.count() < 0 ? 0 : limit.count();
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
  for (;;) {
    const int sig = sigtimedwait(&state_->stop, nullptr, &ts);
    if (sig > 0) return sig;
    if (errno != EINTR) return 0;
  }
}

}  // namespace halvric
