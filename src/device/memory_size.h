#pragma once
// The highest memory address of a mouse: reported by level-11 mice, found by a probe on others.

#include <cstdint>
#include <string>

#include "device/mouse.h"

namespace halvric {

inline constexpr uint32_t kDefaultMemoryTop = 8191;
inline constexpr uint8_t kSizeProbeMarker = 0x12;

// Writes the marker to the top of the 64 KiB address space (unless already there) and finds the
// smallest probed address at which it still reads back: a smaller memory repeats itself.
uint32_t ProbeMemorySize(const Mouse& m);

// GetMemorySize when the mouse reports a value, else the probe.
uint32_t MemoryTop(const Mouse& m);

}  // namespace halvric
