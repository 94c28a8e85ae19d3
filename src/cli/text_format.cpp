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

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    uint32_t point = length == 1 ? c : c & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    // The East Asian wide blocks: Hangul Jamo, CJK (radicals to Yi), Hangul syllables, CJK
    // compatibility ideographs and forms, full-width forms, and the ideographs beyond the BMP.
    const bool wide = (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0xA4CF) ||
                      (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
                      (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
                      (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x20000 && point <= 0x3FFFD);
    width += wide ? 2 : 1;
    i += length;
  }
  return width;
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
