#pragma once
// HID keyboard usage -> PC set-1 scan code (extended keys as 0xE0nn), read from the program's
// text resource usage_to_scan.txt: lines "usage scan" in decimal.

#include <array>
#include <string>
#include <string_view>

namespace halvric {

class KeyNameSource;

class UsageToScanTable {
 public:
  static constexpr const char* kFileName = "usage_to_scan.txt";

  // Every entry 0 (no mapping).
  UsageToScanTable() = default;

  // Fills the table from decoded text. Lines end in LF (CR LF and stray CRs are accepted);
  // the text after the last LF is not read. A line without a blank after its first character is
  // skipped; a usage outside 0..255 is stored at 0.
  static UsageToScanTable Parse(std::string_view text);
  // Reads and parses a file (UTF-16LE with byte-order mark, or UTF-8). False when it cannot be
  // read; the table is then left empty.
  bool Load(const std::string& path, std::string* error = nullptr);

  // Scan code of a usage; 0 for no mapping or a usage outside 0..255.
  int ScanCode(int usage) const;
  // The first usage 0..254 mapped to this scan code; 0 when none.
  int UsageForScanCode(int scan_code) const;
  // The keyboard layout's name of a usage's key; empty for an unmapped usage.
  std::string SystemKeyName(int usage, const KeyNameSource& names) const;

 private:
  std::array<int, 256> scan_{};
};

// Modifier prefix ("Ctrl + Shift + ") followed by the key's name: the layout's name when it has
// one, else the KeyNameTable name. A usage without a table row gives the prefix alone, without
// its final " + ".
std::string KeyNameText(int usage, int modifiers, const UsageToScanTable& scan_table, const KeyNameSource& names);

}  // namespace halvric
