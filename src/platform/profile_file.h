#pragma once
// Windows-style profile files ("ini"): [section] headers and key=value lines.
//
// Lookups follow the rules the program's files were written for: section and key names are
// compared without regard to ASCII case, the first matching section and the first matching key
// in it win, values are trimmed of blanks and tabs and lose one pair of enclosing double quotes,
// and a caller-given default is returned for anything absent. Lines whose first non-blank
// character is ';' are comments; lines without '=' and keys before the first section are
// ignored.
//
// Files are read as UTF-16LE with a byte-order mark, or as UTF-8 with or without one, with CR LF
// or LF line ends. Writes keep every other line, comment and the order of the file, and go back
// in the file's own encoding and line ends (UTF-8 with LF for a new file); each write replaces
// the file atomically. Strings in this interface are UTF-8. An object is not thread-safe.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace halvric {

class ProfileFile {
 public:
  // The default the program passes to mean "absent": a read that returns it found nothing.
  static constexpr std::string_view kAbsent = "@_NOSTR_";
  // The longest value read back by default (a 1000-character buffer holds 999 and the end mark).
  static constexpr size_t kDefaultMaxChars = 999;
  // Larger files are not read (they read as missing) and never written. A language file with
  // every language in UTF-16 stays far below it.
  static constexpr size_t kMaxFileBytes = size_t{16} << 20;

  enum class Encoding { kUtf8, kUtf8Bom, kUtf16Le };

  // Reads the file now. A missing or unreadable file reads as an empty file.
  explicit ProfileFile(std::string path);

  const std::string& path() const { return path_; }
  // Whether the file could be read at the last (re)load.
  bool exists() const { return exists_; }
  // Why a file that is there could not be read at the last (re)load (too large, no permission,
  // an I/O error); empty when it was read or is not there at all.
  const std::string& read_error() const { return read_error_; }
  Encoding encoding() const { return encoding_; }
  bool uses_crlf() const { return crlf_; }
  // Reads the file again from disk. Returns exists().
  bool Reload();

  // The value of `key` in `section`, or `default_value` when absent; at most `max_chars`
  // characters (code points) either way.
  std::string GetString(std::string_view section, std::string_view key, std::string_view default_value,
                        size_t max_chars = kDefaultMaxChars) const;
  // The value read as an integer: decimal, or hexadecimal after "0x"; an optional sign; digits
  // are taken up to the first other character (none gives 0); 32-bit wrap-around like the
  // system's reader. `default_value` when the key is absent or its value empty.
  int GetInt(std::string_view section, std::string_view key, int default_value) const;

  bool HasSection(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // Section names as written, each distinct name once, in file order.
  std::vector<std::string> Sections() const;
  // Key names of the (first matching) section as written, each distinct key once, in file order.
  std::vector<std::string> Keys(std::string_view section) const;
  // (key, value) pairs of the section, as GetString would return them, in file order.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

  // Sets `key` in `section` to `value`: replaces the first matching key in place, else adds the
  // key at the end of the first matching section, else appends the section. Creates a missing
  // file (but not a missing folder). The file is re-read before the change so that writes of
  // other objects are kept. Returns false, with a reason in `error`, when the file cannot be
  // written or a name or value would break the file's structure (line breaks, ']' in a section
  // name, '=' in a key name); the file is then unchanged.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                   std::string* error = nullptr);
  bool WriteInt(std::string_view section, std::string_view key, int value, std::string* error = nullptr);
  // Sets several keys of `section` as WriteString would, in one replacement of the file: either
  // all of them reach the file or none does.
  bool WriteStrings(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries,
                    std::string* error = nullptr);

 private:
  struct Section {
    std::string name;  // as written
    std::vector<std::pair<std::string, std::string>> entries;  // first occurrence of each key
    std::unordered_map<std::string, size_t> index;             // lower-cased key -> entries
  };

  void Parse(std::string_view bytes);
  void BuildIndex();
  const Section* FindSection(std::string_view section) const;
  // Sets one key in lines_ (names already checked and trimmed).
  void SetLine(std::string_view section, std::string_view key, std::string_view value);
  std::string Serialize() const;

  std::string path_;
  bool exists_ = false;
  std::string read_error_;
  Encoding encoding_ = Encoding::kUtf8;
  bool crlf_ = false;
  bool final_newline_ = true;
  std::vector<std::string> lines_;  // UTF-8, without line ends
  std::vector<Section> sections_;   // first occurrence of each section name
  std::unordered_map<std::string, size_t> section_index_;
};

}  // namespace halvric
