#pragma once
// The on-screen keyboard drawn and hit-tested by the button setting dialog and the macro
// editor, read from keyboard.ini in the program folder.

#include <array>
#include <string>
#include <vector>

namespace halvric {

class KeyNameSource;
class ProfileFile;
class TextTables;
class UsageToScanTable;

struct ScreenKey {
  std::string name;         // label drawn on the key
  int x = 0, y = 0;         // top-left corner relative to the keyboard origin
  int width = 0, height = 0;
  int scan_code = 0;        // set-1 scan code (0xE0nn for extended keys)
  int selected = 0;         // run-time mark: part of the current choice
  int small_font = 0;       // 1: label in the small font
  int modifier = 0;         // modifier bit of a modifier key, else 0
  int usage = 0;            // HID keyboard usage
  int consumer_usage = 0;   // consumer usage of a media key, else 0
  int consumer_row = -1;    // ConsumerKeyTable row of a media key; -1 when none
  std::array<int, 4> hit{}; // hit rectangle in window coordinates: left, top, right, bottom

  // Whether a window point lies in the hit rectangle (right and bottom edges excluded).
  bool Contains(int px, int py) const { return px >= hit[0] && px < hit[2] && py >= hit[1] && py < hit[3]; }
};

struct ScreenKeyboard {
  static constexpr const char* kFileName = "keyboard.ini";
  static constexpr int kMaxKeys = 140;

  std::vector<ScreenKey> keys;
  int origin_x = 0, origin_y = 0;
  int width = 0, height = 0;  // overall size, relative to the origin

  // Index of the key whose hit rectangle holds the point, or -1.
  int KeyAt(int px, int py) const;
};

// Reads sections [SET] and [KEY 1]..[KEY 140]. Media keys (chwcode) are laid out in one row at
// the y of the first media key, 75 pixels apart, 63 x 31, labelled with their consumer key
// names; other keys take their usage from the scan code when hwcode is absent, and the key text
// of their usage replaces the label when it is not empty and not longer.
ScreenKeyboard LoadScreenKeyboard(const ProfileFile& keyboard_ini, const TextTables& texts,
                                  const UsageToScanTable& scan_table, const KeyNameSource& names);

}  // namespace halvric
