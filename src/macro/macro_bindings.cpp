#include "macro/macro_bindings.h"

#include "config/working_copy.h"
#include "device/device_commands.h"
#include "macro/instruction_set.h"

namespace halvric {

bool BindingPointsTo(const std::array<uint8_t, 4>& b, uint32_t body) { return PlaysMacro(b, body); }

std::vector<ButtonRef> ButtonsBoundTo(const WorkingCopy& wc, uint32_t body) {
  std::vector<ButtonRef> out;
  const int keys = std::min<int>(static_cast<int>(wc.map.plane_size), kKeySlots);
  for (int p = 0; p < kProfileCount; ++p) {
    for (int k = 0; k < keys; ++k) {
      if (BindingPointsTo(wc.profiles[p].buttons[k].bytes, body)) out.push_back({p, k});
    }
  }
  return out;
}

int ActiveProfile(const WorkingCopy& wc) { return wc.active_profile; }

bool RebindButtons(const Mouse& m, WorkingCopy& wc, const std::vector<ButtonRef>& buttons, const std::array<uint8_t, 4>& bytes) {
  bool active = false;
  for (const ButtonRef& b : buttons) {
    if (!WriteButtonAssignment(m, b.profile, b.key, bytes, false)) return false;
    ButtonSlot& slot = wc.profiles[b.profile].buttons[b.key];
    slot.bytes = bytes;
    active = active || b.profile == ActiveProfile(wc);
  }
  return !active || Commit(m);
}

}  // namespace halvric
