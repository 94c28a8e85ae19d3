#pragma once
// The keyboard layout a desktop is configured with, for sessions without an X server to ask:
// GNOME keeps it in GSettings (org.gnome.desktop.input-sources: sources, xkb-options), KDE Plasma
// in ~/.config/kxkbrc ([Layout] LayoutList, VariantList, Model, Options).

#include <optional>
#include <string_view>

#include "platform/linux/xkb_layout_names.h"
#include "platform/session_desktop.h"

namespace halvric::linux_hid {

// The XKB sources of a printed GSettings value of `sources`, "[('xkb', 'de'), ('xkb', 'us+dvorak')]":
// layouts "de,us", variants ",dvorak". Input methods ('ibus', ...) are skipped; nullopt when no
// XKB source is listed. `options` is the printed `xkb-options` value, "['caps:escape']", or empty.
std::optional<XkbLayoutNames> ParseGnomeInputSources(std::string_view sources, std::string_view options = {});

// The layouts of a kxkbrc; nullopt when it lists none or Use=false (Plasma then leaves the layout
// to the system).
std::optional<XkbLayoutNames> ParseKxkbrc(std::string_view text);

// The configured layout of the session's desktop (GNOME from its GSettings, Plasma from
// $XDG_CONFIG_HOME/kxkbrc); nullopt for other desktops or when nothing is configured.
std::optional<XkbLayoutNames> DesktopLayoutNames(const SessionEnvironment& env);

}  // namespace halvric::linux_hid
