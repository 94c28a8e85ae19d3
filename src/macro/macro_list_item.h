#pragma once
// One entry of the macro and function-library lists.

#include <cstdint>
#include <string>
#include <vector>

namespace halvric {

inline constexpr int kEntryFolder = -1;

struct _MACRO_LIST_ITEM_ {
  std::string desc;    // description (function library entries)
  std::string name;    // macro name from the file, folder name, or mouse slot name
  std::string path;    // full path of the file or folder; the ini's path for library entries
  int32_t size = 0;    // bytes the macro needs in the mouse; entries inside for folders
  int32_t type = 0;    // -1 folder; 8-10 macro mode; other function codes for library entries
  int32_t op1 = 0;
  int32_t op2 = 0;
  int32_t op3 = 0;
  int64_t time = 0;    // file time stamp, seconds since 1970
  int32_t depth = 0;   // nesting level in the tree
  int32_t parent = 0;  // id of the containing folder (0 = top)
  int32_t id = 0;      // scan identifier, from 1
  int32_t inMouse = 0; // 1: stands for a mouse memory slot
  int32_t slot = 0;    // mouse slot index 0-79 of such an entry
  std::string label;   // function library entries: the function's display text

  bool IsFolder() const { return type == kEntryFolder; }
};

using MacroList = std::vector<_MACRO_LIST_ITEM_>;

}  // namespace halvric
