#pragma once
// Which keyboard layout the user types with, when no X server can be asked: the XKB_DEFAULT_*
// variables of the environment, else the system's keyboard configuration file
// (/etc/default/keyboard on Debian: XKBMODEL, XKBLAYOUT, XKBVARIANT, XKBOPTIONS).

#include <string>
#include <string_view>

namespace halvric::linux_hid {

// The rule names XKB compiles a keymap from; empty fields take XKB's defaults.
struct XkbLayoutNames {
  std::string rules;
  std::string model;
  std::string layout;   // may list several layouts, "fr,us"; the first is the one typed with
  std::string variant;
  std::string options;

  bool operator==(const XkbLayoutNames&) const = default;
};

// Reads the shell-style assignments of a keyboard configuration file: KEY=value, KEY="value" or
// KEY='value'; comments, blank lines and other keys are skipped.
XkbLayoutNames ParseKeyboardDefaults(std::string_view text);

// The environment's names when they name a layout, else the configuration file's.
XkbLayoutNames ChooseLayoutNames(const XkbLayoutNames& environment, const XkbLayoutNames& keyboard_file);

// The names of this process: XKB_DEFAULT_* of the environment and /etc/default/keyboard.
XkbLayoutNames SystemLayoutNames();

}  // namespace halvric::linux_hid
