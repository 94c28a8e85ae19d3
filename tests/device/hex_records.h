#pragma once
// Builds Intel HEX text for tests: records with correct checksums, and whole files of data.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace halvric::test {

inline std::string HexRecord(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> rec{static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                           static_cast<uint8_t>(address & 0xFF), type};
  rec.insert(rec.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : rec) sum += b;
  rec.push_back(static_cast<uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
  std::string line = ":";
  char two[3];
  for (uint8_t b : rec) {
    std::snprintf(two, sizeof two, "%02x", b);
    line += two;
  }
  return line + "\n";
}

inline std::string HexEof() { return HexRecord(1, 0, {}); }

// `data` placed at `address` (below 64 KiB) in records of 16 bytes, then the end record.
inline std::string HexFile(uint16_t address, const std::vector<uint8_t>& data) {
  std::string text;
  for (size_t i = 0; i < data.size(); i += 16) {
    const size_t n = std::min<size_t>(16, data.size() - i);
    text += HexRecord(0, static_cast<uint16_t>(address + i),
                      std::vector<uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(i),
                                           data.begin() + static_cast<std::ptrdiff_t>(i + n)));
  }
  return text + HexEof();
}

// Reproducible pseudo-random bytes.
inline std::vector<uint8_t> NoiseBytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  for (auto& b : out) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return out;
}

}  // namespace halvric::test
