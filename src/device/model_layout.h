#pragma once
// Which picture the main window draws for a mouse and which device key each drawn button edits.

#include <array>
#include <string>

#include "device/device_info.h"

namespace halvric {

inline constexpr int kMaxDrawnButtons = 32;

struct ModelLayout {
  int row = 0;               // model row 0..10 (picture and hot spots)
  int key_row = 0;           // key-index row 0..11
  int buttons = 10;          // drawn buttons
  bool alternate_layout = false;
  std::array<int, kMaxDrawnButtons> key_index{};
};

// Model row and button count from type code and protocol level, then the key indexes, with the
// level-11 substitution of keys 22/23 by 30/31.
ModelLayout DecideModelLayout(int type_code, int protocol_level);

// Display name of a model: indexed by type code (above 24: the entry of 3); a short-report
// mouse of type 15 has a name of its own.
std::string ModelName(int type_code, bool short_report);
// The name of an identified mouse.
std::string ModelName(const DeviceInfo& info);

}  // namespace halvric
