#pragma once
// What the programs know of each mouse model, one row per type code: its name, the picture the
// main window draws (row index into the artwork and hot spots) with its button count, the key
// index row, the lighting zones and default zone colour, and which functions it offers.
// A new model is one new row in model_table.cpp.

#include <array>
#include <cstdint>
#include <vector>

namespace halvric {

struct ModelPicture {
  int row = 0;      // picture and hot spots 0..10
  int buttons = 10; // drawn buttons
};

struct ModelRow {
  int type_code = -1;               // -1: the row of every type code without one of its own
  const char* name = "";
  const char* short_report_name = nullptr;  // the name of a short-report mouse, when it differs
  ModelPicture short_picture;       // protocol level 0
  ModelPicture long_picture;        // protocol level 1 and above
  int level11_key_row = -1;         // key-index row on level 11 and above; -1: the picture row
  bool alternate_layout = false;
  std::array<uint8_t, 3> default_colour{};  // of a lighting zone without a colour of its own
  int zones = 7;                    // lighting zones shown before `zones_generation`
  int zones_later = 7;              // and from that firmware generation on
  int zones_generation = 0;
  bool adjust_lift = false;         // the Adjust lift function is shown for its buttons
  int adjust_lift_from_level = 0;   // below this level the function list has no Adjust lift row
};

// The row of a type code; a type code without a row of its own gets the shared fallback row.
const ModelRow& ModelRowFor(int type_code);

// Key-index rows 0..11: the device key index each drawn button edits, in drawing order. Rows
// 0..10 belong to the pictures of the same index; row 11 is picture 8 on level 11 and above.
const std::vector<int>& KeyIndexRow(int key_row);

// The number of lighting zones a model shows for a firmware generation.
inline int LightingZones(const ModelRow& row, int generation) {
  return generation >= row.zones_generation ? row.zones_later : row.zones;
}

}  // namespace halvric
