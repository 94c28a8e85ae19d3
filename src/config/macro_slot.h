#pragma once
// The program's copy of the mouse's macro directory: 80 slots, each naming one stored macro.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/memory_map.h"
#include "device/progress.h"

namespace halvric {

struct Mouse;

inline constexpr uint8_t kMacroNameField = 32;

struct MacroSlot {
  std::string name;     // UTF-8
  uint32_t start = 0;   // 0 = empty
  uint32_t body = 0;    // address of the first instruction: the value button bindings hold
  uint32_t length = 0;  // whole record
  uint32_t mode = 8;    // 8, 9 or 10
};

using MacroSlotTable = std::array<MacroSlot, kMacroSlots>;

// Fills the table from the directory and mode table, reading each macro's name from its record.
// Progress runs from `from` to `to`. False when a read failed (the table then holds what was read).
bool ReadMacroDirectory(const Mouse& m, MacroSlotTable& slots, const ProgressFn& progress = {}, double from = 0,
                        double to = 1);

// A macro record's name field: UTF-16LE up to the first zero character.
std::string DecodeMacroName(std::span<const uint8_t> field);
// The name field as written: the first 16 characters in UTF-16LE, zero-padded to 32 bytes.
std::array<uint8_t, kMacroNameField> EncodeMacroName(const std::string& utf8);

}  // namespace halvric
