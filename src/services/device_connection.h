#pragma once
// How the main window reaches the device session beyond its jobs: the connect sequence, mice
// plugged in and out, the progress of long jobs, and the start and end of the session's work.
// The desktop program's device session implements it; its results reach the window through the
// session's own notifications, which the program connects to the window.

#include <string>
#include <vector>

#include "config/working_copy.h"
#include "device/device_layer.h"
#include "device/model_layout.h"
#include "services/device_jobs.h"

namespace halvric {

class HidBackend;
class ReportService;

// What one run of the connect sequence found.
struct ConnectOutcome {
  std::string path;          // empty: no mouse
  bool loaded = false;       // the working copy holds the mouse's settings
  ModelLayout layout;
  DeviceInfo info;
  std::vector<std::string> mice;  // every listed mouse, for the device selector
  std::vector<std::string> mouse_names;  // the model name of each listed mouse, in the same order
  WorkingCopy wc;
  // With no mouse: why a mouse that is present cannot be used (a node the user may not open,
  // and the fix), as halvricctl says it; empty when there is simply none.
  std::string problem;
};

class DeviceConnection : public DeviceJobs {
 public:
  // The HID backend the report service reads the mice's input reports from.
  virtual HidBackend& backend() = 0;
  // The report service, started after each connect; set once, before the first connect.
  virtual void SetReportService(ReportService* reports) = 0;
  // Starts watching for mice plugged in and out.
  virtual bool StartHotplug(std::string* error = nullptr) = 0;
  // Queues the connect sequence; ignored (false) while one is queued or running.
  virtual bool Connect(bool first_run, const std::string& requested_path) = 0;
  // A mouse interface appeared or went away.
  virtual void HandleArrival(const std::string& path) = 0;
  virtual void HandleRemoval(const std::string& path) = 0;
  // Progress of a long job (0..1), from the device thread.
  virtual void ReportProgress(double fraction) = 0;
  // Stops the session's threads, joining each. Idempotent.
  virtual void Shutdown() = 0;
};

}  // namespace halvric
