#pragma once
// The current DPI level and the enable mask of mice that keep neither in their memory (levels
// below 11): the program holds them and saves them in set.ini, section "DPI", under a key of the
// mouse's model and product id, so that they survive a restart of either program.

#include <string>

#include "config/working_copy.h"

namespace halvric {

class ProfileFile;

inline constexpr const char* kDpiStateSection = "DPI";

// Whether the mouse keeps the DPI state itself (level 11 and above: memory byte 2).
inline bool MouseKeepsDpiState(const WorkingCopy& wc) { return wc.map.dpi_state != 0; }

// "<type code>_<product id, four hex digits>", e.g. "11_5004".
std::string DpiStateKey(const WorkingCopy& wc);

// Overlays what set.ini holds for this mouse: the enable mask, and on levels 1-10 the current
// level (their ApplyDpiLevel carries no level number, so the level the mouse reports is not the
// one the program made current). Level 0 selects the level itself and reports it, so its level
// stays as read. Nothing changes for mice that keep the state, or when set.ini has no entry.
void TakeSavedDpiState(WorkingCopy& wc, const ProfileFile& set_ini);

// Saves the working copy's level and mask for this mouse; does nothing (and succeeds) for mice
// that keep the state themselves.
bool SaveDpiState(const WorkingCopy& wc, ProfileFile& set_ini, std::string* error = nullptr);

}  // namespace halvric
