#include "device/connect_sequence.h"

namespace halvric {

ConnectResult ConnectSequence(DeviceLayer& dev, const ConnectOptions& options) {
  ConnectResult result;
  std::string path;
  if (options.first_run) {
    dev.EnumerateMice();
    path = dev.DevicePath(0);
  } else if (options.requested_path.empty()) {
    path = dev.DevicePath(0);
  } else {
    if (options.wait_idle) options.wait_idle();
    path = LowerPath(options.requested_path);
  }
  if (dev.DeviceCount() > 0 && !path.empty()) {
    result.selected = dev.SelectDevice(path, true);
    result.path = path;
    const auto info = dev.Info(path);
    const int type = info ? info->type_code : 3;
    const int level = info ? info->protocol_level : 0;
    result.layout = DecideModelLayout(type, level);
  }
  if (options.read_all) options.read_all(result.path);
  return result;
}

}  // namespace halvric
