#pragma once
// Macro file readers seen as a status and an out-value, the form most macro tests check.

#include <filesystem>

#include "macro/macro_file.h"

namespace halvric::test {

// Loads `path` into `macro` (left empty on failure) and gives the reader's status.
inline MacroFileStatus LoadMacro(const std::filesystem::path& path, Macro& macro, int64_t* time = nullptr) {
  auto r = LoadMacroFile(path, time);
  macro = r ? std::move(r).value() : Macro{};
  return r ? MacroFileStatus::kOk : r.fault();
}

inline MacroFileStatus ReadHeader(const std::filesystem::path& path, _MACRO_LIST_ITEM_& item) {
  auto r = ReadMacroHeader(path);
  if (r) item = std::move(r).value();
  return r ? MacroFileStatus::kOk : r.fault();
}

}  // namespace halvric::test
