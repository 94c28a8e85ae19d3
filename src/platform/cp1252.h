#pragma once
// The Windows-1252 code page, in which old archive files (macro files) store 8-bit strings.

#include <cstdint>
#include <span>
#include <string>

namespace halvric {

// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to the C1 controls, as Windows does).
std::string Cp1252ToUtf8(std::span<const uint8_t> bytes);

}  // namespace halvric
