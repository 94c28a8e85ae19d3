#include "cli/text_format.h"

#include <cctype>
#include <cstdio>

#include "platform/text.h"

namespace halvric {
std::optional<uint32_t> ParseNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    const int d = base == 16 ? HexDigitValue(c) : (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * base + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<uint32_t>(v);
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<uint8_t> out;
  size_t i = 0;
  int pending = -1;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == ',' || c == ':' || c == '\t' || c == '\n') {
      if (pending >= 0) return std::nullopt;  // a lone digit
      ++i;
      continue;
    }
    if (pending < 0 && c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      i += 2;
      continue;
    }
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    if (pending < 0) {
      pending = d;
    } else {
      out.push_back(static_cast<uint8_t>(pending * 16 + d));
      pending = -1;
    }
    ++i;
  }
  if (pending >= 0) return std::nullopt;
  return out;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  return FormatHex(bytes, " ");
}

std::string PadRight(std::string text, size_t width) {
  const size_t have = DisplayWidth(text);
  if (have < width) text.append(width - have, ' ');
  return text;
}

std::string HexDump(uint32_t address, std::span<const uint8_t> bytes) {
  std::string s;
  for (size_t off = 0; off < bytes.size(); off += 16) {
    s += "0x" + FormatHexNumber(static_cast<uint32_t>(address + off), 4) + ':';
    const size_t n = std::min<size_t>(16, bytes.size() - off);
    s += ' ';
    s += HexBytes(bytes.subspan(off, n));
    s += '\n';
  }
  return s;
}

}  // namespace halvric
