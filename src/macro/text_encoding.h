#pragma once
// Conversions between the program's UTF-8 text and the encodings of the files it reads:
// UTF-16 little-endian code units and the Windows-1252 8-bit code page.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace halvric {

// UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to the C1 controls, as Windows does).
std::string Cp1252ToUtf8(std::span<const uint8_t> bytes);

// Number of Unicode characters in UTF-8 text, and its first `count` characters.
std::size_t Utf8Length(std::string_view text);
std::string Utf8Prefix(std::string_view text, std::size_t count);

// Removes leading and trailing white space (blanks, tabs, CR, LF, VT, FF).
std::string TrimWhite(std::string_view text);

}  // namespace halvric
