#pragma once
// Numbers and byte strings as halvricctl reads and prints them.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_columns.h"

namespace halvric {

// Decimal or 0x-hex, no sign, no trailing characters.
std::optional<uint32_t> ParseNumber(std::string_view text);

// Hex bytes: pairs of hex digits, optionally separated by blanks, commas or colons
// ("01 02 ff", "0102ff", "01,02,ff"); an optional 0x prefix per byte is accepted.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// Lines of "0xADDR:" followed by up to 16 bytes, two lower-case hex digits each, single blanks.
std::string HexDump(uint32_t address, std::span<const uint8_t> bytes);

// "01 02 ff"
std::string HexBytes(std::span<const uint8_t> bytes);

// `text` (UTF-8) with blanks appended up to `width` columns (DisplayWidth), so that columns of
// translated words line up as they do in English.
std::string PadRight(std::string text, size_t width);

}  // namespace halvric
