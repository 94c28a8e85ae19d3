#pragma once
// Where the mouse keeps its configuration, per protocol level. Every memory address the programs
// use comes from here.

#include <cstdint>

namespace halvric {

inline constexpr int kProfileCount = 5;
inline constexpr int kDpiLevels = 5;
inline constexpr int kKeySlots = 32;
inline constexpr int kExtensionSize = 21;
inline constexpr int kMacroSlots = 80;
inline constexpr int kInfoEntries = 32;
inline constexpr int kShortInfoEntries = 16;  // level 0 answers entries 0-15 only
inline constexpr uint8_t kMemorySignature = 0x12;
inline constexpr int kZoneRecordSize = 4;
// The commands address 16 bits: no mouse has more memory than this, and a smaller memory repeats
// itself up to it.
inline constexpr uint32_t kAddressSpaceSize = 0x10000;

struct MemoryMap {
  int protocol_level = 0;
  uint32_t signature = 0;        // kMemorySignature when the memory holds a configuration
  bool checks_signature = false; // level 11+: a blank memory is told by its signature byte
  // Levels below 10: a reset finds the memory's size by the probe; later mice report it (and a
  // mouse that reports nothing is taken to have the default size).
  bool probe_size_on_reset = true;
  uint32_t stored_profile = 2;   // level 0: the profile the mouse starts with
  uint32_t dpi_table = 4;        // X of level N at dpi_table + 2N, Y after it
  // Level 11+: byte 2 holds the DPI state (level | enable mask << 3). 0: the mouse keeps none in
  // memory; GetStatus tells it, and the program keeps the level it made current and the mask.
  uint32_t dpi_state = 0;
  uint32_t settings_byte = 15;
  uint32_t profile_bits = 0;     // level 11+: byte 15; 0 = none
  uint32_t led_mode = 0;         // the stored lighting effect (level 3+); 0 = the level has none
  uint32_t profile_base = 16;
  uint32_t profile_stride = 96;
  uint32_t profile_colour = 3;   // relative to a profile record
  // Level 0: the colour is one byte of three 2-bit levels, and the flag is clear while the record's
  // first two bytes both hold 0x12. Above: red, green, blue, and the flag is bit 7 of byte 0.
  bool two_bit_colours = true;
  uint32_t planes_offset = 32;   // plane 0 of a profile, relative to its record
  uint32_t plane_size = 16;      // keys per plane
  uint32_t name_offset = 14;
  uint32_t name_size = 18;
  uint32_t extension_base = 912; // five 21-byte records (the key-cycle blocks)
  uint32_t directory = 512;
  uint32_t mode_table = 832;
  uint32_t zone_table = 0x460;   // lighting zone records, four bytes each
  int zone_records = 13;
  uint32_t macro_area = 1024;
  uint32_t read_size = 1024;     // bytes read by the read-all sequence
  uint32_t read_step = 32;

  uint32_t ProfileRecord(int profile) const { return profile_base + profile_stride * static_cast<uint32_t>(profile); }
  uint32_t ProfileColour(int profile) const { return ProfileRecord(profile) + profile_colour; }
  uint32_t ProfileName(int profile) const { return ProfileRecord(profile) + name_offset; }
  uint32_t Plane(int profile, int plane) const {
    return ProfileRecord(profile) + planes_offset + plane_size * static_cast<uint32_t>(plane);
  }
  // Plane 0..3 (function type, parameters 1-3) of key `key` in profile `profile`.
  uint32_t Button(int profile, int key, int plane) const { return Plane(profile, plane) + static_cast<uint32_t>(key); }
  uint32_t Extension(int profile) const { return extension_base + kExtensionSize * static_cast<uint32_t>(profile); }
  uint32_t DpiX(int level) const { return dpi_table + 2 * static_cast<uint32_t>(level); }
  // Start and length of macro slot `slot` (two 16-bit words).
  uint32_t DirectoryEntry(int slot) const { return directory + 4 * static_cast<uint32_t>(slot); }
  uint32_t ModeEntry(int slot) const { return mode_table + static_cast<uint32_t>(slot); }
  // Whether slot `slot`'s mode byte lies inside the five key-cycle records (slots 16-79 on levels
  // 1 and above). Such a byte belongs to the key cycle: it is never written as a mode, and the
  // slot's mode is taken from the buttons that play it.
  bool ModeEntryInKeyCycle(int slot) const {
    const uint32_t at = ModeEntry(slot);
    return at >= extension_base && at < extension_base + kProfileCount * kExtensionSize;
  }
  uint32_t Zone(int zone) const { return zone_table + kZoneRecordSize * static_cast<uint32_t>(zone); }
};

// `lighting`: the device's lighting flag, which moves the macro area of level 1-10 mice.
MemoryMap MemoryMapFor(int protocol_level, bool lighting);

}  // namespace halvric
