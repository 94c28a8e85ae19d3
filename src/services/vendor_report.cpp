#include "services/vendor_report.h"

#include <algorithm>

namespace halvric {
namespace {

uint8_t At(std::span<const uint8_t> r, size_t i) { return i < r.size() ? r[i] : 0; }

}  // namespace

uint8_t ReportXor(std::span<const uint8_t> report) {
  uint8_t x = 0;
  for (size_t i = 1; i < report.size(); ++i) x ^= report[i];
  return x;
}

bool IsMovementReport(std::span<const uint8_t> report) {
  return report.size() >= kMinVendorReportLength && (report[0] == 11 || report[0] == 1) &&
         report[1] == kMovementSubType;
}

bool IsTaggedReport(std::span<const uint8_t> report, uint8_t tag) {
  return report.size() >= kMinVendorReportLength && ReportXor(report) == 0 && report[report.size() - 2] == tag;
}

StatusReport DecodeStatus(std::span<const uint8_t> r) {
  StatusReport s;
  s.dpi_level = std::min(At(r, 2) & 0x07, kHighestDpiLevel);
  s.dpi_x = At(r, 3);
  s.dpi_y = At(r, 4);
  s.profile_byte = At(r, 5);
  s.profile = s.profile_byte & 0x07;
  s.angle_snapping = (At(r, 6) & 0x01) != 0;
  s.dpi_scroll = (At(r, 6) & 0x80) != 0;
  s.lift = static_cast<uint16_t>(At(r, 7) | (At(r, 8) << 8));
  s.sensor_reading = At(r, 11) + At(r, 12) * 255;
  s.sensor_level = At(r, 13);
  return s;
}

MovementReport DecodeMovement(std::span<const uint8_t> r) {
  MovementReport m;
  m.touch = (At(r, 2) & 0x01) != 0;
  m.dx = static_cast<int16_t>(static_cast<uint16_t>(At(r, 4) | (At(r, 5) << 8)));
  m.dy = static_cast<int16_t>(static_cast<uint16_t>(At(r, 6) | (At(r, 7) << 8)));
  m.tilt = static_cast<int8_t>(At(r, 9));
  return m;
}

}  // namespace halvric
