#pragma once
// Small text helpers shared by every layer: trimming, ASCII case mapping and hexadecimal
// formatting. ASCII only on purpose: keys, paths and file names compare the same whatever the
// user's locale is.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace halvric {

// The blanks the C library calls white space: blank, tab, newline, vertical tab, form feed, return.
inline constexpr std::string_view kAsciiWhiteSpace = " \t\n\v\f\r";

// `s` without the leading and trailing characters found in `chars`.
std::string_view Trim(std::string_view s, std::string_view chars = kAsciiWhiteSpace);

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);

enum class HexCase { kLower, kUpper };

// Two hexadecimal digits per byte, `separator` between bytes.
void AppendHex(std::string& out, std::span<const uint8_t> bytes, std::string_view separator = {},
               HexCase letters = HexCase::kLower);
std::string FormatHex(std::span<const uint8_t> bytes, std::string_view separator = {},
                      HexCase letters = HexCase::kLower);

// `value` as at least `digits` hexadecimal digits, zero-padded (like "%04x").
std::string FormatHexNumber(uint32_t value, int digits, HexCase letters = HexCase::kLower);

// The value of one hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace halvric
