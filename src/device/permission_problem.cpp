#include "device/permission_problem.h"

#include "device/device_layer.h"

namespace halvric {

std::string UnopenableMousePath(HidBackend& backend) {
  for (const HidInterfaceInfo& info : backend.Enumerate()) {
    if (!DeviceLayer::IsMouseInterface(info)) continue;
    std::string error;
    if (backend.Open(info.path, &error) != nullptr) continue;
    if (error.find("permission denied") == std::string::npos) continue;
    return info.path;
  }
  return {};
}

std::string PermissionProblem(HidBackend& backend) {
  const std::string path = UnopenableMousePath(backend);
  if (path.empty()) return {};
  return "A mouse is present at " + path + " but cannot be opened (permission denied). Install the udev rule " +
         kUdevRuleName + " (the halvric package installs it), then unplug the mouse and plug it in again.";
}

}  // namespace halvric
