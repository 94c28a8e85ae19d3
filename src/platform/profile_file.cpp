#include "platform/profile_file.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/text.h"
#include "platform/text_encoding.h"

namespace halvric {
namespace {

// Lines lose blanks, tabs and line ends (not other control characters).
std::string_view TrimBlanks(std::string_view s) { return Trim(s, " \t\r\n"); }

struct LineInfo {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;
  std::string_view value;
};

LineInfo Classify(std::string_view line) {
  LineInfo info;
  const std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() == ';') return info;
  if (t.front() == '[') {
    std::string_view name = t.substr(1);
    const size_t close = name.find(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    info.kind = LineInfo::kSection;
    info.name = TrimBlanks(name);
    return info;
  }
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return info;
  info.name = TrimBlanks(t.substr(0, eq));
  if (info.name.empty()) return info;
  info.kind = LineInfo::kKey;
  std::string_view value = TrimBlanks(t.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  info.value = value;
  return info;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) { Reload(); }

bool ProfileFile::Reload() {
  std::string bytes;
  std::string error;
  exists_ = ReadWholeFile(path_, bytes, &error, kMaxFileBytes);
  read_error_.clear();
  if (!exists_) {
    bytes.clear();
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) || ec) read_error_ = error;
  }
  Parse(bytes);
  return exists_;
}

void ProfileFile::Parse(std::string_view bytes) {
  encoding_ = Encoding::kUtf8;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    encoding_ = Encoding::kUtf16Le;
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding_ = Encoding::kUtf8Bom;
  }
  const std::string text = DecodeTextFile(bytes);
  crlf_ = text.find("\r\n") != std::string::npos;
  final_newline_ = text.empty() || text.back() == '\n';
  lines_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    start = end + 1;
  }
  BuildIndex();
}

void ProfileFile::BuildIndex() {
  sections_.clear();
  section_index_.clear();
  Section* current = nullptr;  // null before the first section and inside repeated sections
  for (const std::string& line : lines_) {
    const LineInfo info = Classify(line);
    if (info.kind == LineInfo::kSection) {
      const std::string key = AsciiLower(info.name);
      if (section_index_.count(key)) {
        current = nullptr;
      } else {
        section_index_.emplace(key, sections_.size());
        sections_.push_back(Section{std::string(info.name), {}, {}});
        current = &sections_.back();
      }
    } else if (info.kind == LineInfo::kKey && current) {
      const std::string key = AsciiLower(info.name);
      if (current->index.emplace(key, current->entries.size()).second) {
        current->entries.emplace_back(std::string(info.name), std::string(info.value));
      }
    }
  }
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const {
  const auto it = section_index_.find(AsciiLower(TrimBlanks(section)));
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key, std::string_view default_value,
                                   size_t max_chars) const {
  if (const Section* s = FindSection(section)) {
    const auto it = s->index.find(AsciiLower(TrimBlanks(key)));
    if (it != s->index.end()) return Utf8Prefix(s->entries[it->second].second, max_chars);
  }
  return Utf8Prefix(default_value, max_chars);
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int default_value) const {
  const Section* s = FindSection(section);
  if (!s) return default_value;
  const auto it = s->index.find(AsciiLower(TrimBlanks(key)));
  if (it == s->index.end()) return default_value;
  std::string_view v = s->entries[it->second].second;
  if (v.empty()) return default_value;
  bool negative = false;
  if (v.front() == '-' || v.front() == '+') {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  uint32_t result = 0;
  if (v.size() >= 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    for (char c : v.substr(2)) {
      uint32_t d;
      if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
      else break;
      result = result * 16u + d;
    }
  } else {
    for (char c : v) {
      if (c < '0' || c > '9') break;
      result = result * 10u + static_cast<uint32_t>(c - '0');
    }
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

bool ProfileFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

bool ProfileFile::HasKey(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s && s->index.count(AsciiLower(TrimBlanks(key))) != 0;
}

std::vector<std::string> ProfileFile::Sections() const {
  std::vector<std::string> out;
  out.reserve(sections_.size());
  for (const Section& s : sections_) out.push_back(s.name);
  return out;
}

std::vector<std::string> ProfileFile::Keys(std::string_view section) const {
  std::vector<std::string> out;
  if (const Section* s = FindSection(section)) {
    for (const auto& e : s->entries) out.push_back(e.first);
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ProfileFile::Entries(std::string_view section) const {
  if (const Section* s = FindSection(section)) return s->entries;
  return {};
}

std::string ProfileFile::Serialize() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i];
    if (i + 1 < lines_.size() || final_newline_) text += eol;
  }
  switch (encoding_) {
    case Encoding::kUtf16Le:
      return std::string("\xFF\xFE") + Utf8ToUtf16Le(text);
    case Encoding::kUtf8Bom:
      return "\xEF\xBB\xBF" + text;
    case Encoding::kUtf8:
      break;
  }
  return text;
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                              std::string* error) {
  return WriteStrings(section, {{std::string(key), std::string(value)}}, error);
}

bool ProfileFile::WriteStrings(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries,
                               std::string* error) {
  const std::string_view sec = TrimBlanks(section);
  if (sec.empty() || HasLineBreak(sec) || sec.find(']') != std::string_view::npos) {
    return SetError(error, "invalid section name");
  }
  for (const auto& [key, value] : entries) {
    const std::string_view k = TrimBlanks(key);
    if (k.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos || k.front() == '[' ||
        k.front() == ';') {
      return SetError(error, "invalid key name");
    }
    if (HasLineBreak(value)) return SetError(error, "value contains a line break");
  }

  // Start from the file as it is on disk now; an existing file that cannot be read (or is too
  // large to be a settings file) must not be replaced by one holding only these keys.
  std::string bytes;
  std::string read_error;
  if (!ReadWholeFile(path_, bytes, &read_error, kMaxFileBytes)) {
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) || ec) return SetError(error, read_error);
    bytes.clear();
  }
  Parse(bytes);
  for (const auto& [key, value] : entries) SetLine(sec, TrimBlanks(key), value);

  // All keys go to disk in one replacement: a crash leaves the old file or the new one.
  std::string write_error;
  const bool ok = WriteFileAtomically(path_, Serialize(), &write_error);
  if (!ok) {
    Parse(bytes);
    return SetError(error, write_error);
  }
  exists_ = true;
  read_error_.clear();
  BuildIndex();
  return true;
}

void ProfileFile::SetLine(std::string_view sec, std::string_view k, std::string_view value) {
  const std::string wanted_section = AsciiLower(sec);
  const std::string wanted_key = AsciiLower(k);
  bool in_section = false;
  bool section_found = false;
  size_t insert_at = 0;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const LineInfo info = Classify(lines_[i]);
    if (info.kind == LineInfo::kSection) {
      if (in_section) break;  // end of the first matching section
      in_section = AsciiLower(info.name) == wanted_section;
      if (in_section) {
        section_found = true;
        insert_at = i + 1;
      }
    } else if (in_section && info.kind == LineInfo::kKey) {
      if (AsciiLower(info.name) == wanted_key) {
        lines_[i] = std::string(info.name) + "=" + std::string(value);
        return;
      }
      insert_at = i + 1;
    }
  }
  const std::string line = std::string(k) + "=" + std::string(value);
  if (section_found) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), line);
  } else {
    if (lines_.empty()) final_newline_ = true;
    std::string header = "[";
    header.append(sec).append("]");
    lines_.push_back(std::move(header));
    lines_.push_back(line);
  }
}

bool ProfileFile::WriteInt(std::string_view section, std::string_view key, int value, std::string* error) {
  return WriteString(section, key, std::to_string(value), error);
}

}  // namespace halvric
