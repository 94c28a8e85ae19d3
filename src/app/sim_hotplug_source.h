#pragma once
// Plugging the simulated mice in and out while the program runs: the same notifications as the
// udev monitor, raised on a thread of this source when a mouse is unplugged or plugged back.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "platform/hotplug_monitor.h"
#include "sim/sim_hid_backend.h"

namespace halvric {

class SimHotplugSource final : public HotplugMonitor {
 public:
  explicit SimHotplugSource(sim::SimHidBackend& backend) : backend_(backend) {}
  ~SimHotplugSource() override { Stop(); }
  SimHotplugSource(const SimHotplugSource&) = delete;
  SimHotplugSource& operator=(const SimHotplugSource&) = delete;

  bool Start(Callbacks callbacks, std::string* error = nullptr) override;
  void Stop() override;
  bool Running() const override;

  // Mouse `index` of the backend goes away (or comes back); one notification per interface.
  // False for an index out of range or a mouse already in that state.
  bool Unplug(size_t index);
  bool Plug(size_t index);
  bool Plugged(size_t index) const;

 private:
  bool Change(size_t index, bool plugged);
  void Run(std::stop_token stop);

  sim::SimHidBackend& backend_;
  mutable std::mutex mu_;
  std::condition_variable_any wake_;
  std::deque<std::pair<bool, std::string>> events_;  // (added, path)
  Callbacks callbacks_;
  std::jthread thread_;
};

}  // namespace halvric
