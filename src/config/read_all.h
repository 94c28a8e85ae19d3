#pragma once
// The read-all sequence: after a mouse is selected, its whole configuration is read into the
// working copy.

#include <string>

#include "config/working_copy.h"
#include "device/device_layer.h"
#include "device/progress.h"

namespace halvric {

enum class ReadAllResult {
  kLoaded,         // the working copy holds the mouse's configuration
  kNoDevice,       // no mouse is current
  kUninitialised,  // a level-11 mouse whose memory is not initialised: reset it, then read again
  kFailed,         // the mouse stopped answering; the working copy is not loaded
};

ReadAllResult ReadAll(DeviceLayer& dev, WorkingCopy& wc, const ProgressFn& progress = {});

// Profile record fields, as ReadAll takes them apart and the writers put them back.
std::string DecodeProfileName(const uint8_t* field, size_t size);
std::vector<uint8_t> EncodeProfileName(const std::string& name, size_t size);

}  // namespace halvric
