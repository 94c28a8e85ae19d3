#pragma once
// The mouse's unsolicited vendor input reports: how each kind is recognised and what it carries.
// Byte 0 is the report id; n is the report length.
//   status (byte 1 = 12):      2 DPI level (bits 0-2), 3-4 its X/Y, 5 profile, 6 bit 0 angle
//                              snapping / bit 7 DPI-scroll mode, 7-8 lift word, 11-12 sensor
//                              reading (byte 11 + 255 x byte 12), 13 sensor level
//   host action (byte 1 = 13): 2 action
//   movement (byte 0 = 11 or 1, byte 1 = 11): 2 bit 0 touch, 4-5 dx, 6-7 dy (signed 16-bit
//                              little-endian), 9 tilt steps (signed 8-bit)
// Status and host-action reports carry the report tag at n-2 and make the XOR of bytes 1 to n-1
// zero; movement reports are taken without either test.

#include <cstdint>
#include <span>
#include <string>

namespace halvric {

inline constexpr size_t kMinVendorReportLength = 11;  // shorter reports are ignored
inline constexpr uint8_t kMovementSubType = 11;
inline constexpr uint8_t kStatusSubType = 12;
inline constexpr uint8_t kHostActionSubType = 13;
inline constexpr int kHighestDpiLevel = 4;

// The XOR of bytes 1 to n-1: zero for a report with a good checksum.
uint8_t ReportXor(std::span<const uint8_t> report);

bool IsMovementReport(std::span<const uint8_t> report);
// Long enough, good checksum and the tag at n-2.
bool IsTaggedReport(std::span<const uint8_t> report, uint8_t tag);

struct StatusReport {
  int dpi_level = 0;        // bits 0-2 of byte 2, values above 4 taken as 4
  uint8_t dpi_x = 0;
  uint8_t dpi_y = 0;
  uint8_t profile_byte = 0; // the whole byte 5
  int profile = 0;          // bits 0-2 of byte 5
  bool angle_snapping = false;
  bool dpi_scroll = false;
  uint16_t lift = 0;
  int sensor_reading = 0;   // byte 11 + byte 12 x 255
  uint8_t sensor_level = 0;
};

struct MovementReport {
  bool touch = false;
  int16_t dx = 0;
  int16_t dy = 0;
  int8_t tilt = 0;
};

// The decoders expect a report of at least kMinVendorReportLength bytes (status: 14, since it
// carries the sensor fields); missing bytes read as 0.
StatusReport DecodeStatus(std::span<const uint8_t> report);
MovementReport DecodeMovement(std::span<const uint8_t> report);
inline uint8_t HostAction(std::span<const uint8_t> report) { return report.size() > 2 ? report[2] : 0; }

}  // namespace halvric
