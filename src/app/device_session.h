#pragma once
// The desktop program's side of the mouse: the HID backend (hidraw or the simulated mice), the
// device layer, one worker thread that runs every exchange with the mouse in the order asked and
// the hot-plug source; it tells the report service when to read the connected mice. The window
// thread only queues work here; results come back to it as queued calls, so it never waits on the
// mouse.

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "config/working_copy.h"
#include "device/device_layer.h"
#include "device/model_layout.h"
#include "platform/hid_backend.h"
#include "platform/hotplug_monitor.h"
#include "services/device_connection.h"

namespace halvric {

namespace sim {
class SimHidBackend;
}
class ReportService;
class SimHotplugSource;

struct SessionOptions {
  std::string simulate;   // model list; empty: hidraw
  std::string sim_state;  // state file of the simulated mice
  std::chrono::microseconds sim_latency{0};
  std::string lock_file;  // transfer lock file; empty: the default
  // Where the automatic backup goes before a never-initialised memory is repaired; empty: none.
  std::filesystem::path data_folder;
};

class DeviceSession : public QObject, public DeviceConnection {
  Q_OBJECT

 public:
  explicit DeviceSession(const SessionOptions& options, QObject* parent = nullptr);
  ~DeviceSession() override;

  // Stops the hot-plug source, the worker and the report service's readers, joining each.
  // Idempotent.
  void Shutdown() override;

  // The service that reads the mice's input reports: started after each connect and on resume.
  // Set once, before the first connect; it outlives the session's worker.
  void SetReportService(ReportService* reports) override { reports_ = reports; }

  DeviceLayer& dev() { return *dev_; }
  DeviceLayer& Device() override { return *dev_; }
  HidBackend& backend() override { return *backend_; }
  sim::SimHidBackend* simulator() { return sim_; }
  SimHotplugSource* simHotplug() { return sim_hotplug_; }

  // Starts watching for mice plugged in and out (udev, or the simulated source).
  bool StartHotplug(std::string* error = nullptr) override;

  // Queues `job` for the worker thread; `done` then runs on the window's thread.
  void Post(Job job, std::function<void()> done = {}) override;
  // Jobs queued or running.
  int Pending() const { return pending_.load(); }

  // The connect sequence on the worker: enumerate on the first run, select, read everything.
  // Ignored while one is queued or running (returns false). The outcome arrives by `connected`.
  bool Connect(bool first_run, const std::string& requested_path) override;
  bool Connecting() const { return connecting_.load(); }
  // Progress of long jobs (0..1), delivered on the window's thread.
  void ReportProgress(double fraction) override;

  // The input-report readers stop while something else reads the mouse's input interface for
  // itself (the firmware write waits for its acknowledgements there), so that no report is taken
  // away from it or seen twice. Resuming starts them again on the worker.
  void PauseReaders() override;
  void ResumeReaders() override;

  // An arrival: after 200 ms the interface is identified on the worker, then `arrivalDone`.
  void HandleArrival(const std::string& path) override;
  // A removal: the interface leaves the device list (on the worker).
  void HandleRemoval(const std::string& path) override;

 signals:
  void connected(std::shared_ptr<const ConnectOutcome> outcome);
  void deviceAdded(QString path);
  void deviceRemoved(QString path);
  void arrivalDone(bool accepted);
  void progress(double fraction);

 private:
  void Run(std::stop_token stop);
  void StartReaders();

  std::unique_ptr<HidBackend> backend_;
  sim::SimHidBackend* sim_ = nullptr;
  std::unique_ptr<DeviceLayer> dev_;
  std::filesystem::path data_folder_;
  ReportService* reports_ = nullptr;
  std::unique_ptr<HotplugMonitor> hotplug_;
  SimHotplugSource* sim_hotplug_ = nullptr;

  WorkingCopy worker_wc_;  // the worker's copy; only the worker touches it
  std::atomic<bool> connecting_{false};
  std::atomic<bool> readers_paused_{false};
  std::atomic<int> pending_{0};
  std::mutex mu_;
  std::condition_variable_any wake_;
  std::deque<std::function<void()>> jobs_;
  std::jthread worker_;
  bool shut_down_ = false;
};

}  // namespace halvric
