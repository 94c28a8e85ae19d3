#pragma once
// Buttons that play a stored macro: a button refers to a macro by the address of its first
// instruction, so moving or removing a macro means finding and rewriting those buttons.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace halvric {

struct Mouse;
struct WorkingCopy;

struct ButtonRef {
  int profile = 0;
  int key = 0;
  bool operator==(const ButtonRef&) const = default;
};

// True when the four button bytes play the macro whose body starts at `body`: function 8-10,
// parameters body low byte, high byte and 0.
bool BindingPointsTo(const std::array<uint8_t, 4>& bytes, uint32_t body);

// The buttons of all profiles (up to the model's buttons per profile) that play `body`.
std::vector<ButtonRef> ButtonsBoundTo(const WorkingCopy& wc, uint32_t body);

// The profile the mouse plays, as the working copy follows it (see WorkingCopy::active_profile).
int ActiveProfile(const WorkingCopy& wc);

// Writes `bytes` to each button (mouse first, then the working copy with its display text) and
// sends the profile reload when one of them belongs to the active profile. Stops at the first
// failed write and returns false; buttons written until then are updated.
bool RebindButtons(const Mouse& m, WorkingCopy& wc, const std::vector<ButtonRef>& buttons, const std::array<uint8_t, 4>& bytes);

}  // namespace halvric
