#pragma once
// Single changes to the mouse's configuration: the working copy is updated and the change sent to
// the mouse with its command sequence. Each returns false when the mouse did not take it (the
// working copy then keeps the new value, so that a retry sends it again).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/button_assignment.h"
#include "config/working_copy.h"
#include "device/device_layer.h"

namespace halvric {


// DPI of one level (raw X and Y): Wake; ApplyDpiLevel when it is the current level; StoreDpiLevel;
// Wake.
bool ChangeDpi(DeviceLayer& dev, WorkingCopy& wc, int level, uint8_t x, uint8_t y);
// Current DPI level and the enable mask. Level 11: stored as the DPI state value (memory byte 2),
// Commit, and the level's pair applied. Below: only the level's pair is applied (ApplyDpiLevel,
// between Wakes); the program keeps the level and the mask.
bool ChangeDpiState(DeviceLayer& dev, WorkingCopy& wc, int level, int mask);
// The enable mask alone: level 11 stores it with the current level as above; below, nothing is
// sent (the mouse has no place for it).
bool ChangeDpiMask(DeviceLayer& dev, WorkingCopy& wc, int mask);
bool ChangeRate(DeviceLayer& dev, WorkingCopy& wc, int rate_code);
bool ChangeAngleSnapping(DeviceLayer& dev, WorkingCopy& wc, bool on);
bool ChangeLift(DeviceLayer& dev, uint16_t value);
// Stored (the mouse keeps it at power-up) or live (application-linked switching).
bool ChangeProfile(DeviceLayer& dev, int profile, bool live);
// The same, and the working copy follows the switch when the mouse took it.
bool ChangeProfile(DeviceLayer& dev, WorkingCopy& wc, int profile, bool live);
// The mouse switched its profile by itself (its status report says so).
void NoteActiveProfile(WorkingCopy& wc, int profile);

bool ChangeProfileName(DeviceLayer& dev, WorkingCopy& wc, int profile, const std::string& name);
bool ChangeProfileColour(DeviceLayer& dev, WorkingCopy& wc, int profile, const std::array<uint8_t, 3>& rgb);
bool ChangeProfileFlag(DeviceLayer& dev, WorkingCopy& wc, int profile, bool flag);
// Level 11 and above: the per-profile enable bits.
bool ChangeProfileBits(DeviceLayer& dev, WorkingCopy& wc, uint8_t bits);

// The button's four planes, then Commit; the display text is recomputed.
bool ChangeButton(DeviceLayer& dev, WorkingCopy& wc, int profile, int key,
                  const ButtonAssignment& a);
// The bits of a profile record's head (its bytes before the name) that the program does not
// interpret, one mask byte per head byte: on level 0 byte 2, bits 6-7 of the colour byte and bytes
// 4-13; above, bits 0-6 of the flag byte and bytes 1-2. Flag and colour bits are 0.
std::vector<uint8_t> ProfileRecordOtherMask(const MemoryMap& map);
// Stores those bits of `head` (one byte per head byte) in the profile record, keeping the flag and
// colour the mouse holds; then Commit.
bool ChangeProfileRecordOther(DeviceLayer& dev, WorkingCopy& wc, int profile, std::span<const uint8_t> head);
// The profile's key-cycle block (21 bytes).
bool ChangeKeyCycleBlock(DeviceLayer& dev, WorkingCopy& wc, int profile,
                         const std::array<uint8_t, kExtensionSize>& block);

}  // namespace halvric
