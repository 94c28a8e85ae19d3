#pragma once
// Notifications of HID interfaces appearing and disappearing. Paths are the same lower-cased
// keys that HidBackend::Enumerate reports.

#include <functional>
#include <string>

namespace halvric {

class HotplugMonitor {
 public:
  struct Callbacks {
    std::function<void(const std::string& path)> added;
    std::function<void(const std::string& path)> removed;
  };

  virtual ~HotplugMonitor() = default;

  // Begins watching; callbacks run on a thread of the monitor, one at a time, and must not call
  // Stop. False (with a short reason in `error`) when watching is impossible or already running.
  virtual bool Start(Callbacks callbacks, std::string* error = nullptr) = 0;
  // Ends watching and waits for the monitor's thread; no callback runs after it returns.
  // Harmless when not running.
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
};

}  // namespace halvric
