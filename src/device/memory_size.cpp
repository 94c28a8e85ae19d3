#include "device/memory_size.h"

#include "device/device_commands.h"

namespace halvric {

uint32_t ProbeMemorySize(const Mouse& m) {
  constexpr uint32_t kTop = kAddressSpaceSize - 1;
  if (ReadMemoryByte(m, kTop, false) != kSizeProbeMarker && ReadMemoryByte(m, kTop - 1, false) != kSizeProbeMarker) {
    WriteMemoryByte(m, kTop - 1, kSizeProbeMarker);
    WriteMemoryByte(m, kTop, kSizeProbeMarker);
  }
  uint32_t highest = kDefaultMemoryTop;
  uint32_t a = kTop;
  for (int i = 0; i < 6; ++i) {
    if (ReadMemoryByte(m, a, false) != kSizeProbeMarker &&
        ReadMemoryByte(m, a - 1, false) != kSizeProbeMarker) {
      break;
    }
    highest = a;
    a /= 2;
  }
  return highest;
}

uint32_t MemoryTop(const Mouse& m) {
  const int reported = GetMemorySize(m);
  if (reported > 0) return static_cast<uint32_t>(reported);
  return ProbeMemorySize(m);
}

}  // namespace halvric
