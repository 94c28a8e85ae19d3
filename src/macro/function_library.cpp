#include "macro/function_library.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <system_error>

#include "config/describe_assignment.h"
#include "config/key_labels.h"
#include "macro/instruction_set.h"
#include "macro/macro_file.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
#include "platform/text.h"

namespace halvric {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kInternalPrefix = "@_INTERNAL_";

bool HasIniExtension(const fs::path& path) {
  return AsciiLower(path.extension().string()) == ".ini";
}

void LoadFile(const fs::path& ini_path, const FunctionLibraryFilter& filter, FunctionLibrary& library, int& next_id) {
  const ProfileFile ini(ini_path.string());
  const std::string name = ini.GetString("DB", "name", ProfileFile::kAbsent);
  if (name == ProfileFile::kAbsent) return;

  const int index = static_cast<int>(library.files.size());
  library.files.push_back({name, ini.GetString("DB", "tag", ""), ini_path.string()});
  _MACRO_LIST_ITEM_ folder;
  folder.type = kEntryFolder;
  folder.name = std::string(kInternalPrefix) + std::to_string(index);
  folder.desc = name;
  folder.path = ini_path.string();
  folder.depth = 1;
  folder.id = next_id++;
  const std::size_t folder_index = library.entries.size();
  library.entries.push_back(folder);

  for (int n = 0; n < kLibrarySectionCount; ++n) {
    const std::string section = kLibrarySectionPrefix + std::to_string(n);
    _MACRO_LIST_ITEM_ entry;
    entry.name = ini.GetString(section, "name", ProfileFile::kAbsent);
    if (entry.name == ProfileFile::kAbsent) continue;
    entry.desc = ini.GetString(section, "desc", "");
    entry.type = ini.GetInt(section, "type", 0);
    entry.op1 = ini.GetInt(section, "op1", 0);
    entry.op2 = ini.GetInt(section, "op2", 0);
    entry.op3 = ini.GetInt(section, "op3", 0);
    if (!LibraryEntryAdmitted(entry.type, entry.op1, filter)) continue;
    const std::string relative = ini.GetString(section, "path", "");
    // Types 8-10 with op3 255 are built-in actions (tilt, double click ...), not macro files.
    const bool macro = entry.type >= kMacroModeOnce && entry.type <= kMacroModeFire && entry.op3 != 255;
    if (macro) {
      // The macro file lies in the library's folder: a path that leads elsewhere is not read.
      const auto file = PathInsideFolder(ini_path.parent_path(), relative);
      if (!file || !HasMacroExtension(*file)) continue;
      const auto header = ReadMacroHeader(*file);
      if (!header) continue;
      entry.path = file->string();
      entry.size = header->size;
      entry.time = header->time;
    } else {
      entry.path = relative;
    }
    entry.depth = 2;
    entry.parent = folder.id;
    entry.id = next_id++;
    library.entries.push_back(entry);
    ++library.entries[folder_index].size;
  }
}

}  // namespace

bool LibraryEntryAdmitted(int type, int op1, const FunctionLibraryFilter& filter) {
  if (type == 18 || type == 20) {
    const bool supported = filter.variant == 2 || filter.variant == 3 || filter.variant == 6;
    if (!supported || (type == 20 && filter.variant == 6)) return false;
  }
  if (type == 2 && (op1 & 0x01) != 0 && !filter.admit_touch_entries) return false;
  return true;
}

FunctionLibrary LoadLibraryFiles(const fs::path& program_folder, const FunctionLibraryFilter& filter, int first_id) {
  FunctionLibrary library;
  int next_id = first_id;
  std::error_code ec;
  const fs::path builtin = program_folder / "bulitin.ini";
  if (fs::is_regular_file(builtin, ec)) LoadFile(builtin, filter, library, next_id);

  std::vector<fs::path> files;
  for (fs::directory_iterator it(program_folder / "library", ec), end; !ec && it != end; it.increment(ec)) {
    if (HasIniExtension(it->path()) && fs::is_regular_file(it->path(), ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) LoadFile(file, filter, library, next_id);
  return library;
}

FunctionLibrary LoadLibraryFiles(const fs::path& program_folder, const FunctionLibraryFilter& filter,
                                 const TextTables& texts, const KeyLabels& keys, int dpi_unit, int first_id) {
  FunctionLibrary library = LoadLibraryFiles(program_folder, filter, first_id);
  LabelLibraryEntries(library.entries, texts, keys, dpi_unit);
  return library;
}

void LabelLibraryEntries(MacroList& entries, const TextTables& texts, const KeyLabels& keys, int dpi_unit) {
  for (_MACRO_LIST_ITEM_& entry : entries) {
    if (!entry.IsFolder()) {
      entry.label = DescribeAssignment(texts, keys, entry.type, entry.op1, entry.op2, entry.op3, dpi_unit);
    }
  }
}

int InternalFolderIndex(const std::string& name) {
  if (!name.starts_with(kInternalPrefix)) return -1;
  const std::string_view digits = std::string_view(name).substr(kInternalPrefix.size());
  int value = -1;
  const auto [end, err] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (err != std::errc() || end != digits.data() + digits.size() || digits.empty()) return -1;
  return value;
}

}  // namespace halvric
