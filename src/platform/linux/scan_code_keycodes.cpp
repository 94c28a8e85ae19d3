#include "platform/linux/scan_code_keycodes.h"

#include <array>
#include <linux/input-event-codes.h>
#include <utility>

namespace halvric::linux_hid {
namespace {

// Keys whose scan code is not their event code: the extended keys, the keys of Japanese,
// Korean and Brazilian keyboards, F13-F24 and the two keys the key tables swap.
constexpr std::array<std::pair<int, int>, 57> kSpecialKeys{{
    {0x45, KEY_PAUSE},
    {0x54, KEY_SYSRQ},  // Alt + PrintScreen
    {0x59, KEY_KPEQUAL},
    {0x64, KEY_F13},
    {0x65, KEY_F14},
    {0x66, KEY_F15},
    {0x67, KEY_F16},
    {0x68, KEY_F17},
    {0x69, KEY_F18},
    {0x6A, KEY_F19},
    {0x6B, KEY_F20},
    {0x6C, KEY_F21},
    {0x6D, KEY_F22},
    {0x6E, KEY_F23},
    {0x70, KEY_KATAKANAHIRAGANA},
    {0x71, KEY_HANJA},
    {0x72, KEY_HANGEUL},
    {0x73, KEY_RO},
    {0x76, KEY_F24},
    {0x79, KEY_HENKAN},
    {0x7B, KEY_MUHENKAN},
    {0x7D, KEY_YEN},
    {0x7E, KEY_KPCOMMA},
    {0xE010, KEY_PREVIOUSSONG},
    {0xE019, KEY_NEXTSONG},
    {0xE01C, KEY_KPENTER},
    {0xE01D, KEY_RIGHTCTRL},
    {0xE020, KEY_MUTE},
    {0xE021, KEY_CALC},
    {0xE022, KEY_PLAYPAUSE},
    {0xE024, KEY_STOPCD},
    {0xE02E, KEY_VOLUMEDOWN},
    {0xE030, KEY_VOLUMEUP},
    {0xE032, KEY_HOMEPAGE},
    {0xE035, KEY_KPSLASH},
    {0xE037, KEY_SYSRQ},  // PrintScreen
    {0xE038, KEY_RIGHTALT},
    {0xE045, KEY_NUMLOCK},
    {0xE046, KEY_PAUSE},  // Ctrl + Pause (Break)
    {0xE047, KEY_HOME},
    {0xE048, KEY_UP},
    {0xE049, KEY_PAGEUP},
    {0xE04B, KEY_LEFT},
    {0xE04D, KEY_RIGHT},
    {0xE04F, KEY_END},
    {0xE050, KEY_DOWN},
    {0xE051, KEY_PAGEDOWN},
    {0xE052, KEY_INSERT},
    {0xE053, KEY_DELETE},
    {0xE05B, KEY_LEFTMETA},
    {0xE05C, KEY_RIGHTMETA},
    {0xE05D, KEY_COMPOSE},
    {0xE05E, KEY_POWER},
    {0xE05F, KEY_SLEEP},
    {0xE063, KEY_WAKEUP},
    {0xE065, KEY_SEARCH},
    {0xE06C, KEY_MAIL},
}};

}  // namespace

int EventCodeForScanCode(int scan_code) {
  for (const auto& [scan, code] : kSpecialKeys) {
    if (scan == scan_code) return code;
  }
  // The plain keys of set 1 (Esc .. F12, the main block and the numeric pad) were numbered in
  // scan-code order, so their event code is their scan code.
  if ((scan_code >= 0x01 && scan_code <= 0x53) || (scan_code >= 0x56 && scan_code <= 0x58)) return scan_code;
  return 0;
}

}  // namespace halvric::linux_hid
