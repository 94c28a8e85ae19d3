#include "device/memory_size.h"

#include "device/device_commands.h"

namespace halvric {

uint32_t ProbeMemorySize(const Mouse& m) {
  constexpr uint32_t kTop = kAddressSpaceSize - 1;
  // A mouse that does not answer is neither written to nor asked again: every further read
  // would wait out the handshake once more, and the caller's own reads fail anyway.
  const int top = ReadMemoryByte(m, kTop, false);
  if (top < 0) return kDefaultMemoryTop;
  if (top != kSizeProbeMarker) {
    const int below = ReadMemoryByte(m, kTop - 1, false);
    if (below < 0) return kDefaultMemoryTop;
    if (below != kSizeProbeMarker) {
      WriteMemoryByte(m, kTop - 1, kSizeProbeMarker);
      WriteMemoryByte(m, kTop, kSizeProbeMarker);
    }
  }
  uint32_t highest = kDefaultMemoryTop;
  uint32_t a = kTop;
  for (int i = 0; i < 6; ++i) {
    const int at = ReadMemoryByte(m, a, false);
    if (at < 0) break;
    if (at != kSizeProbeMarker) {
      const int below = ReadMemoryByte(m, a - 1, false);
      if (below != kSizeProbeMarker) break;
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
