#include "macro/macro_space.h"

#include "config/working_copy.h"

namespace halvric {

int64_t FreeMacroMemory(const MacroSlotTable& slots, uint32_t area_start, uint32_t top, int leave_out) {
  int64_t used = 0;
  for (int s = 0; s < kMacroSlots; ++s) {
    if (s != leave_out && slots[s].start != 0) used += slots[s].length;
  }
  const int64_t free = static_cast<int64_t>(top) - area_start - used - 1;
  return free < 0 ? 0 : free;
}

int64_t FreeMemory(const WorkingCopy& wc, int leave_out) {
  return FreeMacroMemory(wc.macros, wc.map.macro_area, wc.memory_top, leave_out);
}

std::vector<MacroGap> FindMacroGaps(const MacroSlotTable& slots, uint32_t area_start, uint32_t top) {
  std::vector<MacroGap> gaps;
  if (top < 2) return gaps;
  const int64_t limit = static_cast<int64_t>(top) - 2;  // last byte a record may use
  int64_t cursor = area_start;
  for (int p = 0; p < kMacroSlots; ++p) {
    if (cursor > 0) {
      int64_t upper = limit;
      bool gap = true;
      for (const MacroSlot& other : slots) {
        if (other.start == 0) continue;
        // No gap where a record starts, nor inside a record (a directory whose records overlap).
        if (other.start == cursor || (other.start < cursor && other.start + other.length > cursor)) {
          gap = false;
          break;
        }
        if (other.start > cursor && static_cast<int64_t>(other.start) - 1 <= upper) upper = other.start - 1;
      }
      if (gap && upper >= cursor) {
        gaps.push_back({static_cast<uint32_t>(cursor), static_cast<uint32_t>(upper - cursor + 1)});
      }
    }
    // An empty slot gives no cursor, so the next turn searches nothing.
    cursor = slots[p].start != 0 ? static_cast<int64_t>(slots[p].start) + slots[p].length : 0;
  }
  return gaps;
}

std::optional<uint32_t> BestFit(const std::vector<MacroGap>& gaps, uint32_t size) {
  const MacroGap* best = nullptr;
  for (const MacroGap& g : gaps) {
    if (g.size >= size && (best == nullptr || g.size < best->size)) best = &g;
  }
  if (best == nullptr) return std::nullopt;
  return best->start;
}

}  // namespace halvric
