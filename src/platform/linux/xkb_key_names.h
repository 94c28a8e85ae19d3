#pragma once
// Key names from the user's keyboard layout, through libxkbcommon: the label of a key is the
// character its key produces without modifiers, in upper case (on an AZERTY keyboard "Q" for the
// key that US layouts label "A"), and a dead key as its accent.
// Keys that type no visible character (Esc, F1, arrows, the keypad, Space, modifiers) get no
// name, so that the program's own table names stand for them.
//
// In a Wayland session the layout comes from the compositor's keymap, else from the layout the
// desktop is configured with; without Wayland from the X server when a display is reachable (the
// live keymap, including a layout switched at run time before the source was made). Last come
// XKB_DEFAULT_* and /etc/default/keyboard.

#include <map>
#include <memory>
#include <string>

#include "platform/key_names.h"
#include "platform/linux/xkb_layout_names.h"

namespace halvric::linux_hid {

class XkbKeyNames final : public KeyNameSource {
 public:
  // Compiles the keymap of these names (empty fields: XKB's defaults, never the environment's).
  // Null when the keymap cannot be compiled (unknown layout, no XKB data files).
  static std::unique_ptr<XkbKeyNames> FromNames(const XkbLayoutNames& names);
  // Asks the X server of `display` (null: $DISPLAY) for its keymap and active layout. Null when
  // there is no display or it lacks the keyboard extension.
  static std::unique_ptr<XkbKeyNames> FromX11Display(const char* display = nullptr);

  // Compiles a keymap given as XKB's text format (a Wayland compositor's keymap). Null when it
  // does not compile.
  static std::unique_ptr<XkbKeyNames> FromKeymapText(const std::string& text);

  std::string KeyName(int scan_code) const override;

  // The names are computed once, so the source is immutable and safe to share between threads.
  explicit XkbKeyNames(std::map<int, std::string> names) : names_(std::move(names)) {}

 private:
  std::map<int, std::string> names_;
};

// The best source for this session, in the order above; a source without names when none works.
std::unique_ptr<KeyNameSource> UserKeyNames();

}  // namespace halvric::linux_hid
