#include "config/memory_image.h"

#include <algorithm>
#include <span>

#include "device/device_commands.h"
#include "device/memory_size.h"

namespace halvric {

uint32_t MemoryImageSize(const Mouse& m) { return MemoryTop(m) + 1; }

std::optional<std::vector<uint8_t>> ReadMemoryImage(const Mouse& m, uint32_t size,
                                                    const ProgressFn& progress) {
  const uint32_t steps = (size + kImageReadStep - 1) / kImageReadStep;
  std::vector<uint8_t> buffer(static_cast<size_t>(steps) * kImageReadStep, 0);
  Wake(m);
  bool ok = true;
  for (uint32_t address = 0; address < size; address += kImageReadStep) {
    if (!ReadMemory(m, address, std::span<uint8_t>(buffer.data() + address, kImageReadStep), false)) {
      ok = false;
      break;
    }
    ReportProgress(progress, static_cast<double>(std::min(address + kImageReadStep, size)) / size);
  }
  // The second wake closes the write guard the first one opened, also after a failed read.
  Wake(m);
  if (!ok) return std::nullopt;
  buffer.resize(size);
  return buffer;
}

}  // namespace halvric
