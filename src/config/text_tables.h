#pragma once
// Every user-visible text of the program: families of slots holding English defaults,
// replaceable key by key from language.ini at start.

#include <array>
#include <string>
#include <vector>

namespace halvric {

class ProfileFile;

enum class TextFamily {
  type_str,             // 0..42
  extra_function_str,   // 0..99
  cap_input_str,        // 0..5
  macro_str,            // 0..16
  macro_bt_str,         // 0..4
  mouse_str,            // 0..10
  button_str,           // 0..59
  button_tip_str,       // 0..59 (56..59 also set class_str 0..3)
  drag_tip_str,         // 0..9
  msg_str,              // 0..69
  class_str,            // 0..7
  end_str,              // single
  macro_editor_cap_str, // single
  profile_str,          // single
  launch_str,           // single
  menu_str,             // 0..1
  consumer_key_str,     // rows of the consumer key table
  version_str,          // single
  firmware_str,         // single
  ui_str,               // the program's own window texts (config/ui_texts.h)
  ctl_str,              // halvricctl's own texts (config/ctl_texts.h)
};

// The system's messages (msg_str) that more than one part of the program shows.
namespace msg_text {
inline constexpr int kFreeMemory = 9;      // "free memory: %d bytes"
inline constexpr int kNoDevice = 10;       // "No device !!"
inline constexpr int kLackOfSpace = 19;    // "Lack of space !!"
inline constexpr int kInvalidFormat = 20;  // "invalid format !!"
}  // namespace msg_text

class TextTables {
 public:
  // Filled with the English defaults.
  TextTables();

  // The slot's current text; an empty string for an index outside the family.
  const std::string& Get(TextFamily family, int index = 0) const;
  void Set(TextFamily family, int index, std::string text);
  // Number of slots of a family.
  int Count(TextFamily family) const;

  // Reads language.ini (the file at `path`) for `language_id` as the program does at start;
  // returns the language id actually used (1033 when the requested section is absent).
  int LoadLanguage(const std::string& path, int language_id);

  // "EnableColor" of section MISC, read by LoadLanguage.
  int enable_color() const { return enable_color_; }
  // The language id of the texts loaded last (1033 until a language is loaded).
  int language() const { return language_; }

 private:
  std::vector<std::vector<std::string>> slots_;
  int enable_color_ = 0;
  int language_ = 1033;
};

}  // namespace halvric
