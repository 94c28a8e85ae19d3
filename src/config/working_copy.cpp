#include "config/working_copy.h"

#include <algorithm>
#include <cstdio>

#include "config/button_assignment.h"

namespace halvric {

bool PlaysMacro(const std::array<uint8_t, 4>& b, uint32_t body) {
  if (b[0] < function_type::kMacro || b[0] > function_type::kMacroFire) return false;
  const uint32_t reference = b[1] | (b[2] << 8) | (b[3] << 16);
  return reference == body;
}

uint32_t MacroModeFromButtons(const WorkingCopy& wc, uint32_t body) {
  const int keys = std::min<int>(static_cast<int>(wc.map.plane_size), kKeySlots);
  for (const ProfileSettings& p : wc.profiles) {
    for (int k = 0; k < keys; ++k) {
      const auto& bytes = p.buttons[static_cast<size_t>(k)].bytes;
      if (PlaysMacro(bytes, body)) return bytes[0];
    }
  }
  return static_cast<uint32_t>(function_type::kMacro);
}

bool MacroModeKept(const WorkingCopy& wc, int slot) {
  if (!wc.map.ModeEntryInKeyCycle(slot)) return true;
  const MacroSlot& m = wc.macros[static_cast<size_t>(slot)];
  if (m.start == 0) return false;
  const int keys = std::min<int>(static_cast<int>(wc.map.plane_size), kKeySlots);
  for (const ProfileSettings& p : wc.profiles) {
    for (int k = 0; k < keys; ++k) {
      if (PlaysMacro(p.buttons[static_cast<size_t>(k)].bytes, m.body)) return true;
    }
  }
  return false;
}

void TakeMacroModesFromButtons(WorkingCopy& wc) {
  for (int s = 0; s < kMacroSlots; ++s) {
    MacroSlot& slot = wc.macros[static_cast<size_t>(s)];
    if (!wc.map.ModeEntryInKeyCycle(s)) continue;
    slot.mode = slot.start != 0 ? MacroModeFromButtons(wc, slot.body) : static_cast<uint32_t>(function_type::kMacro);
  }
}

int ReportRateHz(int rate_code) { return 1000 / (std::clamp(rate_code, 0, 7) + 1); }

std::string ProfileDisplayName(const std::string& stored, const std::string& profile_word, int profile) {
  if (!stored.empty()) return stored;
  return profile_word + " " + std::to_string(profile + 1);
}

}  // namespace halvric
