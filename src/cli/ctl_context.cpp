#include "cli/ctl_context.h"

#include <algorithm>

#include "device/connect_sequence.h"
#include "platform/linux/hidraw_backend.h"
#include "sim/sim_hid_backend.h"

namespace halvric {

CtlContext::CtlContext(std::ostream& o, std::ostream& e) : out(o), err(e) {}

// The device layer goes before the backend it talks through; the simulated mouse saves its state
// file when the backend ends.
CtlContext::~CtlContext() {
  devices_.reset();
  backend_.reset();
}

void CtlContext::CreateBackend() {
  if (!options.simulate.empty()) {
    std::unique_ptr<sim::SimHidBackend> s;
    try {
      s = std::make_unique<sim::SimHidBackend>(options.simulate);
    } catch (const std::invalid_argument& e) {
      throw CtlError(e.what());
    }
    if (!options.sim_state.empty()) s->SetStateFile(options.sim_state);
    if (!options.trace.empty()) s->SetTraceFile(options.trace);
    sim_ = s.get();
    backend_ = std::move(s);
  } else {
    backend_ = std::make_unique<linux_hid::LinuxHidBackend>();
  }
  devices_ = std::make_unique<DeviceLayer>(*backend_);
}

DeviceLayer& CtlContext::Devices() {
  if (!devices_) CreateBackend();
  return *devices_;
}

sim::SimHidBackend* CtlContext::Simulator() {
  Devices();
  return sim_;
}

void CtlContext::Enumerate() {
  if (enumerated_) return;
  Devices().EnumerateMice();
  enumerated_ = true;
}

const std::string& CtlContext::Connect() {
  if (!path_.empty()) return path_;
  Enumerate();
  DeviceLayer& dev = Devices();
  if (dev.DeviceCount() == 0) {
    const std::string why = dev.LastOpenError();
    if (why.find("permission") != std::string::npos) {
      throw CtlError("A mouse is present but cannot be opened (" + why +
                     "): install the udev rule 70-halvric.rules and plug the mouse in again");
    }
    throw CtlError("No device !!");
  }
  ConnectOptions opts;
  if (!options.device.empty()) {
    const std::string wanted = LowerPath(options.device);
    const auto paths = dev.DevicePaths();
    if (std::find(paths.begin(), paths.end(), wanted) == paths.end()) {
      throw CtlError("No mouse at " + options.device + " (see: halvricctl list)");
    }
    opts.requested_path = wanted;
  }
  ConnectResult r = ConnectSequence(dev, opts);
  if (r.path.empty()) throw CtlError("No device !!");
  if (!r.selected) throw CtlError("The mouse at " + r.path + " does not answer");
  path_ = r.path;
  layout_ = r.layout;
  return path_;
}

}  // namespace halvric
