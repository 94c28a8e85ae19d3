#pragma once
// Read-only function libraries shipped with the program: "bulitin.ini" and "library/*.ini" in
// the program folder. Each file becomes a folder entry named "@_INTERNAL_<n>" with its functions
// listed below it; macro functions point at .mf files beside the ini.
//
// File layout: section [DB] with "name" (display name; files without it are skipped) and
// "tag"; sections [ITEM0] .. [ITEM159], each with "name", "desc", "path", "type", "op1", "op2",
// "op3". Numbers may have gaps.

#include <filesystem>
#include <string>
#include <vector>

#include "macro/macro_list_item.h"

namespace halvric {

class KeyLabels;
class TextTables;

inline constexpr const char* kLibrarySectionPrefix = "ITEM";
inline constexpr int kLibrarySectionCount = 160;

struct FunctionLibraryFile {
  std::string name;  // [DB] name
  std::string tag;   // [DB] tag
  std::string path;  // the ini file
};

struct FunctionLibrary {
  std::vector<FunctionLibraryFile> files;  // files[n] is the folder "@_INTERNAL_<n>"
  MacroList entries;                       // folder entries, each followed by its functions
};

struct FunctionLibraryFilter {
  int variant = 0;                // the connected model's variant value
  bool admit_touch_entries = true; // type-2 entries with bit 0x01 in op1
};

// Macro functions (types 8-10 except built-in actions with op3 255) are listed only when their
// .mf file reads.
// Reads bulitin.ini, then library/*.ini in name order, from `program_folder`. Entry paths of
// macro functions are resolved against the ini's folder; ids count from `first_id`.
FunctionLibrary LoadLibraryFiles(const std::filesystem::path& program_folder, const FunctionLibraryFilter& filter,
                                 int first_id = 1);

// The same, with each function entry labelled (see LabelLibraryEntries).
FunctionLibrary LoadLibraryFiles(const std::filesystem::path& program_folder, const FunctionLibraryFilter& filter,
                                 const TextTables& texts, const KeyLabels& keys, int dpi_unit, int first_id = 1);

// Sets the label of every entry that is not a folder to the display text of its function
// (type, op1, op2, op3) with the current texts and key names; `dpi_unit` is the device's DPI step.
void LabelLibraryEntries(MacroList& entries, const TextTables& texts, const KeyLabels& keys, int dpi_unit);

// Whether an entry of `type` and `op1` is offered under `filter`.
bool LibraryEntryAdmitted(int type, int op1, const FunctionLibraryFilter& filter);

// The number n of a folder entry named "@_INTERNAL_<n>", or -1 for any other name.
int InternalFolderIndex(const std::string& name);

}  // namespace halvric
