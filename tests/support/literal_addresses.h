#pragma once
// Memory addresses as literal formulas per protocol level, written out independently of the
// program's memory map, so that tests check the map instead of repeating it.

#include <cstdint>

namespace halvric::test {

// Byte of `plane` (0-3) of key `key` in profile `profile`.
inline uint32_t ButtonByte(int level, int profile, int key, int plane) {
  const auto p = static_cast<uint32_t>(profile), k = static_cast<uint32_t>(key), i = static_cast<uint32_t>(plane);
  if (level == 0) return 48 + 96 * p + 16 * i + k;
  if (level <= 10) return 64 + 128 * p + 24 * i + k;
  return 64 + 160 * p + 32 * i + k;
}

// X value of DPI level `n` (0-4); Y follows it.
inline uint32_t DpiXByte(int level, int n) { return (level == 0 ? 4u : 3u) + 2 * static_cast<uint32_t>(n); }

// First byte of profile `profile`'s 21-byte key-cycle record.
inline uint32_t KeyCycleRecord(int level, int profile) {
  return (level == 0 ? 912u : level <= 10 ? 1008u : 1168u) + 21 * static_cast<uint32_t>(profile);
}

}  // namespace halvric::test
