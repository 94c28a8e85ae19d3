#include "app/device_session.h"

#include <QMetaObject>
#include <cstdio>
#include <exception>

#include "app/sim_hotplug_source.h"
#include "device/permission_problem.h"
#include "config/auto_backup.h"
#include "config/connect_and_read.h"
#include "device/model_layout.h"
#include "platform/folders.h"
#include "platform/linux/udev_hotplug_monitor.h"
#include "services/report_service.h"
#include "sim/backend_factory.h"
#include "sim/sim_hid_backend.h"

namespace halvric {

DeviceSession::DeviceSession(const SessionOptions& options, QObject* parent)
    : QObject(parent), data_folder_(options.data_folder) {
  qRegisterMetaType<std::shared_ptr<const ConnectOutcome>>("std::shared_ptr<const ConnectOutcome>");
  sim::Backend made = sim::CreateBackend({options.simulate, options.sim_state, {}, options.sim_latency});
  backend_ = std::move(made.hid);
  sim_ = made.simulator;
  dev_ = std::make_unique<DeviceLayer>(*backend_, options.lock_file);
  worker_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

DeviceSession::~DeviceSession() { Shutdown(); }

void DeviceSession::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  if (hotplug_) hotplug_->Stop();
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
  if (reports_ != nullptr) reports_->StopReading();
  if (sim_ != nullptr) {
    // The window is closing: a state file that cannot be written (a full disk) is reported,
    // not thrown out of a destructor.
    try {
      sim_->SaveState();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "halvric: the simulated mice's state was not saved: %s\n", e.what());
    }
  }
}

bool DeviceSession::StartHotplug(std::string* error) {
  if (hotplug_) return true;
  if (sim_ != nullptr) {
    auto source = std::make_unique<SimHotplugSource>(*sim_);
    sim_hotplug_ = source.get();
    hotplug_ = std::move(source);
  } else {
    hotplug_ = std::make_unique<linux_hid::UdevHotplugMonitor>();
  }
  HotplugMonitor::Callbacks cb;
  cb.added = [this](const std::string& path) {
    const QString p = QString::fromStdString(path);
    QMetaObject::invokeMethod(this, [this, p] { emit deviceAdded(p); }, Qt::QueuedConnection);
  };
  cb.removed = [this](const std::string& path) {
    const QString p = QString::fromStdString(path);
    QMetaObject::invokeMethod(this, [this, p] { emit deviceRemoved(p); }, Qt::QueuedConnection);
  };
  return hotplug_->Start(std::move(cb), error);
}

void DeviceSession::Post(Job job, std::function<void()> done) {
  pending_.fetch_add(1);
  std::lock_guard l(mu_);
  jobs_.push_back([this, job = std::move(job), done = std::move(done)] {
    // `done` runs even when the job throws: the window waits for it to end its busy state.
    const auto finish = [&] {
      pending_.fetch_sub(1);
      if (done) QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
    };
    try {
      job(*dev_, worker_wc_);
    } catch (...) {
      finish();
      throw;
    }
    finish();
  });
  wake_.notify_one();
}

void DeviceSession::ReportProgress(double fraction) {
  QMetaObject::invokeMethod(this, [this, fraction] { emit progress(fraction); }, Qt::QueuedConnection);
}

bool DeviceSession::Connect(bool first_run, const std::string& requested_path) {
  if (connecting_.exchange(true)) return false;
  Post([this, first_run, requested_path](DeviceLayer& dev, WorkingCopy& wc) {
    ConnectOptions o;
    o.first_run = first_run;
    o.requested_path = requested_path;
    ResetOptions reset;
    reset.progress = [this](double f) { ReportProgress(f); };
    if (!data_folder_.empty()) {
      reset.before_write = [&dev, folder = data_folder_] {
        return EnsureDataFolder(folder) && SaveAutoBackup(MouseAt(dev, dev.CurrentPath()), folder, "repair").ok;
      };
    }
    ConnectAndReadResult r = ConnectAndRead(dev, o, wc, reset);
    auto out = std::make_shared<ConnectOutcome>();
    out->path = r.connect.path;
    out->layout = r.connect.layout;
    out->loaded = r.read == ReadAllResult::kLoaded && !r.connect.path.empty();
    if (const auto info = dev.Info(r.connect.path)) out->info = *info;
    out->mice = dev.DevicePaths();
    for (const std::string& p : out->mice) {
      const auto info = dev.Info(p);
      out->mouse_names.push_back(info ? ModelName(*info) : std::string());
    }
    out->wc = wc;
    if (out->path.empty()) out->problem = PermissionProblem(*backend_);
    StartReaders();
    connecting_.store(false);
    std::shared_ptr<const ConnectOutcome> result = std::move(out);
    QMetaObject::invokeMethod(this, [this, result] { emit connected(result); }, Qt::QueuedConnection);
  });
  return true;
}

void DeviceSession::PauseReaders() {
  readers_paused_.store(true);
  if (reports_ != nullptr) reports_->StopReading();
}

void DeviceSession::ResumeReaders() {
  readers_paused_.store(false);
  Post([this](DeviceLayer&, WorkingCopy&) { StartReaders(); });
}

void DeviceSession::StartReaders() {
  if (readers_paused_.load() || reports_ == nullptr) return;
  reports_->ReadMice();
}

void DeviceSession::HandleArrival(const std::string& path) {
  Post([this, path](DeviceLayer& dev, WorkingCopy&) {
    bool accepted = false;
    for (const HidInterfaceInfo& info : backend_->Enumerate()) {
      if (info.path != path) continue;
      if (DeviceLayer::IsMouseInterface(info)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        accepted = dev.IdentifyDevice(path);
      }
    }
    QMetaObject::invokeMethod(this, [this, accepted] { emit arrivalDone(accepted); }, Qt::QueuedConnection);
  });
}

void DeviceSession::HandleRemoval(const std::string& path) {
  Post([path](DeviceLayer& dev, WorkingCopy& wc) {
    const bool current = dev.IsCurrent(path);
    dev.RemoveDevice(path);
    if (current) {
      dev.ClearCurrentPath();
      wc = WorkingCopy{};
    }
  });
}

void DeviceSession::Run(std::stop_token stop) {
  std::unique_lock l(mu_);
  while (true) {
    wake_.wait(l, stop, [this] { return !jobs_.empty(); });
    if (stop.stop_requested()) return;
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    l.unlock();
    // A job that throws (a simulated mouse's state file that cannot be written, memory running
    // out) must not end the program: the job is dropped and the worker goes on with the next.
    try {
      job();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "halvric: device job failed: %s\n", e.what());
    }
    l.lock();
  }
}

}  // namespace halvric
