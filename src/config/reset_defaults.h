#pragma once
// The reset to defaults: a complete default configuration is written into the mouse, then read
// back. Used by "Reset all mouse setting" and to repair a mouse whose memory was never initialised.

#include <functional>
#include <string>

#include "config/read_all.h"
#include "config/working_copy.h"
#include "device/device_layer.h"
#include "device/progress.h"

namespace halvric {

struct ResetOptions {
  ProgressFn progress;                 // 0..1 over the image write
  // Runs before anything is written (the automatic backup); false stops the reset.
  std::function<bool()> before_write;
};

enum class ResetResult { kDone, kNoDevice, kBackupFailed, kWriteFailed, kReadBackFailed };

ResetResult ResetToDefaults(DeviceLayer& dev, WorkingCopy& wc, const ResetOptions& options);

// ReadAll, with the repair of an uninitialised memory by the reset to defaults.
ReadAllResult ReadAllOrRepair(DeviceLayer& dev, WorkingCopy& wc, const ResetOptions& options);
// ReadParts the same way (the repair reads everything back).
ReadAllResult ReadPartsOrRepair(DeviceLayer& dev, WorkingCopy& wc, unsigned parts, const ResetOptions& options);

}  // namespace halvric
