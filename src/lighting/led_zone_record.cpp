#include "lighting/led_zone_record.h"

#include <cstdio>

#include "platform/text.h"

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
  return FormatHex(colour, {}, HexCase::kUpper);
}

bool ParseRgbHex(std::string_view text, Rgb& colour) {
  if (text.size() == 7 && text[0] == '#') text.remove_prefix(1);
  if (text.size() != 6) return false;
  Rgb out{};
  for (size_t i = 0; i < 3; ++i) {
    const int hi = HexDigitValue(text[2 * i]), lo = HexDigitValue(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  colour = out;
  return true;
}

}  // namespace halvric::lighting
