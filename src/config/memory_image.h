#pragma once
// The whole memory of a mouse as one image: its size and reading it out.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/mouse.h"
#include "device/progress.h"

namespace halvric {

// Bytes read per step when the whole memory is read out.
inline constexpr uint32_t kImageReadStep = 60;

// Number of memory bytes of the mouse: its highest address + 1.
uint32_t MemoryImageSize(const Mouse& m);

// Wakes the mouse, reads `size` bytes from address 0 in steps of kImageReadStep (the last step
// reads a whole step; only `size` bytes are kept) reporting address / size after each step, and
// wakes it again. Bypasses the memory mirror. Nothing when a read failed.
std::optional<std::vector<uint8_t>> ReadMemoryImage(const Mouse& m, uint32_t size,
                                                    const ProgressFn& progress = {});

}  // namespace halvric
