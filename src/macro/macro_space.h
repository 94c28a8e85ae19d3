#pragma once
// Free space of the mouse's macro area, worked out from the slot table alone: the free total,
// the gaps between stored records and the best-fitting gap for a new record.

#include <cstdint>
#include <optional>
#include <vector>

#include "config/macro_slot.h"

namespace halvric {

struct WorkingCopy;

struct MacroGap {
  uint32_t start = 0;
  uint32_t size = 0;
  bool operator==(const MacroGap&) const = default;
};

// Highest address minus area start minus the stored records minus 1; `leave_out` is a slot
// whose record counts as free (-1 for none). Never below 0.
int64_t FreeMacroMemory(const MacroSlotTable& slots, uint32_t area_start, uint32_t top, int leave_out = -1);
int64_t FreeMemory(const WorkingCopy& wc, int leave_out = -1);

// The gaps at the area start and after the end of every stored record, in slot order. The two
// bytes at the top of memory (the size-probe marker) never belong to a gap.
std::vector<MacroGap> FindMacroGaps(const MacroSlotTable& slots, uint32_t area_start, uint32_t top);

// The smallest gap of at least `size` bytes (the first of equal ones); none when no gap fits.
std::optional<uint32_t> BestFit(const std::vector<MacroGap>& gaps, uint32_t size);

}  // namespace halvric
