#pragma once
// Where the mouse keeps its configuration, per protocol level.

#include <cstdint>

namespace halvric {

inline constexpr int kProfileCount = 5;
inline constexpr int kDpiLevels = 5;
inline constexpr int kKeySlots = 32;
inline constexpr int kExtensionSize = 21;
inline constexpr int kMacroSlots = 80;
inline constexpr int kInfoEntries = 32;
inline constexpr uint8_t kMemorySignature = 0x12;

struct MemoryMap {
  int protocol_level = 0;
  uint32_t dpi_table = 4;        // X of level N at dpi_table + 2N, Y after it
  uint32_t dpi_state = 0;        // level 11+: byte 2; 0 = from GetStatus
  uint32_t settings_byte = 15;
  uint32_t profile_bits = 0;     // level 11+: byte 15; 0 = none
  uint32_t profile_base = 16;
  uint32_t profile_stride = 96;
  uint32_t planes_offset = 32;   // plane 0 of a profile, relative to its record
  uint32_t plane_size = 16;      // keys per plane
  uint32_t name_offset = 14;
  uint32_t name_size = 18;
  uint32_t extension_base = 912; // five 21-byte records (the key-cycle blocks)
  uint32_t directory = 512;
  uint32_t mode_table = 832;
  uint32_t macro_area = 1024;
  uint32_t read_size = 1024;     // bytes read by the read-all sequence
  uint32_t read_step = 32;

  uint32_t ProfileRecord(int profile) const { return profile_base + profile_stride * static_cast<uint32_t>(profile); }
  uint32_t Plane(int profile, int plane) const {
    return ProfileRecord(profile) + planes_offset + plane_size * static_cast<uint32_t>(plane);
  }
  uint32_t Extension(int profile) const { return extension_base + kExtensionSize * static_cast<uint32_t>(profile); }
  uint32_t DpiX(int level) const { return dpi_table + 2 * static_cast<uint32_t>(level); }
};

// `lighting`: the device's lighting flag, which moves the macro area of level 1-10 mice.
MemoryMap MemoryMapFor(int protocol_level, bool lighting);

}  // namespace halvric
