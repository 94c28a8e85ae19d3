#include "device/model_layout.h"

#include <initializer_list>
#include <vector>

namespace halvric {
namespace {

const std::vector<std::vector<int>>& KeyIndexRows() {
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
  return rows;
}

bool Any(int t, std::initializer_list<int> set) {
  for (int v : set)
    if (t == v) return true;
  return false;
}

}  // namespace

ModelLayout DecideModelLayout(int t, int level) {
  ModelLayout m;
  auto set = [&](int row, int buttons) {
    m.row = row;
    m.buttons = buttons;
  };
  if (t == 9) set(1, 12);
  else if (t == 0) set(2, 10);
  else if (t == 1) set(3, 9);
  else if (t == 11 && level < 1) set(4, 12);
  else if (t == 11) set(6, 11);
  else if (t == 10 || t == 14) {
    set(5, 10);
    m.alternate_layout = t == 14;
  } else if (Any(t, {15, 18})) set(7, 8);
  else if (Any(t, {19, 20}) && level > 0) set(8, 14);
  else if (Any(t, {21, 22}) && level > 0) set(9, 10);
  else if (t == 32) set(5, 9);
  else if (Any(t, {23, 24}) && level > 0) set(10, 9);
  else if (level > 0) set(9, 10);

  m.key_row = (m.row == 8 && level > 10) ? 11 : m.row;
  const auto& row = KeyIndexRows()[m.key_row];
  for (size_t i = 0; i < row.size() && i < m.key_index.size(); ++i) m.key_index[i] = row[i];
  // Level-11 mice have their two extra keys at 30 and 31 where older ones had 22 and 23.
  if (m.key_row != 11 && level > 10) {
    for (int& k : m.key_index) {
      if (k == 22) k = 30;
      else if (k == 23) k = 31;
    }
  }
  return m;
}

std::string ModelName(int type_code, bool short_report) {
  static const char* const kNames[25] = {
      "Halvric M0",  "Halvric M1",  "Halvric M2",  "Halvric Mouse", "Halvric M4",  "Halvric M5",  "Halvric M6",
      "Halvric M7",  "Halvric M8",  "Halvric M9 Pro", "Halvric M10", "Halvric M11", "Halvric M12", "Halvric M13",
      "Halvric M14", "Halvric M15", "Halvric M16", "Halvric M17", "Halvric M18", "Halvric M19 RGB", "Halvric M20",
      "Halvric M21", "Halvric M22", "Halvric M23", "Halvric M24"};
  if (type_code == 15 && short_report) return "Halvric M15 Lite";
  if (type_code < 0 || type_code > 24) return kNames[3];
  return kNames[type_code];
}

}  // namespace halvric
