#pragma once
// The keymap the Wayland compositor gives its clients' keyboards: a short-lived connection binds
// the first seat, asks for its keyboard and reads the XKB keymap text the compositor sends.

#include <optional>
#include <string>

namespace halvric::linux_hid {

// The keymap text of the compositor of $WAYLAND_DISPLAY; nullopt when there is no compositor,
// no seat with a keyboard, or the keymap is not in XKB's text format.
std::optional<std::string> WaylandKeymapText();

}  // namespace halvric::linux_hid
