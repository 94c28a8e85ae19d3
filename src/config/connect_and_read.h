#pragma once
// The whole connection: choose and select a mouse (device layer), then read its configuration
// (all of it, or the parts a command needs) into the working copy, repairing a never-initialised
// memory.

#include "config/reset_defaults.h"
#include "device/connect_sequence.h"

namespace halvric {

struct ConnectAndReadResult {
  ConnectResult connect;
  ReadAllResult read = ReadAllResult::kNoDevice;
};

ConnectAndReadResult ConnectAndRead(DeviceLayer& dev, ConnectOptions options, WorkingCopy& wc, const ResetOptions& reset,
                                   unsigned parts = kReadEverything);

}  // namespace halvric
