#pragma once
// Macro files (.mf): magic, (6.2 only) a reserved string, time stamp, name, mode, byte count and
// the instruction bytes. Both versions are read; version 6.2 is always written.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "macro/instruction_set.h"
#include "macro/macro_list_item.h"
#include "platform/file_result.h"

namespace halvric {

inline constexpr std::string_view kMacroMagic61 = "_@_MF6.1_";
inline constexpr std::string_view kMacroMagic62 = "_@_MF6.2_";
// Bytes a macro needs in the mouse beyond its instruction bytes (name field and end byte).
inline constexpr int kMacroHeaderOverhead = 33;
// Files larger than this are not macro files (the mouse holds at most 64 KiB).
inline constexpr std::size_t kMaxMacroFileBytes = 1 << 20;

enum class MacroFileStatus {
  kOk,
  kUnreadable,     // missing, unreadable, too short or truncated: skipped without a message
  kInvalidFormat,  // wrong magic or impossible counts: the caller shows "invalid format !!"
  kNotMacroPath,   // the path does not end in ".mf": refused without a message
  kWriteFailed,    // the file could not be written; nothing was changed
};

// What a macro file reader gives: the value read, or the status above with a message.
template <class T>
using MacroFileResult = FileResult<T, MacroFileStatus>;
// The message of a file that is not a macro file (the windows show their language's text).
inline constexpr const char* kInvalidMacroFileMessage = "invalid format !!";

// True when the path ends in ".mf" (any case).
bool HasMacroExtension(const std::filesystem::path& path);

// Name, time stamp, mode and size (byte count + 33) of a macro file, with `path` set to the
// file. The instruction bytes are not read (only checked to be present); a file cut off is
// kUnreadable, so that lists skip it quietly.
MacroFileResult<_MACRO_LIST_ITEM_> ReadMacroHeader(const std::filesystem::path& path);

// The whole macro. A file cut off is kInvalidFormat: the user opened it and gets a message.
// `time` receives the file's time stamp when not null.
MacroFileResult<Macro> LoadMacroFile(const std::filesystem::path& path, int64_t* time = nullptr);

// Writes `macro` as a 6.2 file stamped with `time` (seconds since 1970); the name is trimmed.
// The file is replaced atomically.
MacroFileStatus SaveMacroFile(const std::filesystem::path& path, const Macro& macro, int64_t time);
MacroFileStatus SaveMacroFile(const std::filesystem::path& path, const Macro& macro);

// A folder is renamed within its parent; a .mf file is rewritten under the same path with the
// new name, a new time stamp, and its old mode and instructions.
MacroFileStatus RenameMacroFile(const std::filesystem::path& path, std::string_view new_name, int64_t time);

// Replaces each of \ / " : < > | ? * by an underscore.
std::string CleanFileName(std::string_view name);

// Today's local date as "yyyy-MM-dd".
std::string TodayText(std::time_t now);

// Proposed file names (without extension) of the export and import dialogs.
std::string ExportFileName(std::string_view macro_name, std::string_view date);
std::string ImportFileName(std::string_view date);

// Seconds since 1970 now.
int64_t UnixNow();

}  // namespace halvric
