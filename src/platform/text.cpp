#include "platform/text.h"

namespace halvric {
namespace {

constexpr std::string_view Digits(HexCase letters) {
  return letters == HexCase::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
}

}  // namespace

std::string_view Trim(std::string_view s, std::string_view chars) {
  const size_t first = s.find_first_not_of(chars);
  if (first == std::string_view::npos) return {};
  const size_t last = s.find_last_not_of(chars);
  return s.substr(first, last - first + 1);
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

void AppendHex(std::string& out, std::span<const uint8_t> bytes, std::string_view separator, HexCase letters) {
  const std::string_view digits = Digits(letters);
  out.reserve(out.size() + bytes.size() * (2 + separator.size()));
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out += separator;
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 15]);
  }
}

std::string FormatHex(std::span<const uint8_t> bytes, std::string_view separator, HexCase letters) {
  std::string out;
  AppendHex(out, bytes, separator, letters);
  return out;
}

std::string FormatHexNumber(uint32_t value, int digits, HexCase letters) {
  const std::string_view set = Digits(letters);
  std::string out;
  do {
    out.insert(out.begin(), set[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
  return out;
}

}  // namespace halvric
