#include "macro/macro_compaction.h"

#include <algorithm>
#include <vector>

#include "config/working_copy.h"
#include "device/device_commands.h"
#include "macro/macro_bindings.h"
#include "macro/macro_slot_refresh.h"
#include "macro/macro_space.h"

namespace halvric {

namespace {


struct Move {
  int slot = 0;
  uint32_t old_start = 0;
  uint32_t length = 0;
  uint32_t old_body = 0;
  std::vector<ButtonRef> buttons;  // bound to the old body before anything moved
};

bool WriteDirectoryEntry(const Mouse& mouse, const WorkingCopy& wc, int slot, uint32_t start,
                         uint32_t length) {
  const std::array<uint8_t, 4> entry = {static_cast<uint8_t>(start), static_cast<uint8_t>(start >> 8),
                                        static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
  return WriteMemory(mouse, wc.map.DirectoryEntry(slot), entry);
}

}  // namespace

MacroStoreResult CompactMacroMemory(const Mouse& mouse, WorkingCopy& wc,
                                    const ProgressFn& progress) {
  std::vector<Move> moves;
  for (int s = 0; s < kMacroSlots; ++s) {
    const MacroSlot& slot = wc.macros[s];
    if (slot.start == 0 || slot.length == 0) continue;
    // A record reaching past the address space is read only up to its end.
    const uint32_t length = std::min<uint32_t>(slot.length, kAddressSpaceSize - std::min(slot.start, kAddressSpaceSize));
    moves.push_back({s, slot.start, length, slot.body, {}});
  }
  std::stable_sort(moves.begin(), moves.end(), [](const Move& a, const Move& b) { return a.old_start < b.old_start; });

  std::vector<uint8_t> image(kAddressSpaceSize, 0);
  for (size_t i = 0; i < moves.size(); ++i) {
    Move& m = moves[i];
    if (!ReadMemory(mouse, m.old_start, std::span<uint8_t>(image.data() + m.old_start, m.length), true)) {
      return MacroStoreResult::kFailed;  // nothing written yet: the table is still true
    }
    m.old_body = m.old_start + image[m.old_start] + 1;
    ReportProgress(progress, 0.5 * static_cast<double>(i + 1) / static_cast<double>(moves.size()));
  }
  // Marks are taken before anything moves: a moved macro may land on the old body address of
  // another one, whose buttons must not follow it.
  for (Move& m : moves) m.buttons = ButtonsBoundTo(wc, m.old_body);

  uint32_t cursor = wc.map.macro_area;
  for (size_t i = 0; i < moves.size(); ++i) {
    const Move& m = moves[i];
    MacroSlot& slot = wc.macros[m.slot];
    if (cursor != m.old_start) {
      const bool ok = WriteMemory(mouse, cursor, std::span<const uint8_t>(image.data() + m.old_start, m.length)) &&
                      WriteDirectoryEntry(mouse, wc, m.slot, cursor, slot.length);
      if (!ok) {
        RefreshMacroSlot(mouse, wc, m.slot);
        return MacroStoreResult::kFailed;
      }
      const uint32_t new_body = cursor + image[m.old_start] + 1;
      slot.start = cursor;
      slot.body = new_body;
      for (const ButtonRef& b : m.buttons) {
        if (!WriteButtonParameters(mouse, b.profile, b.key, new_body)) return MacroStoreResult::kFailed;
        ButtonSlot& button = wc.profiles[b.profile].buttons[b.key];
        std::array<uint8_t, 4> bytes = button.bytes;
        bytes[1] = static_cast<uint8_t>(new_body);
        bytes[2] = static_cast<uint8_t>(new_body >> 8);
        bytes[3] = 0;
        button.bytes = bytes;
      }
    }
    cursor += m.length;
    ReportProgress(progress, 0.5 + 0.5 * static_cast<double>(i + 1) / static_cast<double>(moves.size()));
  }
  ReportProgress(progress, 1.0);
  return Commit(mouse) ? MacroStoreResult::kOk : MacroStoreResult::kFailed;
}

MacroAllocation AllocateMacroSpace(const Mouse& mouse, WorkingCopy& wc,
                                   uint32_t size, const ProgressFn& progress) {
  const uint32_t area = wc.map.macro_area, top = wc.memory_top;
  const int64_t free = FreeMacroMemory(wc.macros, area, top);
  if (free < 1 || free < size) return {};
  std::vector<MacroGap> gaps = FindMacroGaps(wc.macros, area, top);
  if (auto start = BestFit(gaps, size)) return {MacroStoreResult::kOk, *start};
  if (gaps.empty()) return {};
  const MacroStoreResult packed = CompactMacroMemory(mouse, wc, progress);
  if (packed != MacroStoreResult::kOk) return {packed, 0};
  gaps = FindMacroGaps(wc.macros, area, top);
  if (auto start = BestFit(gaps, size)) return {MacroStoreResult::kOk, *start};
  return {};
}

}  // namespace halvric
