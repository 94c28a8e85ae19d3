#include "config/macro_slot.h"

#include <vector>

#include "config/utf.h"
#include "device/device_commands.h"

namespace halvric {

std::string DecodeMacroName(std::span<const uint8_t> field) {
  std::u16string units;
  for (size_t i = 0; i + 1 < field.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(field[i] | (field[i + 1] << 8));
    if (c == 0) break;
    units.push_back(c);
  }
  return Utf16ToUtf8(units);
}

std::array<uint8_t, kMacroNameField> EncodeMacroName(const std::string& utf8) {
  std::array<uint8_t, kMacroNameField> out{};
  const std::u16string units = Utf8ToUtf16(utf8);
  // At most 16 units, never half of a surrogate pair.
  size_t n = std::min<size_t>(units.size(), kMacroNameField / 2);
  if (n > 0 && n < units.size() && units[n - 1] >= 0xD800 && units[n - 1] <= 0xDBFF) --n;
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
  }
  return out;
}

bool ReadMacroDirectory(DeviceLayer& dev, const std::string& path, const MemoryMap& map, MacroSlotTable& slots,
                        const ProgressFn& progress, double from, double to) {
  std::vector<uint8_t> dir(4 * kMacroSlots), modes(kMacroSlots);
  if (!ReadMemory(dev, path, map.directory, dir, true) || !ReadMemory(dev, path, map.mode_table, modes, true)) {
    return false;
  }
  bool ok = true;
  for (int s = 0; s < kMacroSlots; ++s) {
    MacroSlot slot;
    slot.start = dir[4 * s] | (dir[4 * s + 1] << 8);
    slot.length = dir[4 * s + 2] | (dir[4 * s + 3] << 8);
    slot.mode = (modes[s] >= 8 && modes[s] <= 10) ? modes[s] : 8;
    if (slot.start != 0) {
      const int n = ReadMemoryByte(dev, path, slot.start, true);
      if (n < 0) {
        ok = false;
      } else {
        std::vector<uint8_t> field(static_cast<size_t>(n));
        if (n > 0 && !ReadMemory(dev, path, slot.start + 1, field, true)) ok = false;
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
