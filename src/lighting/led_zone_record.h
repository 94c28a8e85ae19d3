#pragma once
// One lighting zone as the mouse stores it: flags, red, green, blue.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvric::lighting {

inline constexpr uint8_t kZoneOwnColour = 0x80;  // bytes 1-3 are the zone's colour
inline constexpr uint8_t kZoneAlwaysOn = 0x40;   // set: "Always ON"; clear: "Breathe"
inline constexpr uint8_t kZoneFlagMask = kZoneOwnColour | kZoneAlwaysOn;

using Rgb = std::array<uint8_t, 3>;

struct LedZoneRecord {
  uint8_t flags = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;

  bool own_colour() const { return (flags & kZoneOwnColour) != 0; }
  bool always_on() const { return (flags & kZoneAlwaysOn) != 0; }
  Rgb colour() const { return {red, green, blue}; }
  // The four bytes to store; the unused flag bits 0-5 are always 0.
  std::array<uint8_t, 4> Bytes() const {
    return {static_cast<uint8_t>(flags & kZoneFlagMask), red, green, blue};
  }
  bool operator==(const LedZoneRecord&) const = default;
};

// A colour stored as "Always ON" or "Breathe".
LedZoneRecord OwnColourRecord(Rgb colour, bool always_on);

// Consecutive four-byte records, zone 0 first; a trailing partial record is ignored.
std::vector<LedZoneRecord> DecodeZoneRecords(std::span<const uint8_t> bytes);

// How a zone is shown: its own colour when it has one, else the model's default colour.
struct ZoneLook {
  Rgb colour{};
  bool always_on = false;
};
ZoneLook LookOf(const LedZoneRecord& record, const Rgb& default_colour);

// "RRGGBB" in upper-case hex, and back (nothing for anything else).
std::string RgbHex(const Rgb& colour);
bool ParseRgbHex(std::string_view text, Rgb& colour);

}  // namespace halvric::lighting
