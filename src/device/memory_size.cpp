#include "device/memory_size.h"

#include "device/device_commands.h"

namespace halvric {

uint32_t ProbeMemorySize(DeviceLayer& dev, const std::string& path) {
  if (ReadMemoryByte(dev, path, 0xFFFF, false) != kSizeProbeMarker &&
      ReadMemoryByte(dev, path, 0xFFFE, false) != kSizeProbeMarker) {
    WriteMemoryByte(dev, path, 0xFFFE, kSizeProbeMarker);
    WriteMemoryByte(dev, path, 0xFFFF, kSizeProbeMarker);
  }
  uint32_t highest = kDefaultMemoryTop;
  uint32_t a = 0xFFFF;
  for (int i = 0; i < 6; ++i) {
    if (ReadMemoryByte(dev, path, a, false) != kSizeProbeMarker &&
        ReadMemoryByte(dev, path, a - 1, false) != kSizeProbeMarker) {
      break;
    }
    highest = a;
    a /= 2;
  }
  return highest;
}

uint32_t MemoryTop(DeviceLayer& dev, const std::string& path) {
  const int reported = GetMemorySize(dev, path);
  if (reported > 0) return static_cast<uint32_t>(reported);
  return ProbeMemorySize(dev, path);
}

}  // namespace halvric
