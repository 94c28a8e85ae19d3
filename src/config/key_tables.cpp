#include "config/key_tables.h"

#include <array>

#include "config/text_tables.h"

namespace halvric {
namespace {

constexpr std::array<KeyTableRow, 114> kKeyNames = {{
    {0x04, "A"}, {0x05, "B"}, {0x06, "C"}, {0x07, "D"}, {0x08, "E"}, {0x09, "F"}, {0x0A, "G"},
    {0x0B, "H"}, {0x0C, "I"}, {0x0D, "J"}, {0x0E, "K"}, {0x0F, "L"}, {0x10, "M"}, {0x11, "N"},
    {0x12, "O"}, {0x13, "P"}, {0x14, "Q"}, {0x15, "R"}, {0x16, "S"}, {0x17, "T"}, {0x18, "U"},
    {0x19, "V"}, {0x1A, "W"}, {0x1B, "X"}, {0x1C, "Y"}, {0x1D, "Z"},
    {0x1E, "1"}, {0x1F, "2"}, {0x20, "3"}, {0x21, "4"}, {0x22, "5"}, {0x23, "6"}, {0x24, "7"},
    {0x25, "8"}, {0x26, "9"}, {0x27, "0"},
    {0x28, "Enter"}, {0x29, "Esc"}, {0x2A, "Backspace"}, {0x2B, "Tab"}, {0x2C, "Space"},
    {0x2D, "-"}, {0x2E, "="}, {0x2F, "["}, {0x30, "]"}, {0x31, "\\"}, {0x32, "#"}, {0x33, ";"},
    {0x34, "'"}, {0x35, "`"}, {0x36, ","}, {0x37, "."}, {0x38, "/"}, {0x39, "Caps Lock"},
    {0x3A, "F1"}, {0x3B, "F2"}, {0x3C, "F3"}, {0x3D, "F4"}, {0x3E, "F5"}, {0x3F, "F6"},
    {0x40, "F7"}, {0x41, "F8"}, {0x42, "F9"}, {0x43, "F10"}, {0x44, "F11"}, {0x45, "F12"},
    {0x46, "PrintScreen"}, {0x47, "Scroll Lock"}, {0x48, "Pause"}, {0x49, "Insert"},
    {0x4A, "Home"}, {0x4B, "PageUp"}, {0x4C, "Delete"}, {0x4D, "End"}, {0x4E, "PageDown"},
    {0x4F, "\u2192"}, {0x50, "\u2190"}, {0x51, "\u2193"}, {0x52, "\u2191"},
    {0x53, "Num Lock"}, {0x54, "Keypad /"}, {0x55, "Keypad *"}, {0x56, "Keypad -"},
    {0x57, "Keypad +"}, {0x58, "Keypad Enter"},
    {0x59, "Keypad 1"}, {0x5A, "Keypad 2"}, {0x5B, "Keypad 3"}, {0x5C, "Keypad 4"},
    {0x5D, "Keypad 5"}, {0x5E, "Keypad 6"}, {0x5F, "Keypad 7"}, {0x60, "Keypad 8"},
    {0x61, "Keypad 9"}, {0x62, "Keypad 0"}, {0x63, "Keypad ."},
    {0x65, "Application"}, {0x66, "Power"}, {0x67, "Keypad ="},
    {0x8A, "\u5909\u63db"}, {0x8B, "\u7121\u5909\u63db"}, {0x90, "\ud55c/\uc789"}, {0x91, "\ud55c\uc790"},
    {0xE0, "Left Control"}, {0xE1, "Left Shift"}, {0xE2, "Left Alt"}, {0xE3, "Left Win"},
    {0xE4, "Right Control"}, {0xE5, "Right Shift"}, {0xE6, "Right Alt"}, {0xE7, "Right Win"},
    {0x88, "\u30ab\u30bf\u30ab\u30ca\r\n\u3072\u3089\u304c\u306a"}, {0x87, "\u2216"}, {0x89, "\\"},
}};

constexpr std::array<KeyTableRow, 14> kConsumerKeys = {{
    {0x223, "Web Browser"}, {0x194, "My Computer"}, {0x192, "Calculator"}, {0x183, "Media Player"},
    {0xE2, "Mute"}, {0xEA, "Volume -"}, {0xE9, "Volume +"}, {0xCD, "Play/Pause"}, {0xB0, "Play"},
    {0xB1, "Pause"}, {0xB5, "Next Track"}, {0xB6, "Previous Track"}, {0xB7, "Stop"},
    {0xB3, "Fast Forward"},
}};

constexpr std::array<KeyTableRow, 21> kConsumerUsageNames = {{
    {0xB0, "Play"}, {0xB1, "Pause"}, {0xB3, "Fast Forward"}, {0xB4, "Rewind"},
    {0xB5, "Scan Next Track"}, {0xB6, "Scan Previous Track"}, {0xB7, "Stop"}, {0xCD, "Play/Pause"},
    {0xE2, "Mute"}, {0xE9, "Volume +"}, {0xEA, "Volume -"}, {0x183, "Media Player"},
    {0x18A, "E-Mail"}, {0x192, "Calculator"}, {0x194, "My Computer"}, {0x221, "Search"},
    {0x223, "WWW Home"}, {0x224, "Back"}, {0x225, "Forward"}, {0x227, "Refresh"},
    {0x22A, "Bookmarks"},
}};

}  // namespace

std::span<const KeyTableRow> KeyNameTable() { return kKeyNames; }

std::string_view KeyTableName(int usage) {
  for (const KeyTableRow& row : kKeyNames) {
    if (row.code == usage) return row.name;
  }
  return {};
}

std::span<const KeyTableRow> ConsumerKeyTable() { return kConsumerKeys; }

int ConsumerKeyRow(int usage) {
  for (size_t i = 0; i < kConsumerKeys.size(); ++i) {
    if (kConsumerKeys[i].code == usage) return static_cast<int>(i);
  }
  return -1;
}

std::string ConsumerKeyName(const TextTables& texts, int usage) {
  const int row = ConsumerKeyRow(usage);
  return row < 0 ? std::string() : texts.Get(TextFamily::consumer_key_str, row);
}

std::string_view ConsumerUsageName(int usage) {
  for (const KeyTableRow& row : kConsumerUsageNames) {
    if (row.code == usage) return row.name;
  }
  return "Unknown";
}

std::string ModifierPrefix(int modifiers) {
  std::string prefix;
  if (modifiers & 0x11) prefix += "Ctrl + ";
  if (modifiers & 0x22) prefix += "Shift + ";
  if (modifiers & 0x44) prefix += "Alt + ";
  if (modifiers & 0x88) prefix += "Win + ";
  return prefix;
}

}  // namespace halvric
