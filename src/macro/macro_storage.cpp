#include "macro/macro_storage.h"

#include <algorithm>

#include "config/button_assignment.h"
#include "config/working_copy.h"
#include "device/device_commands.h"
#include "macro/macro_bindings.h"
#include "macro/macro_slot_refresh.h"

namespace halvric {

namespace {

constexpr uint32_t kPiece = 128;
constexpr uint32_t kAlignment = 64;
constexpr uint32_t kReadStep = 32;
constexpr uint32_t kMaxRecord = 0xFFFF;  // the directory holds 16-bit lengths

bool ValidSlot(const WorkingCopy& wc, int slot) { return wc.loaded && slot >= 0 && slot < kMacroSlots; }

uint32_t StoredMode(int mode) {
  return mode >= kMacroModeOnce && mode <= kMacroModeFire ? static_cast<uint32_t>(mode) : kMacroModeOnce;
}

}  // namespace

uint32_t MacroRecordSize(const Macro& macro) {
  return static_cast<uint32_t>(SerializeInstructions(macro.items).size()) + 1 + 1 + kMacroNameField;
}

std::vector<uint32_t> InstructionPieces(uint32_t address, uint32_t count) {
  std::vector<uint32_t> pieces;
  uint32_t done = 0;
  if (address % 2 == 1 && count > kPiece) {
    const uint32_t first = kAlignment - address % kAlignment;
    pieces.push_back(first);
    done = first;
  }
  while (done < count) {
    const uint32_t n = std::min(kPiece, count - done);
    pieces.push_back(n);
    done += n;
  }
  return pieces;
}

MacroStoreResult WriteMacroToSlot(const Mouse& m, WorkingCopy& wc,
                                  int slot, const Macro& macro,
                                  const ProgressFn& progress) {
  if (!ValidSlot(wc, slot)) return MacroStoreResult::kBadSlot;
  if (!Wake(m)) return MacroStoreResult::kFailed;
  // Closes the bulk operation on every way out.
  const auto finish = [&](MacroStoreResult r) {
    Wake(m);
    return r;
  };

  std::vector<uint8_t> code = SerializeInstructions(macro.items);
  code.push_back(op::kEnd);
  const uint32_t size = static_cast<uint32_t>(code.size()) + 1 + kMacroNameField;
  if (size > kMaxRecord) return finish(MacroStoreResult::kNoSpace);

  // The slot's own space counts as free while the new record is placed.
  const MacroSlot old = wc.macros[slot];
  const std::vector<ButtonRef> bound = old.start != 0 ? ButtonsBoundTo(wc, old.body) : std::vector<ButtonRef>{};
  wc.macros[slot].start = 0;
  wc.macros[slot].body = 0;
  wc.macros[slot].length = 0;

  const MacroAllocation space = AllocateMacroSpace(m, wc, size, progress);
  if (space.result == MacroStoreResult::kNoSpace) {
    wc.macros[slot] = old;
    return finish(MacroStoreResult::kNoSpace);
  }
  if (space.result != MacroStoreResult::kOk) {
    // Packing failed part-way; it may have written over this slot's old record.
    RefreshMacroSlot(m, wc, slot);
    return finish(MacroStoreResult::kFailed);
  }

  const uint32_t a = space.start;
  const uint32_t body = a + 1 + kMacroNameField;
  const uint32_t mode = StoredMode(macro.mode);
  const auto name_field = EncodeMacroName(macro.name);
  const std::array<uint8_t, 4> entry = {static_cast<uint8_t>(a), static_cast<uint8_t>(a >> 8),
                                        static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)};
  // A mode byte inside a key-cycle record is left to the key cycle: the buttons rebound below
  // carry the mode.
  const bool own_mode_byte = !wc.map.ModeEntryInKeyCycle(slot);
  bool ok = WriteMemory(m, wc.map.DirectoryEntry(slot), entry) &&
            (!own_mode_byte || WriteMemoryByte(m, wc.map.ModeEntry(slot), static_cast<uint8_t>(mode))) &&
            WriteMemoryByte(m, a, kMacroNameField) && WriteMemory(m, a + 1, name_field);
  uint32_t offset = 0;
  for (const uint32_t piece : InstructionPieces(body, static_cast<uint32_t>(code.size()))) {
    if (!ok) break;
    ok = WriteMemory(m, body + offset, std::span<const uint8_t>(code.data() + offset, piece));
    offset += piece;
    ReportProgress(progress, static_cast<double>(offset + 1) / static_cast<double>(size + 1));
  }
  if (!ok) {
    RefreshMacroSlot(m, wc, slot);
    return finish(MacroStoreResult::kFailed);
  }

  MacroSlot& now = wc.macros[slot];
  now.start = a;
  now.body = body;
  now.length = size;
  now.mode = mode;
  now.name = DecodeMacroName(name_field);  // what the mouse holds: at most 16 characters

  const auto binding = ButtonAssignment::Macro(static_cast<int>(mode), static_cast<int>(body)).Bytes();
  if (!RebindButtons(m, wc, bound, binding)) return finish(MacroStoreResult::kFailed);
  ReportProgress(progress, 1.0);
  return finish(MacroStoreResult::kOk);
}

MacroStoreResult DeleteMacroSlot(const Mouse& m, WorkingCopy& wc,
                                 int slot) {
  if (!ValidSlot(wc, slot)) return MacroStoreResult::kBadSlot;
  if (wc.macros[slot].start == 0) return MacroStoreResult::kEmptySlot;
  const std::vector<ButtonRef> bound = ButtonsBoundTo(wc, wc.macros[slot].body);

  const std::array<uint8_t, 4> zero{};
  if (!WriteMemory(m, wc.map.DirectoryEntry(slot), zero)) {
    RefreshMacroSlot(m, wc, slot);
    return MacroStoreResult::kFailed;
  }
  MacroSlot& entry = wc.macros[slot];
  entry.start = 0;
  entry.body = 0;
  entry.length = 0;
  entry.name.clear();

  return RebindButtons(m, wc, bound, ButtonAssignment::Default().Bytes()) ? MacroStoreResult::kOk
                                                                                          : MacroStoreResult::kFailed;
}

MacroStoreResult ReadMacroFromSlot(const Mouse& m, const WorkingCopy& wc, int slot,
                                   Macro& macro, const ProgressFn& progress) {
  macro = Macro{};
  if (!ValidSlot(wc, slot)) return MacroStoreResult::kBadSlot;
  const MacroSlot& entry = wc.macros[slot];
  if (entry.start == 0) return MacroStoreResult::kEmptySlot;

  std::vector<uint8_t> record(entry.length, 0);
  for (uint32_t offset = 0; offset < entry.length; offset += kReadStep) {
    const uint32_t n = std::min(kReadStep, entry.length - offset);
    if (!ReadMemory(m, entry.start + offset, std::span<uint8_t>(record.data() + offset, n), true)) {
      return MacroStoreResult::kFailed;
    }
    ReportProgress(progress, static_cast<double>(offset + n + 1) / static_cast<double>(entry.length + 1));
  }
  const size_t skip = record.empty() ? 0 : std::min<size_t>(record.size(), size_t{1} + record[0]);
  macro.items = ParseInstructions(std::span<const uint8_t>(record).subspan(skip), entry.length);
  macro.name = entry.name;
  macro.mode = static_cast<int>(entry.mode > 10 ? 8 : entry.mode);
  return MacroStoreResult::kOk;
}

}  // namespace halvric
