#include "device/model_table.h"

#include <cstddef>

namespace halvric {
namespace {

constexpr ModelPicture kPlainShort{0, 10};
constexpr ModelPicture kPlainLong{9, 10};

constexpr ModelRow Row(int type, const char* name, ModelPicture short_picture, ModelPicture long_picture,
                       std::array<uint8_t, 3> colour) {
  ModelRow r;
  r.type_code = type;
  r.name = name;
  r.short_picture = short_picture;
  r.long_picture = long_picture;
  r.default_colour = colour;
  // Type codes 19 and above show eleven zones from generation 40 on and nine before; 11 to 18
  // nine from generation 32 on and seven before; the older models seven.
  if (type >= 19) {
    r.zones = 9;
    r.zones_later = 11;
    r.zones_generation = 40;
  } else if (type >= 11) {
    r.zones = 7;
    r.zones_later = 9;
    r.zones_generation = 32;
  }
  r.adjust_lift = type == 2 || type == 3 || type == 6 || type == 15;
  return r;
}

constexpr ModelRow Same(int type, const char* name, ModelPicture picture, std::array<uint8_t, 3> colour) {
  return Row(type, name, picture, picture, colour);
}

constexpr ModelRow Plain(int type, const char* name, std::array<uint8_t, 3> colour) {
  return Row(type, name, kPlainShort, kPlainLong, colour);
}

constexpr ModelRow With(ModelRow r, auto change) {
  change(r);
  return r;
}

constexpr ModelRow kRows[] = {
    Same(0, "Halvric M0", {2, 10}, {255, 0, 0}),
    Same(1, "Halvric M1", {3, 9}, {255, 0, 0}),
    Plain(2, "Halvric M2", {255, 64, 0}),
    Plain(3, "Halvric Mouse", {0, 128, 255}),
    Plain(4, "Halvric M4", {255, 0, 0}),
    Plain(5, "Halvric M5", {255, 0, 0}),
    Plain(6, "Halvric M6", {0, 255, 0}),
    Plain(7, "Halvric M7", {255, 0, 0}),
    Plain(8, "Halvric M8", {0, 0, 255}),
    Same(9, "Halvric M9 Pro", {1, 12}, {255, 32, 0}),
    Same(10, "Halvric M10", {5, 10}, {255, 0, 0}),
    Row(11, "Halvric M11", {4, 12}, {6, 11}, {0, 160, 255}),
    Plain(12, "Halvric M12", {255, 0, 128}),
    Plain(13, "Halvric M13", {0, 255, 64}),
    With(Same(14, "Halvric M14", {5, 10}, {255, 0, 0}), [](ModelRow& r) { r.alternate_layout = true; }),
    With(Same(15, "Halvric M15", {7, 8}, {255, 96, 0}),
         [](ModelRow& r) {
           r.short_report_name = "Halvric M15 Lite";
           r.adjust_lift_from_level = 10;
         }),
    Plain(16, "Halvric M16", {0, 0, 255}),
    Plain(17, "Halvric M17", {255, 0, 0}),
    Same(18, "Halvric M18", {7, 8}, {128, 0, 255}),
    With(Row(19, "Halvric M19 RGB", kPlainShort, {8, 14}, {255, 40, 0}), [](ModelRow& r) { r.level11_key_row = 11; }),
    With(Row(20, "Halvric M20", kPlainShort, {8, 14}, {0, 255, 255}), [](ModelRow& r) { r.level11_key_row = 11; }),
    Plain(21, "Halvric M21", {255, 0, 0}),
    Plain(22, "Halvric M22", {255, 255, 0}),
    Row(23, "Halvric M23", kPlainShort, {10, 9}, {255, 0, 64}),
    Row(24, "Halvric M24", kPlainShort, {10, 9}, {0, 64, 255}),
    // Named, coloured and lit like the generic mouse (type 3), with a picture of its own.
    With(Same(32, "Halvric Mouse", {5, 9}, {0, 128, 255}),
         [](ModelRow& r) {
           r.adjust_lift = false;
           r.zones = r.zones_later = 7;
           r.zones_generation = 0;
         }),
};

// Every other type code: the generic mouse's name, colour and lighting, the plain picture and no
// Adjust lift.
constexpr ModelRow kFallback =
    With(Plain(-1, "Halvric Mouse", {0, 128, 255}), [](ModelRow& r) { r.adjust_lift = false; });

}  // namespace

const std::vector<int>& KeyIndexRow(int key_row) {
  // Device key index of each drawn button, per key-index row.
  static const std::vector<std::vector<int>> rows = {
      {0, 1, 2, 3, 4, 5, 6, 14, 15, 7, 11, 12, 13},
      {0, 1, 2, 3, 4, 14, 15, 10, 9, 11, 12, 13, 5, 6, 7, 8},
      {0, 1, 2, 3, 4, 5, 6, 14, 15, 7, 11, 12, 13},
      {0, 1, 2, 3, 4, 5, 6, 14, 15, 11, 12, 13, 7, 8},
      {0, 1, 2, 3, 4, 5, 6, 14, 15, 7, 11, 9, 10, 12, 13, 8},
      {0, 1, 2, 3, 4, 5, 6, 14, 15, 7, 11, 12, 13, 10, 8, 9},
      {0, 1, 2, 3, 4, 7, 8, 22, 23, 5, 6, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 9, 10},
      {0, 1, 2, 3, 4, 5, 23, 22, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 6},
      {0, 1, 2, 3, 4, 6, 7, 11, 10, 9, 8, 12, 22, 23, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 5},
      {0, 1, 2, 3, 4, 7, 8, 6, 22, 23, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 5},
      {0, 1, 2, 3, 4, 7, 6, 23, 22, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 5},
      {0, 1, 2, 5, 6, 4, 7, 8, 9, 10, 11, 12, 30, 31, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 3},
  };
  return rows[static_cast<size_t>(key_row)];
}

const ModelRow& ModelRowFor(int type_code) {
  for (const ModelRow& r : kRows) {
    if (r.type_code == type_code) return r;
  }
  return kFallback;
}

}  // namespace halvric
