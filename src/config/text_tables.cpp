#include "config/text_tables.h"

#include <string_view>

#include "config/ctl_texts.h"
#include "config/key_tables.h"
#include "config/ui_texts.h"
#include "platform/profile_file.h"

namespace halvric {
namespace {

struct FamilyInfo {
  TextFamily family;
  std::string_view key;  // language.ini key; families with more than one slot append the index
  int count;
  bool indexed;
};

// In the order language.ini is read.
constexpr FamilyInfo kFamilies[] = {
    {TextFamily::type_str, "type_str", 43, true},
    {TextFamily::extra_function_str, "extra_function_str", 100, true},
    {TextFamily::cap_input_str, "cap_input_str", 6, true},
    {TextFamily::macro_str, "macro_str", 17, true},
    {TextFamily::macro_bt_str, "macro_bt_str", 5, true},
    {TextFamily::mouse_str, "mouse_str", 11, true},
    {TextFamily::button_str, "button_str", 60, true},
    {TextFamily::button_tip_str, "button_tip_str", 60, true},
    {TextFamily::drag_tip_str, "drag_tip_str", 10, true},
    {TextFamily::msg_str, "msg_str", 70, true},
    {TextFamily::class_str, "class_str", 8, true},
    {TextFamily::end_str, "end_str", 1, false},
    {TextFamily::macro_editor_cap_str, "macro_editor_cap_str", 1, false},
    {TextFamily::profile_str, "profile_str", 1, false},
    {TextFamily::launch_str, "launch_str", 1, false},
    {TextFamily::menu_str, "menu_str", 2, true},
    {TextFamily::consumer_key_str, "consumer_key_str", 14, true},
    {TextFamily::version_str, "version_str", 1, false},
    {TextFamily::firmware_str, "firmware_str", 1, false},
    {TextFamily::ui_str, "ui_str", ui_text::kCount, true},
    {TextFamily::ctl_str, "ctl_str", ctl_text::kCount, true},
};
constexpr size_t kFamilyCount = sizeof(kFamilies) / sizeof(kFamilies[0]);

constexpr const char* kReserved = "\u4fdd\u7559";

const std::vector<std::string_view> kTypeNames = {
    "Default", "No function", "HID Key1", "HID Key2", "Mouse ", "Keyboard ", "Mutimedia", kReserved,
    "Macro ", "Macro(R) ", "Macro(F) ", kReserved, "DPI+", "DPI-", "DPI loop", "DPI firekey",
    "DPI hotkey", "Profile switch", "Adjust lift", "LED on/off", "Angle snapping ON/OFF", "Adjust DPI",
    "Adjust Button", "Profile/DPI switch", "Scroll hotkey", "Scroll hotkey", "Alternate", "Fire button",
    "", "Keyboard cycle (Positive)", "Keyboard cycle (Reverse)", "Keyboard cycle (Current)",
    "Motion scrolling", "Rapid fire", "", "", "", "", "", "",
    "",  // 40
};

const std::vector<std::string_view> kCapInput = {
    "Enter name", "Enter profile name", "Enter macro name", "Edit macro", "New macro - enter macro name", ""};

const std::vector<std::string_view> kMacroStr = {
    "Execute one time", "Loop mode", "Firekey mode", "Press & hold Keyboard  %s", "Release Keyboard  %s",
    "Wait %d ms", "Jump to address %d", "Set ACC=ACC-1, if ACC!=0 then jump to address %d", "Set ACC=%d",
    "Release Consumer-key", "Press & hold Consumer-key  %s", "Mouse Movement (%d , %d)",
    "Wheel Scrolling  %d count(unit)", "Press & hold mouse button %s", "Release mouse button %s",
    "System command", "Mouse Move to (%d , %d)"};

const std::vector<std::string_view> kMacroBt = {"Left", "Right", "Middle", "B4", "B5"};

const std::vector<std::string_view> kMouseStr = {
    "Left click", "Right click", "Wheel click", "Backward", "Forward", "Tilt left", "Tilt right",
    "Scroll up", "Scroll down", "Double click", "Triple click"};

const std::vector<std::string_view> kButtonStr = {
    "Button settings", "DPI settings", "Other", "Reset", "Backup", "Restore", "Select", "OK", "Cancel",
    "Default", "Set", "Hide", "Import", "Export", "Name", "One time mode", "Loop mode", "Firekey mode",
    "Record", "Stop", "Clear", "Record intervals", "X-Y independent", "Angle snapping", "Report rate",
    "Delete", "Enable DPI / profile OSD", "Load", "Record click positions", "Record cursor track", "%dms",
    "Press && hold to get position", "Function list", "Macro edit", "Disable mouse acceleration (OS)",
    "Load", "Save", "New", "Macro type", "New folder", "", "", "", "", "", "Light effect", "Color",
    "Breathe", "Always ON", "", "", "Customize", "Wave", "Wave (Invert)", "Random 1", "Random 2", "", "", "",
    "Set all lights"};

const std::vector<std::string_view> kClassStr = {
    "Mouse", "Keyboard", "Advanced", "Macro", "User Macro", "User Macro (Mouse memory)", "Key Cycle", ""};

const std::vector<std::string_view> kButtonTipStr = {
    "", "", "", "Reset all mouse setting", "Save mouse setting to file", "Load mouse setting from file",
    "", "", "", "", "", "", "Import macro from file", "Export current macro to file",
    "Click here to enter name", "", "", "", "Record keyboard and mouse action", "Stop recording",
    "Clear macro", "", "", "", "Hz", "Delete macro", "", "", "", "", "", "", "", "", "", "Load macro",
    "Save macro", "New macro", "", "New folder", "Discard", "Add", "Yes", "No", "Cancel", "Light effect",
    "Color", "Breathe", "Always ON", "", "", "Customize", "Wave", "Wave (Invert)", "Random 1", "Random 2",
    // 56..59 stand for the first four page names.
    "Mouse", "Keyboard", "Advanced", "Macro"};

const std::vector<std::string_view> kDragTipStr = {
    "Drag the macro scrip from the right edit area to here to create a new macro.",
    "Drag the macro scrip from the right edit area to here to save a new macro.",
    "Drag a macro in the left list to here to edit.",
    "Drag button to here to remove current seting",
    "Drag command to here to remove",
    "Drag to the right edit area for editing.\r\nDrag to the left list for saving.",
    "", "", "", ""};

const std::vector<std::string_view> kMsgStr = {
    "Function list", "Macro list", "Save to macro list", "Insert keyboard / mouse or scroll instruction",
    "Insert mouse move", "Insert delay instruction", "", "",
    "Quick Drop Function: Drag and Drop to Button Setting for quick configuration.",
    "free memory: %d bytes", "No device !!", "All setting will be reset !!  continue?",
    "Current setting will be overwritten !! continue?", "Add \"%s\" to favorite...", "Relative", "Absolute",
    "Press %s to start recording.", "Press %s to stop recording.", "Record mouse movement:",
    "Lack of space !!", "invalid format !!", "Recording...", "Save changes in macro '%s' ?",
    "Click to change name", "Macro name", "Delete macro '%s' ?", "Folder name", "Delete folder '%s' ?",
    "Root", "Function lbrary", "Overwrite macro '%s' ?", "Macro list (PC)", "Mouse button", "Mouse memory",
    "Empty", "Click to change function", "Button list", "Mouse manager",
    "%d sec, Press keyboard or click mouse button for binding", "Quick binding", "Key Cycle:", "Type:",
    "Positive cycle", "Reverse cycle", "Current position", "Press keyboard for adding", "Lock X-axis",
    "Lock Y-axis", "Virtual Key", "Exit program ?", "Close connection ?",
    "Save changes in macro '%s' ? or discard it.", "Assign an executable file to current profile.",
    "Enter application name", "GENERAL OPTIONS", "INFORMATION", "DRIVER SETTINGS", "", "Model",
    "PIN number", "PIN error !", "Delay", "Low", "High", "Auto", "", "", "", "", ""};

void Fill(std::vector<std::string>& slots, const std::vector<std::string_view>& texts) {
  for (size_t i = 0; i < texts.size() && i < slots.size(); ++i) slots[i] = std::string(texts[i]);
}

std::string ReplaceBackslashN(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

const std::string kEmpty;

}  // namespace

TextTables::TextTables() {
  slots_.resize(kFamilyCount);
  for (const FamilyInfo& info : kFamilies) slots_[static_cast<size_t>(info.family)].resize(static_cast<size_t>(info.count));
  auto s = [this](TextFamily f) -> std::vector<std::string>& { return slots_[static_cast<size_t>(f)]; };
  Fill(s(TextFamily::type_str), kTypeNames);
  s(TextFamily::end_str)[0] = "-- End --";
  s(TextFamily::macro_editor_cap_str)[0] = "Macro Editor";
  s(TextFamily::profile_str)[0] = "Profile";
  s(TextFamily::launch_str)[0] = "Launch setting";
  s(TextFamily::type_str)[41] = s(TextFamily::launch_str)[0];
  s(TextFamily::type_str)[42] = s(TextFamily::end_str)[0];
  s(TextFamily::extra_function_str)[0] = "Volume scroll";
  Fill(s(TextFamily::cap_input_str), kCapInput);
  Fill(s(TextFamily::macro_str), kMacroStr);
  Fill(s(TextFamily::macro_bt_str), kMacroBt);
  Fill(s(TextFamily::mouse_str), kMouseStr);
  Fill(s(TextFamily::button_str), kButtonStr);
  Fill(s(TextFamily::button_tip_str), kButtonTipStr);
  Fill(s(TextFamily::drag_tip_str), kDragTipStr);
  Fill(s(TextFamily::msg_str), kMsgStr);
  Fill(s(TextFamily::class_str), kClassStr);
  Fill(s(TextFamily::menu_str), {"Settings", "Quit"});
  s(TextFamily::version_str)[0] = "Software version";
  s(TextFamily::firmware_str)[0] = "Firmware version";
  for (int i = 0; i < ui_text::kCount; ++i) s(TextFamily::ui_str)[static_cast<size_t>(i)] = std::string(ui_text::English(i));
  for (int i = 0; i < ctl_text::kCount; ++i) s(TextFamily::ctl_str)[static_cast<size_t>(i)] = std::string(ctl_text::English(i));
  const auto consumer = ConsumerKeyTable();
  for (size_t i = 0; i < consumer.size(); ++i) s(TextFamily::consumer_key_str)[i] = std::string(consumer[i].name);
}

const std::string& TextTables::Get(TextFamily family, int index) const {
  const auto f = static_cast<size_t>(family);
  if (f >= slots_.size() || index < 0 || static_cast<size_t>(index) >= slots_[f].size()) return kEmpty;
  return slots_[f][static_cast<size_t>(index)];
}

void TextTables::Set(TextFamily family, int index, std::string text) {
  const auto f = static_cast<size_t>(family);
  if (f >= slots_.size() || index < 0 || static_cast<size_t>(index) >= slots_[f].size()) return;
  slots_[f][static_cast<size_t>(index)] = std::move(text);
}

int TextTables::Count(TextFamily family) const {
  const auto f = static_cast<size_t>(family);
  return f < slots_.size() ? static_cast<int>(slots_[f].size()) : 0;
}

int TextTables::LoadLanguage(const std::string& path, int language_id) {
  const ProfileFile file(path);
  std::string section = std::to_string(language_id);
  if (file.GetString(section, "type_str1", ProfileFile::kAbsent) == ProfileFile::kAbsent) {
    language_id = 1033;
    section = "1033";
  }
  enable_color_ = file.GetInt("MISC", "EnableColor", 0);

  bool type41_given = false;
  bool type42_given = false;
  for (const FamilyInfo& info : kFamilies) {
    for (int i = 0; i < info.count; ++i) {
      const std::string key = info.indexed ? std::string(info.key) + std::to_string(i) : std::string(info.key);
      std::string value = file.GetString(section, key, ProfileFile::kAbsent);
      if (value == ProfileFile::kAbsent) continue;
      if (info.family == TextFamily::drag_tip_str) value = ReplaceBackslashN(value);
      if (info.family == TextFamily::button_tip_str && i >= 56 && i <= 59) {
        Set(TextFamily::class_str, i - 56, value);
      }
      if (info.family == TextFamily::type_str && i == 41) type41_given = true;
      if (info.family == TextFamily::type_str && i == 42) type42_given = true;
      Set(info.family, i, std::move(value));
    }
  }
  // Slots 41 and 42 of the type names show the launch and end texts unless given themselves.
  if (!type41_given) Set(TextFamily::type_str, 41, Get(TextFamily::launch_str));
  if (!type42_given) Set(TextFamily::type_str, 42, Get(TextFamily::end_str));
  language_ = language_id;
  return language_id;
}

}  // namespace halvric
