#pragma once
// A handle on one identified mouse interface: the device layer that reaches it, its path, the
// encoding its commands are framed in and its memory map, all fixed at identification.

#include <string>

#include "device/device_layer.h"
#include "device/memory_map.h"
#include "device/report.h"

namespace halvric {

class ProtocolEncoding;

struct Mouse {
  DeviceLayer& dev;
  std::string path;
  const ProtocolEncoding& encoding;
  MemoryMap map;

  // One exchange; the answer, when wanted, lands in `answer`.
  bool Send(Report request, int delay, Report* answer = nullptr) const;
};

// The handle of `path` as identified (an unidentified path gets the short encoding and map).
Mouse MouseAt(DeviceLayer& dev, const std::string& path);

}  // namespace halvric
