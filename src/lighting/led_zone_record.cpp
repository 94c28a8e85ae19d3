#include "lighting/led_zone_record.h"

#include <cstdio>

namespace halvric::lighting {

LedZoneRecord OwnColourRecord(Rgb colour, bool always_on) {
  return {static_cast<uint8_t>(kZoneOwnColour | (always_on ? kZoneAlwaysOn : 0)), colour[0], colour[1], colour[2]};
}

std::vector<LedZoneRecord> DecodeZoneRecords(std::span<const uint8_t> bytes) {
  std::vector<LedZoneRecord> out;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    out.push_back({static_cast<uint8_t>(bytes[i] & kZoneFlagMask), bytes[i + 1], bytes[i + 2], bytes[i + 3]});
  }
  return out;
}

ZoneLook LookOf(const LedZoneRecord& record, const Rgb& default_colour) {
  return {record.own_colour() ? record.colour() : default_colour, record.always_on()};
}

std::string RgbHex(const Rgb& colour) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", colour[0], colour[1], colour[2]);
  return buf;
}

bool ParseRgbHex(std::string_view text, Rgb& colour) {
  if (text.size() == 7 && text[0] == '#') text.remove_prefix(1);
  if (text.size() != 6) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  Rgb out{};
  for (size_t i = 0; i < 3; ++i) {
    const int hi = nibble(text[2 * i]), lo = nibble(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  colour = out;
  return true;
}

}  // namespace halvric::lighting
