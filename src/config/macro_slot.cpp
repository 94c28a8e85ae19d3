#include "config/macro_slot.h"

#include <algorithm>
#include <vector>

#include "device/device_commands.h"
#include "platform/text_encoding.h"

namespace halvric {

std::string DecodeMacroName(std::span<const uint8_t> field) {
  size_t n = 0;
  while (n + 1 < field.size() && (field[n] != 0 || field[n + 1] != 0)) n += 2;
  return Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(field.data()), n));
}

std::array<uint8_t, kMacroNameField> EncodeMacroName(const std::string& utf8) {
  std::array<uint8_t, kMacroNameField> out{};
  const std::string bytes = Utf8ToUtf16Le(utf8);
  // At most 16 units, never half of a surrogate pair.
  size_t n = std::min<size_t>(bytes.size(), kMacroNameField);
  if (n >= 2 && n < bytes.size()) {
    const unsigned last = static_cast<uint8_t>(bytes[n - 2]) | (static_cast<uint8_t>(bytes[n - 1]) << 8);
    if (last >= 0xD800 && last <= 0xDBFF) n -= 2;
  }
  std::copy_n(bytes.begin(), n, out.begin());
  return out;
}

bool ReadMacroDirectory(const Mouse& m, MacroSlotTable& slots, const ProgressFn& progress, double from, double to) {
  std::vector<uint8_t> dir(4 * kMacroSlots), modes(kMacroSlots);
  if (!ReadMemory(m, m.map.directory, dir, true) || !ReadMemory(m, m.map.mode_table, modes, true)) {
    return false;
  }
  // A mouse that stops answering is not asked for the other names (each request would wait out
  // the handshake again); the slots not read are left empty.
  bool ok = true;
  for (int s = 0; s < kMacroSlots; ++s) {
    if (!ok) {
      slots[s] = MacroSlot{};
      continue;
    }
    MacroSlot slot;
    slot.start = dir[4 * s] | (dir[4 * s + 1] << 8);
    slot.length = dir[4 * s + 2] | (dir[4 * s + 3] << 8);
    // A mode byte inside a key-cycle record belongs to the key cycle; the caller takes such a
    // slot's mode from its buttons.
    const bool own_byte = !m.map.ModeEntryInKeyCycle(s);
    slot.mode = (own_byte && modes[s] >= 8 && modes[s] <= 10) ? modes[s] : 8;
    if (slot.start != 0) {
      const int n = ReadMemoryByte(m, slot.start, true);
      if (n < 0) {
        ok = false;
      } else {
        std::vector<uint8_t> field(static_cast<size_t>(n));
        if (n > 0 && !ReadMemory(m, slot.start + 1, field, true)) ok = false;
        slot.name = DecodeMacroName(field);
        slot.body = slot.start + static_cast<uint32_t>(n) + 1;
      }
    }
    slots[s] = std::move(slot);
    ReportProgress(progress, from + (to - from) * (s + 1) / kMacroSlots);
  }
  return ok;
}

}  // namespace halvric
