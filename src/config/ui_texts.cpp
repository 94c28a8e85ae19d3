#include "config/ui_texts.h"

#include <iterator>

namespace halvric::ui_text {
namespace {

constexpr std::string_view kEnglish[] = {
    "Level %d",
    "DPI  \u00b7  Level %d",
    "Upgrade firmware",
    "HEX",
    "checksum",
    "enter isp",
    "write",
    "exit isp",
    "1 time",
    "pairing",
    "progress",
    "acknowledgement",
    "firmware file (Intel HEX)",
    "send",
    "query",
    "toggle",
    "Close",
    "abort",
    "The mouse's firmware will be replaced. Its settings are saved to an automatic backup first. Continue?",
    "A firmware write is running: press \"abort\" first",
    "HEX File (*.hex)",
    "%04X, %02X   ,%d (err count=%d)",
    "[%d] return addr=%04X, flag=%02X",
    "count %d, %lldms (err count=%d)",
    "write error!!",
    "abort!!",
    "backup error!! nothing was written",
    "the firmware image holds nothing to write",
    "%s: cannot be read",
    "invalid HEX file: %s",
    "Scroll to change DPI",
    "angle snapping ON",
    "angle snapping OFF",
    "zone :%d",
    "%d bytes",
    "new",
    "%s: cannot be written",
    "Macro File (*.mf)",
    "Backup File (*.bf)",
    "Tilt-scroll and touch are off: %s. Install the udev rule 70-halvric-uinput.rules (the halvric package "
    "installs it), then log in again.",
    "uinput cannot be used",
    "Touch is off: in a Wayland session a program does not learn where the pointer is, and the window in front "
    "cannot be minimised by the mouse either.",
    "Linked profiles follow only programs running under XWayland (Wine and Proton games among them): %s",
    "Linked profiles need to know the window in front, which this session does not tell: %s",
    "no X display could be reached.",
    "enable the Halvric focus extension (gnome-extensions enable halvric-focus@halvric.github.io), then log out "
    "and in again.",
    "KWin did not run Halvric's window script (is it installed?).",
    "Sway's IPC socket ($SWAYSOCK) could not be reached.",
    "this compositor offers neither Sway's IPC nor the wlroots foreign-toplevel protocol.",
    "write error!! The settings before the restore are in %s",
    "write error!! The settings before the reset are in %s",
    "The automatic backup failed (%s); nothing was written",
    "the data folder %s cannot be created",
    "line %d: %s",
    "odd number of hex digits",
    "not a hex digit: '%s'",
    "record too short",
    "record holds %d data bytes, its count says %d",
    "record checksum is %s, the record needs %s",
    "address record with %d data bytes",
    "unknown record type %s",
    "no end-of-file record (the file is incomplete)",
    "%s is too large for a firmware HEX file",
    "The backup holds %d bytes but the mouse's memory has only %d",
    "The mouse stopped answering; no backup was written",
    "Here only the desktop sets the pointer acceleration: in its own mouse settings",
    "running as a native Wayland client: the on-screen display cannot keep its corner or stay above other windows; "
    "start with -platform xcb (or QT_QPA_PLATFORM=xcb) to run through XWayland",
    "running as a native Wayland client: the on-screen display cannot keep its corner or stay above other windows; "
    "this session has no XWayland to run through instead",
    "%s is not a private folder of this user; not starting",
    "no graphical session (neither WAYLAND_DISPLAY nor DISPLAY is set); for a terminal, use halvricctl",
    "cannot reach the X display \"%s\"",
    "cannot start again; start the program to see the new language",
    "Usage: halvric [OPTION]...",
    "Configure programmable USB gaming mice (vendor 0x0C45) from the desktop.",
    "start hidden in the notification area (shown where the desktop has none)",
    "end the running instance, then end",
    "store ID as the language setting in set.ini",
    "make a new access code for the information page",
    "work with simulated mice (comma-separated list of level0, level5, level11, level11-blank; default level11)",
    "keep the simulated mice's memory in FILE",
    "print this text and end",
    "print the version and end",
    "The Windows-style spellings /hide, /close, /langid=ID and /genpin are accepted, in any letter case, and so "
    "are Qt's own options (-platform, -display ...).",
    "Only one instance runs per user: a second start brings the running window to the front. For scripts and "
    "terminals, see halvricctl(1).",
    "unknown option '%s'",
    "Try 'halvric --help' for more information.",
};
static_assert(std::size(kEnglish) == kCount, "one English text per slot");

}  // namespace

std::string_view English(int slot) {
  return slot >= 0 && slot < kCount ? kEnglish[static_cast<size_t>(slot)] : std::string_view();
}

std::string Formatted(const TextTables& texts, int slot, const std::vector<FormatArg>& args) {
  return SafeFormat(texts.Get(TextFamily::ui_str, slot), args);
}

}  // namespace halvric::ui_text
