#include "macro/text_encoding.h"

#include <array>

namespace halvric {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one character at text[i], advancing i; malformed input yields U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) { extra = 1; c = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { extra = 2; c = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { extra = 3; c = b0 & 0x07; }
  else return kReplacement;
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  static constexpr std::array<char32_t, 4> kMin{0, 0x80, 0x800, 0x10000};
  if (c < kMin[static_cast<std::size_t>(extra)] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  return c;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
      } else {
        c = kReplacement;
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t c = DecodeUtf8(text, i);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string Cp1252ToUtf8(std::span<const uint8_t> bytes) {
  static constexpr std::array<char16_t, 32> kHigh{
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (const uint8_t b : bytes) {
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : static_cast<char32_t>(b));
  }
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    DecodeUtf8(text, i);
    ++count;
  }
  return count;
}

std::string Utf8Prefix(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < text.size(); ++n) DecodeUtf8(text, i);
  return std::string(text.substr(0, i));
}

std::string TrimWhite(std::string_view text) {
  constexpr std::string_view kWhite = " \t\r\n\v\f";
  const auto first = text.find_first_not_of(kWhite);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kWhite);
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace halvric
