#pragma once
// A feature report buffer as it crosses the wire: byte 0 is the report id, the command starts at
// byte 1. Sized for the long report; short reports use the first 9 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace halvric {

inline constexpr size_t kShortReportLength = 9;
inline constexpr size_t kLongReportLength = 64;

struct Report {
  std::array<uint8_t, kLongReportLength> bytes{};

  Report() = default;
  // Bytes from position 1 on; the rest stay 0.
  Report(std::initializer_list<uint8_t> from_byte1) {
    size_t i = 1;
    for (uint8_t v : from_byte1) {
      if (i >= bytes.size()) break;
      bytes[i++] = v;
    }
  }
  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }
};

}  // namespace halvric
