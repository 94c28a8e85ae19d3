#include "macro/macro_slot_refresh.h"

#include <vector>

#include "config/working_copy.h"
#include "device/device_commands.h"

namespace halvric {

bool RefreshMacroSlot(const Mouse& m, WorkingCopy& wc, int slot) {
  MacroSlot& entry = wc.macros[slot];
  const uint32_t kept_mode = entry.mode;
  entry = MacroSlot{};
  entry.mode = kept_mode;

  const uint32_t at = wc.map.DirectoryEntry(slot);
  std::array<uint8_t, 4> dir{};
  const bool own_byte = !wc.map.ModeEntryInKeyCycle(slot);
  const int mode = own_byte ? ReadMemoryByte(m, wc.map.ModeEntry(slot), false) : 8;
  if (mode < 0 || !ReadMemory(m, at, dir, false)) return false;

  MacroSlot read;
  read.mode = mode >= 8 && mode <= 10 ? static_cast<uint32_t>(mode) : 8;
  read.start = dir[0] | (dir[1] << 8);
  read.length = dir[2] | (dir[3] << 8);
  if (read.start != 0) {
    const int n = ReadMemoryByte(m, read.start, false);
    if (n < 0) return false;
    std::vector<uint8_t> field(static_cast<size_t>(n));
    if (n > 0 && !ReadMemory(m, read.start + 1, field, false)) return false;
    read.name = DecodeMacroName(field);
    read.body = read.start + static_cast<uint32_t>(n) + 1;
  }
  // A mode byte inside a key-cycle record is the key cycle's: the buttons tell the mode.
  if (!own_byte) read.mode = read.start != 0 ? MacroModeFromButtons(wc, read.body) : 8;
  entry = std::move(read);
  return true;
}

}  // namespace halvric
