#pragma once
// What the mouse's status reports tell the program about the mouse: the active profile and DPI
// level (kept in the program context, where the windows and the foreground check share them),
// the X/Y values of each DPI level, and the sensor reading and level of models that report them.

#include <array>
#include <cstdint>
#include <mutex>

#include "services/program_context.h"
#include "services/vendor_report.h"

namespace halvric {

// What applying one status report changed.
struct StatusChanges {
  bool profile = false;      // the current profile index took the report's profile
  bool dpi_level = false;    // the current DPI level took the report's level
  bool sensor_level = false; // the sensor level moved by more than 2: redraw in full
};

class MouseStatus {
 public:
  explicit MouseStatus(ProgramContext& context) : context_(context) {}

  // Whether the connected model reports its sensor reading (set when a mouse is selected).
  void SetSensorReadingCapable(bool on);

  StatusChanges Apply(const StatusReport& report);

  std::array<uint8_t, 2> DpiValues(int level) const;  // {X, Y}; level clamped to 0-4
  int SensorReading() const;
  int SensorLevel() const;

 private:
  ProgramContext& context_;
  mutable std::mutex mu_;
  bool sensor_capable_ = false;
  int sensor_reading_ = 0;
  int sensor_level_ = 0;
  std::array<std::array<uint8_t, 2>, kHighestDpiLevel + 1> dpi_{};
};

}  // namespace halvric
