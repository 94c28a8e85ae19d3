#pragma once
// Translation from the PC set-1 scan codes the program's key tables use (extended keys written
// as 0xE0nn) to Linux input event codes (KEY_*), whose XKB keycode is the event code + 8.
//
// The scan codes follow the convention of the key tables rather than the raw keyboard bytes:
// 0x45 is Pause and 0xE045 is Num Lock, as the usage-to-scan table maps them.

namespace halvric::linux_hid {

// The input event code of the key with this scan code; 0 when no key has it.
int EventCodeForScanCode(int scan_code);

// Offset between an input event code and its XKB keycode.
inline constexpr int kXkbKeycodeOffset = 8;

}  // namespace halvric::linux_hid
