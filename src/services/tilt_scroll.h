#pragma once
// Turns the mouse's wheel tilts into horizontal wheel input: the movement intake adds tilt steps
// to a counter and wakes the scroll thread, which takes all pending steps at once and sends them
// as one horizontal wheel movement of 120 units per step (positive = right). Steps added while a
// round runs are carried out by the next round; none is lost or doubled.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/input_injector.h"

namespace halvric {

class TiltScroll {
 public:
  explicit TiltScroll(InputInjector& injector) : injector_(injector) {}
  ~TiltScroll() { Stop(); }
  TiltScroll(const TiltScroll&) = delete;
  TiltScroll& operator=(const TiltScroll&) = delete;

  // Adds signed steps (right positive) and wakes the thread.
  void AddSteps(int steps);
  int PendingSteps() const;

  // One round: takes the pending steps and scrolls by them. Returns the steps carried out.
  int RunRound();

  // The scroll thread: waits for steps and runs rounds until stopped.
  void Start();
  void Stop();

 private:
  void Run(std::stop_token stop);

  InputInjector& injector_;
  mutable std::mutex mu_;
  std::condition_variable_any wake_;
  int steps_ = 0;
  std::jthread thread_;
};

}  // namespace halvric
