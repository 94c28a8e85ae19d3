#pragma once
// The program's own window texts (family ui_str, language.ini keys ui_str0 .. ui_str71): the
// texts of the windows that the older families have no slot for — the DPI levels, the upgrade
// window, the on-screen display, file-dialog filters, byte counts, the notices of what the
// desktop session leaves off, and a backup or restore that failed. Slots with printf
// conversions are formatted with SafeFormat.

#include <string>
#include <string_view>
#include <vector>

#include "config/safe_format.h"
#include "config/text_tables.h"

namespace halvric::ui_text {

enum UiText : int {
  kDpiLevel,              // "Level %d"
  kDpiLevelHeading,       // "DPI  ·  Level %d"
  kUpgradeTitle,          // "Upgrade firmware"
  kUpgradeHex,            // "HEX"
  kUpgradeChecksum,       // "checksum"
  kUpgradeEnterIsp,       // "enter isp"
  kUpgradeWrite,          // "write"
  kUpgradeExitIsp,        // "exit isp"
  kUpgradeOneTime,        // "1 time"
  kUpgradePairing,        // "pairing"
  kUpgradeProgress,       // "progress"
  kUpgradeAck,            // "acknowledgement"
  kUpgradeFile,           // "firmware file (Intel HEX)"
  kUpgradeSend,           // "send"
  kUpgradeQuery,          // "query"
  kUpgradeToggle,         // "toggle"
  kUpgradeClose,          // "Close"
  kUpgradeAbort,          // "abort"
  kUpgradeConfirm,        // the question before a write
  kUpgradeBusy,           // closing while a write runs
  kUpgradeHexFilter,      // "HEX File (*.hex)"
  kUpgradeProgressLine,   // "%04X, %02X   ,%d (err count=%d)"
  kUpgradeAckLine,        // "[%d] return addr=%04X, flag=%02X"
  kUpgradeDone,           // "count %d, %lldms (err count=%d)"
  kUpgradeWriteError,     // "write error!!" (also any write the mouse did not take)
  kUpgradeAborted,        // "abort!!"
  kUpgradeBackupError,    // "backup error!! nothing was written"
  kUpgradeNothingToWrite, // "the firmware image holds nothing to write"
  kUpgradeUnreadable,     // "%s: cannot be read"
  kUpgradeBadHex,         // "invalid HEX file: %s"
  kOsdScrollHint,         // "Scroll to change DPI"
  kOsdAngleOn,            // "angle snapping ON"
  kOsdAngleOff,           // "angle snapping OFF"
  kZone,                  // "zone :%d"
  kBytes,                 // "%d bytes"
  kMacroNew,              // "new"
  kCannotWrite,           // "%s: cannot be written"
  kMacroFilter,           // "Macro File (*.mf)"
  kBackupFilter,          // "Backup File (*.bf)"
  kHostInputOff,          // "Tilt-scroll and touch are off: %s. ..."
  kUinputUnusable,        // "uinput cannot be used"
  kTouchOff,              // "Touch is off: ..."
  kLinkXWaylandOnly,      // "Linked profiles follow only programs running under XWayland ...: %s"
  kLinkNoForeground,      // "Linked profiles need to know the window in front ...: %s"
  kLinkNoX,               // why, on X11: no X display
  kLinkGnome,             // why, on GNOME: the extension is not enabled
  kLinkPlasma,            // why, on KDE Plasma: the KWin script did not run
  kLinkSway,              // why, on Sway: no IPC socket
  kLinkOther,             // why, on other compositors: no protocol offered
  kRestoreWriteError,     // "write error!! The settings before the restore are in %s"
  kResetWriteError,       // "write error!! The settings before the reset are in %s"
  kAutoBackupFailed,      // "The automatic backup failed (%s); nothing was written"
  kDataFolderError,       // "the data folder %s cannot be created"
  // Why a firmware HEX file was refused (device/intel_hex's problems).
  kHexLine,               // "line %d: %s"
  kHexOddDigits,          // "odd number of hex digits"
  kHexNotDigit,           // "not a hex digit: '%s'"
  kHexTooShort,           // "record too short"
  kHexCountMismatch,      // "record holds %d data bytes, its count says %d"
  kHexChecksum,           // "record checksum is %s, the record needs %s"
  kHexAddressRecord,      // "address record with %d data bytes"
  kHexUnknownType,        // "unknown record type %s"
  kHexNoEnd,              // "no end-of-file record (the file is incomplete)"
  kHexTooLarge,           // "%s is too large for a firmware HEX file"
  kBackupTooLarge,        // "The backup holds %d bytes but the mouse's memory has only %d"
  kBackupReadFailed,      // "The mouse stopped answering; no backup was written"
  kAccelNotSettable,      // "Here only the desktop sets the pointer acceleration: in its own mouse settings"
  kNativeWayland,         // "running as a native Wayland client: ... run through XWayland"
  kNativeWaylandNoX,      // "running as a native Wayland client: ... no XWayland to run through"
  kNotPrivateFolder,      // "%s is not a private folder of this user; not starting"
  kNoGraphicalSession,    // "no graphical session (neither WAYLAND_DISPLAY nor DISPLAY is set); ..."
  kCannotReachDisplay,    // "cannot reach the X display \"%s\""
  kCannotRestart,         // "cannot start again; start the program to see the new language"
  kUsage,                 // "Usage: halvric [OPTION]..."
  kUsageSummary,          // "Configure programmable USB gaming mice (vendor 0x0C45) from the desktop."
  kUsageHide,             // the options of halvric --help, one text each
  kUsageClose,
  kUsageLangid,
  kUsageGenpin,
  kUsageSimulate,
  kUsageSimState,
  kUsageHelp,
  kUsageVersion,
  kUsageSpellings,        // "The Windows-style spellings /hide, /close, /langid=ID and /genpin are accepted, ..."
  kUsageOneInstance,      // "Only one instance runs per user: ... see halvricctl(1)."
  kUnknownOption,         // "unknown option '%s'"
  kTryHelp,               // "Try 'halvric --help' for more information."
  kCount
};

// The English text of each slot, kCount of them.
std::string_view English(int slot);

// Slot `slot` of `texts` (family ui_str) formatted with `args`.
std::string Formatted(const TextTables& texts, int slot, const std::vector<FormatArg>& args = {});

}  // namespace halvric::ui_text
