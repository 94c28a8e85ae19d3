#pragma once
// Fixed translation tables between HID usages and key names: the keyboard-page names, the media
// keys offered to the user (consumer page) and the fixed consumer names of macro texts.

#include <span>
#include <string>
#include <string_view>

namespace halvric {

class TextTables;

struct KeyTableRow {
  int code;               // HID usage
  std::string_view name;  // display name (UTF-8)
};

// HID keyboard usage -> display name, 114 rows in their fixed order (not language-dependent).
std::span<const KeyTableRow> KeyNameTable();
// The table name of a keyboard usage (first matching row); empty when the usage has no row.
std::string_view KeyTableName(int usage);

// The media keys offered to the user: consumer usage and English default name, 14 rows. The
// names shown are the consumer_key_str texts of the same rows.
std::span<const KeyTableRow> ConsumerKeyTable();
// Row of the first ConsumerKeyTable entry with this usage, or -1.
int ConsumerKeyRow(int usage);
// The current (possibly translated) name of a consumer usage from the ConsumerKeyTable; empty
// when the usage is not in the table.
std::string ConsumerKeyName(const TextTables& texts, int usage);

// Fixed English names of consumer usages used in macro texts; "Unknown" for any other usage.
std::string_view ConsumerUsageName(int usage);

// Modifier prefix from a boot-keyboard modifier byte, left and right merged, in the order
// Ctrl, Shift, Alt, Win: e.g. 0x03 -> "Ctrl + Shift + ".
std::string ModifierPrefix(int modifiers);

}  // namespace halvric
