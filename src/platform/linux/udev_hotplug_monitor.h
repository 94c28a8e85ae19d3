#pragma once
// Hot-plug notifications from udev: a monitor on the hidraw subsystem, read by a thread of its
// own that sleeps in poll() until udev reports an event or Stop wakes it through an eventfd.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "platform/hotplug_monitor.h"

namespace halvric::linux_hid {

// What a udev event means to the monitor's client.
enum class HotplugAction { kAdded, kRemoved, kOther };
HotplugAction ClassifyUdevAction(const char* action);

class UdevHotplugMonitor final : public HotplugMonitor {
 public:
  UdevHotplugMonitor() = default;
  ~UdevHotplugMonitor() override;
  UdevHotplugMonitor(const UdevHotplugMonitor&) = delete;
  UdevHotplugMonitor& operator=(const UdevHotplugMonitor&) = delete;

  bool Start(Callbacks callbacks, std::string* error = nullptr) override;
  void Stop() override;
  bool Running() const override { return running_.load(); }

 private:
  std::mutex control_;  // serialises Start and Stop
  std::jthread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace halvric::linux_hid
