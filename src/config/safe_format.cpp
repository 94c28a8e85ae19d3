#include "config/safe_format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace halvric {

namespace {

// The result never exceeds the buffer below, so a width or precision beyond it only costs time
// (a translated "%999999999d" would make the C library count a billion pad characters): both
// are limited to what fits.
constexpr int kMaxNumberText = 63;

std::string LimitedSpec(std::string_view flags) {
  std::string out;
  std::size_t i = 0;
  // Flag characters (zero padding among them) come first and stay as they are.
  while (i < flags.size() && std::strchr("-+ #0", flags[i]) != nullptr) out += flags[i++];
  while (i < flags.size()) {
    if (!std::isdigit(static_cast<unsigned char>(flags[i]))) {
      out += flags[i++];
      continue;
    }
    int value = 0;
    for (; i < flags.size() && std::isdigit(static_cast<unsigned char>(flags[i])); ++i) {
      value = std::min(value * 10 + (flags[i] - '0'), kMaxNumberText);
    }
    out += std::to_string(value);
  }
  return out;
}

std::string FormatNumber(std::string_view flags, char conv, long long value) {
  // flags holds only flags, digits and '.', so building a %lld/%llx format is safe.
  std::string fmt = "%";
  fmt.append(LimitedSpec(flags));
  fmt += "ll";
  fmt += conv == 'i' ? 'd' : conv;
  char buffer[kMaxNumberText + 1];
  const int n = std::snprintf(buffer, sizeof buffer, fmt.c_str(), value);
  return n < 0 ? std::string() : std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

std::string ToText(const FormatArg& arg) {
  if (const auto* s = std::get_if<std::string>(&arg)) return *s;
  return std::to_string(std::get<long long>(arg));
}

long long ToNumber(const FormatArg& arg) {
  if (const auto* n = std::get_if<long long>(&arg)) return *n;
  return 0;
}

}  // namespace

std::string SafeFormat(std::string_view format, const std::vector<FormatArg>& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    std::size_t j = i + 1;
    if (j < format.size() && format[j] == '%') {
      out += '%';
      i = j;
      continue;
    }
    const std::size_t spec_begin = j;
    while (j < format.size() && (std::strchr("-+ #0", format[j]) != nullptr) && j - spec_begin < 8) ++j;
    while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])) && j - spec_begin < 12) ++j;
    if (j < format.size() && format[j] == '.') {
      ++j;
      while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j])) && j - spec_begin < 16) ++j;
    }
    const std::string_view flags = format.substr(spec_begin, j - spec_begin);
    // Length modifiers are accepted and ignored.
    while (j < format.size() && std::strchr("hlLqjzt", format[j]) != nullptr) ++j;
    if (j >= format.size()) break;
    const char conv = format[j];
    i = j;
    const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
    switch (conv) {
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
        ++next;
        if (arg != nullptr) out += FormatNumber(flags, conv, ToNumber(*arg));
        break;
      case 's': case 'S':
        ++next;
        if (arg != nullptr) out += ToText(*arg);
        break;
      default:
        ++next;  // an unknown conversion still consumes its argument
        break;
    }
  }
  return out;
}

}  // namespace halvric
