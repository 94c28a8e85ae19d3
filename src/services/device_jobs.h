#pragma once
// How the windows reach the mouse: they post jobs that run, in the order posted, on the thread
// that owns the device layer, and hand a completion that runs back on the window's thread. The
// desktop program's device session implements it; tests may implement it on their own.

#include <functional>

namespace halvric {

class DeviceLayer;
struct WorkingCopy;

class DeviceJobs {
 public:
  using Job = std::function<void(DeviceLayer& dev, WorkingCopy& wc)>;

  virtual ~DeviceJobs() = default;

  // Queues `job` for the device thread; `done` then runs on the window's thread.
  virtual void Post(Job job, std::function<void()> done = {}) = 0;
  // The device layer, for work that runs on a thread of its own (the firmware write); every other
  // access goes through Post.
  virtual DeviceLayer& Device() = 0;
  // The input-report readers stop while a window reads the mouse's input interface itself, so
  // that no report is taken away from it or seen twice; resuming starts them again.
  virtual void PauseReaders() = 0;
  virtual void ResumeReaders() = 0;
};

}  // namespace halvric
