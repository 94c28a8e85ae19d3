#include "platform/text_encoding.h"

#include <cstdint>

namespace halvric {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(std::string& out, char32_t cp) {
  auto unit = [&out](uint16_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  };
  if (cp < 0x10000) {
    unit(static_cast<uint16_t>(cp));
  } else {
    cp -= 0x10000;
    unit(static_cast<uint16_t>(0xD800 | (cp >> 10)));
    unit(static_cast<uint16_t>(0xDC00 | (cp & 0x3FF)));
  }
}

}  // namespace

char32_t NextCodePoint(std::string_view s, size_t& pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1; cp = b0 & 0x1F; min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2; cp = b0 & 0x0F; min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3; cp = b0 & 0x07; min = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + static_cast<size_t>(extra) >= s.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + static_cast<size_t>(i)]);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += static_cast<size_t>(extra) + 1;
  return cp;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const size_t units = bytes.size() / 2;
  auto unit_at = [&bytes](size_t i) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    const uint16_t u = unit_at(i);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < units) {
        const uint16_t low = unit_at(i + 1);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) | (low - 0xDC00)));
          ++i;
          continue;
        }
      }
      AppendUtf8(out, kReplacement);
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  size_t pos = 0;
  while (pos < utf8.size()) AppendUtf16(out, NextCodePoint(utf8, pos));
  return out;
}

std::string DecodeTextFile(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return Utf16LeToUtf8(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  return std::string(bytes);
}

size_t Utf8Length(std::string_view utf8) {
  size_t n = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    NextCodePoint(utf8, pos);
    ++n;
  }
  return n;
}

std::string Utf8Prefix(std::string_view utf8, size_t max_chars) {
  size_t pos = 0;
  for (size_t n = 0; n < max_chars && pos < utf8.size(); ++n) NextCodePoint(utf8, pos);
  return std::string(utf8.substr(0, pos));
}

}  // namespace halvric
