#pragma once
// What identification learns about one mouse interface.

#include <array>
#include <cstdint>

namespace halvric {

inline constexpr uint16_t kVendorId = 0x0C45;
inline constexpr int kDeviceRecordSize = 256;

struct DeviceInfo {
  int type_code = 3;
  int protocol_level = 0;
  int generation = 0;
  int device_class = 0;
  int variant = 0;
  uint32_t feature_flags = 0;
  int sensor_a = 3;
  int sensor_b = 64;
  int extended_flag = 0;
  int lighting = 0;
  int feature_report_length = 0;
  uint16_t product_id = 0;
  // Information entries at 72 + 4 i; on level 1-10 the whole record as the mouse holds it.
  std::array<uint8_t, kDeviceRecordSize> record{};
};

// Whether the mouse gets lighting requests at all: it has the lighting flag and a protocol level
// that stores a lighting effect (3 and above). The one place this is decided.
inline bool HasLighting(const DeviceInfo& info) { return info.lighting != 0 && info.protocol_level >= 3; }

// DPI per raw unit of the mouse's sensor: 100 for sensor 18, else 50.
inline int DpiStep(const DeviceInfo& info) { return info.sensor_a == 18 ? 100 : 50; }

}  // namespace halvric
