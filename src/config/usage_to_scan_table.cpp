#include "config/usage_to_scan_table.h"

#include <climits>

#include "config/key_tables.h"
#include "platform/atomic_file.h"
#include "platform/key_names.h"
#include "platform/text.h"
#include "platform/text_encoding.h"

namespace halvric {
namespace {

// Leading decimal number with an optional sign, like the C library's atoi but without overflow.
int ReadDecimal(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  long long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    if (v < INT_MAX) v = v * 10 + (c - '0');
  }
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(negative ? -v : v);
}

}  // namespace

UsageToScanTable UsageToScanTable::Parse(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (char c : raw) {
    if (c != '\r') text += c;
  }
  UsageToScanTable table;
  size_t pos = 0;
  for (;;) {
    const size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) break;
    const std::string_view line(text.data() + pos, lf - pos);
    pos = lf + 1;
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0) continue;
    int usage = ReadDecimal(Trim(line.substr(0, blank), "\r\n "));
    if (usage < 0 || usage > 255) usage = 0;
    table.scan_[static_cast<size_t>(usage)] = ReadDecimal(Trim(line.substr(blank + 1), "\t "));
  }
  return table;
}

bool UsageToScanTable::Load(const std::string& path, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) {
    *this = UsageToScanTable();
    return false;
  }
  *this = Parse(DecodeTextFile(bytes));
  return true;
}

int UsageToScanTable::ScanCode(int usage) const {
  return usage >= 0 && usage <= 255 ? scan_[static_cast<size_t>(usage)] : 0;
}

int UsageToScanTable::UsageForScanCode(int scan_code) const {
  for (int u = 0; u < 255; ++u) {
    const int s = scan_[static_cast<size_t>(u)];
    if (s != 0 && s == scan_code) return u;
  }
  return 0;
}

std::string UsageToScanTable::SystemKeyName(int usage, const KeyNameSource& names) const {
  const int s = ScanCode(usage);
  if (s == 0) return {};
  return names.KeyName((s & 0xFF) | ((s & 0xE000) ? 0xE000 : 0));
}

std::string KeyNameText(int usage, int modifiers, const UsageToScanTable& scan_table, const KeyNameSource& names) {
  std::string text = ModifierPrefix(modifiers);
  const auto rows = KeyNameTable();
  for (size_t i = 0; i < rows.size() && i < 200; ++i) {
    if (rows[i].code != usage) continue;
    std::string name = scan_table.SystemKeyName(usage, names);
    if (name.empty()) name = std::string(rows[i].name);
    return text + name;
  }
  if (text.ends_with("+ ")) text.resize(text.size() - 3);
  return text;
}

}  // namespace halvric
