#include "macro/macro_file.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <vector>

#include "platform/archive_stream.h"
#include "platform/atomic_file.h"
#include "platform/text.h"

namespace halvric {

namespace {

bool ReadLimited(const std::filesystem::path& path, std::vector<uint8_t>& out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxMacroFileBytes) return false;
  std::string bytes;
  if (!ReadWholeFile(path.string(), bytes) || bytes.size() > kMaxMacroFileBytes) return false;
  out.assign(bytes.begin(), bytes.end());
  return true;
}

bool Replace(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  return WriteFileAtomically(path.string(), {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

// Files shorter than this are skipped without a message.
constexpr std::size_t kMinMacroFileBytes = 10;

struct ParsedMacroFile {
  int64_t time = 0;
  std::string name;
  int32_t mode = 0;
  std::vector<uint8_t> code;
  int32_t byte_count = 0;
};

enum class ParseResult { kOk, kWrongMagic, kTruncated, kBadCount };

ParseResult ParseMacroBytes(std::span<const uint8_t> data, bool read_code, ParsedMacroFile& out) {
  ArchiveReader reader(data);
  std::string magic;
  if (!reader.ReadString(magic) || (magic != kMacroMagic61 && magic != kMacroMagic62)) {
    return ParseResult::kWrongMagic;
  }
  if (magic == kMacroMagic62) {
    std::string reserved;
    if (!reader.ReadString(reserved)) return ParseResult::kTruncated;
  }
  if (!reader.ReadI64(out.time) || !reader.ReadString(out.name) || !reader.ReadI32(out.mode) ||
      !reader.ReadI32(out.byte_count)) {
    return ParseResult::kTruncated;
  }
  // A negative count, or one that runs past the data, is not a macro file.
  if (out.byte_count < 0 || static_cast<std::size_t>(out.byte_count) > reader.remaining()) {
    return ParseResult::kBadCount;
  }
  if (read_code && !reader.ReadBytes(static_cast<std::size_t>(out.byte_count), out.code)) {
    return ParseResult::kTruncated;
  }
  return ParseResult::kOk;
}

// Reads and parses a file; `loading` selects how truncation is reported.
MacroFileResult<ParsedMacroFile> ReadMacroFile(const std::filesystem::path& path, bool read_code, bool loading) {
  using Result = MacroFileResult<ParsedMacroFile>;
  std::vector<uint8_t> data;
  if (!ReadLimited(path, data)) return Result::Failure(MacroFileStatus::kUnreadable, path.string() + ": cannot be read");
  const Result invalid = Result::Failure(MacroFileStatus::kInvalidFormat, kInvalidMacroFileMessage);
  if (data.size() < kMinMacroFileBytes) {
    return Result::Failure(MacroFileStatus::kUnreadable, path.string() + ": too short for a macro file");
  }
  ParsedMacroFile out;
  switch (ParseMacroBytes(data, read_code, out)) {
    case ParseResult::kOk: return out;
    case ParseResult::kWrongMagic: return invalid;
    case ParseResult::kBadCount: return invalid;
    case ParseResult::kTruncated:
      // Lists skip damaged files quietly; a file the user opens gets a message.
      return loading ? invalid : Result::Failure(MacroFileStatus::kUnreadable, path.string() + ": cut off");
  }
  return invalid;
}

std::vector<uint8_t> EncodeMacroFile(std::string_view name, int mode, std::span<const uint8_t> code,
                                     int64_t time) {
  ArchiveWriter writer;
  writer.WriteString(kMacroMagic62);
  writer.WriteString("");
  writer.WriteI64(time);
  writer.WriteString(std::string(Trim(name)));
  writer.WriteI32(mode);
  writer.WriteI32(static_cast<int32_t>(code.size()));
  writer.WriteBytes(code);
  return writer.bytes();
}

}  // namespace

bool HasMacroExtension(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (text.size() < 3) return false;
  const std::string tail = text.substr(text.size() - 3);
  return tail[0] == '.' && AsciiLower(tail[1]) == 'm' && AsciiLower(tail[2]) == 'f';
}

MacroFileResult<_MACRO_LIST_ITEM_> ReadMacroHeader(const std::filesystem::path& path) {
  auto read = ReadMacroFile(path, false, false);
  if (!read) return MacroFileResult<_MACRO_LIST_ITEM_>::Failure(read.fault(), read.message());
  const ParsedMacroFile& parsed = *read;
  _MACRO_LIST_ITEM_ item;
  item.name = parsed.name;
  item.path = path.string();
  item.time = parsed.time;
  item.type = parsed.mode;
  item.size = parsed.byte_count + kMacroHeaderOverhead;
  return item;
}

MacroFileResult<Macro> LoadMacroFile(const std::filesystem::path& path, int64_t* time) {
  using Result = MacroFileResult<Macro>;
  if (!HasMacroExtension(path)) return Result::Failure(MacroFileStatus::kNotMacroPath, path.string() + ": not a macro file (.mf)");
  auto read = ReadMacroFile(path, true, true);
  if (!read) return Result::Failure(read.fault(), read.message());
  Macro macro;
  macro.name = read->name;
  macro.mode = read->mode;
  macro.items = ParseInstructions(read->code);
  if (time != nullptr) *time = read->time;
  return macro;
}

MacroFileStatus SaveMacroFile(const std::filesystem::path& path, const Macro& macro, int64_t time) {
  const std::vector<uint8_t> code = SerializeInstructions(macro.items);
  const std::vector<uint8_t> bytes = EncodeMacroFile(macro.name, macro.mode, code, time);
  return Replace(path, bytes) ? MacroFileStatus::kOk : MacroFileStatus::kWriteFailed;
}

MacroFileStatus SaveMacroFile(const std::filesystem::path& path, const Macro& macro) {
  return SaveMacroFile(path, macro, UnixNow());
}

MacroFileStatus RenameMacroFile(const std::filesystem::path& path, std::string_view new_name, int64_t time) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::filesystem::path target = path.parent_path() / std::string(new_name);
    if (path.filename().empty()) target = path.parent_path().parent_path() / std::string(new_name);
    // An existing file or folder of the new name is never replaced.
    return RenameNoReplace(path.string(), target.string()) ? MacroFileStatus::kOk : MacroFileStatus::kWriteFailed;
  }
  if (!HasMacroExtension(path)) return MacroFileStatus::kNotMacroPath;
  const auto parsed = ReadMacroFile(path, true, true);
  if (!parsed) return parsed.fault();
  // The old instruction bytes are kept exactly as they were, including anything after a 00.
  const std::vector<uint8_t> bytes = EncodeMacroFile(new_name, parsed->mode, parsed->code, time);
  return Replace(path, bytes) ? MacroFileStatus::kOk : MacroFileStatus::kWriteFailed;
}

std::string CleanFileName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    switch (c) {
      case '\\': case '/': case '"': case ':': case '<': case '>': case '|': case '?': case '*':
        c = '_';
        break;
      default:
        break;
    }
  }
  return out;
}

std::string TodayText(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", (local.tm_year + 1900) % 10000, local.tm_mon + 1,
                local.tm_mday);
  return buffer;
}

std::string ExportFileName(std::string_view macro_name, std::string_view date) {
  return CleanFileName(macro_name) + "_" + std::string(date);
}

std::string ImportFileName(std::string_view date) { return "macro_" + std::string(date); }

int64_t UnixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace halvric
