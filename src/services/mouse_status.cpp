#include "services/mouse_status.h"

#include <algorithm>
#include <cstdlib>

namespace halvric {

void MouseStatus::SetSensorReadingCapable(bool on) {
  std::lock_guard l(mu_);
  sensor_capable_ = on;
}

StatusChanges MouseStatus::Apply(const StatusReport& report) {
  StatusChanges changes;
  std::lock_guard l(mu_);
  if (sensor_capable_) {
    sensor_reading_ = report.sensor_reading;
    if (std::abs(report.sensor_level - sensor_level_) > 2) {
      sensor_level_ = report.sensor_level;
      changes.sensor_level = true;
    }
  }
  if (context_.current_profile.exchange(report.profile) != report.profile) changes.profile = true;
  if (context_.current_dpi_level.exchange(report.dpi_level) != report.dpi_level) changes.dpi_level = true;
  dpi_[static_cast<size_t>(report.dpi_level)] = {report.dpi_x, report.dpi_y};
  return changes;
}

std::array<uint8_t, 2> MouseStatus::DpiValues(int level) const {
  std::lock_guard l(mu_);
  return dpi_[static_cast<size_t>(std::clamp(level, 0, kHighestDpiLevel))];
}

int MouseStatus::SensorReading() const {
  std::lock_guard l(mu_);
  return sensor_reading_;
}

int MouseStatus::SensorLevel() const {
  std::lock_guard l(mu_);
  return sensor_level_;
}

}  // namespace halvric
