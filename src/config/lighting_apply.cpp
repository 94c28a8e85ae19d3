#include "config/lighting_apply.h"

#include "device/report.h"

namespace halvric {

bool HasLightingControl(DeviceLayer& dev, const std::string& path) {
  const auto info = dev.Info(path);
  return info && info->lighting != 0 && info->protocol_level >= 3;
}

bool SendLightingApply(DeviceLayer& dev, const std::string& path) {
  if (!HasLightingControl(dev, path)) return true;
  Report request{0x01, 0x04, 0x03};
  Report answer;
  return dev.DeviceTransfer(path, request, &answer, 10);
}

}  // namespace halvric
