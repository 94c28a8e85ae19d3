#pragma once
// A handle on one identified mouse interface: the device layer that reaches it, its path, the
// encoding its commands are framed in and its memory map, all fixed at identification.
//
// A small value: copy it freely and pass it down instead of the device layer and the path. It does
// not keep the interface alive. Once the path is gone or no longer current, the commands sent
// through the handle fail, or skip the mirror, just as they would for that path alone: every
// exchange still goes through DeviceLayer::DeviceTransfer, and every mirror access still checks
// DeviceLayer::IsCurrent.

#include <string>

#include "device/device_layer.h"
#include "device/memory_map.h"
#include "device/report.h"

namespace halvric {

class ProtocolEncoding;

struct Mouse {
  DeviceLayer* dev = nullptr;
  std::string path;
  const ProtocolEncoding* encoding = nullptr;  // one of the encodings, which live for the program
  // A copy: the device layer may re-identify the path and replace its own entry meanwhile.
  MemoryMap map;

  // One exchange; the answer, when wanted, lands in `answer`.
  bool Send(Report request, int delay, Report* answer = nullptr) const;
};

// The handle of `path` as identified (an unidentified path gets the short encoding and map).
Mouse MouseAt(DeviceLayer& dev, const std::string& path);

}  // namespace halvric
