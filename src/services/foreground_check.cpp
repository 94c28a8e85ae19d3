#include "services/foreground_check.h"

namespace halvric {

int MatchingLinkSlot(const std::array<AppLink, kAppLinkCount>& links, const std::string& program) {
  if (program.empty()) return -1;
  for (int slot = 0; slot < kAppLinkCount; ++slot) {
    const std::string& path = links[static_cast<size_t>(slot)].path;
    if (path.size() >= program.size() && path.compare(path.size() - program.size(), program.size(), program) == 0) {
      return slot;
    }
  }
  return -1;
}

ForegroundOutcome ForegroundCheck::Run(const std::array<AppLink, kAppLinkCount>& links) {
  const WindowId window = windows_.Active();
  if (window == last_window_) return ForegroundOutcome::kSameWindow;
  last_window_ = window;
  if (window == 0) return ForegroundOutcome::kNoWindow;
  const std::optional<std::string> program = windows_.ProgramName(window);
  if (!program || program->empty()) return ForegroundOutcome::kUnknownProgram;
  const int slot = MatchingLinkSlot(links, *program);
  if (slot < 0) return ForegroundOutcome::kNoMatch;
  ForegroundOutcome outcome = ForegroundOutcome::kAlreadyCurrent;
  if (context_.current_profile.exchange(slot) != slot) {
    // A failed switch is the device layer's to report; the profile stays what was asked for.
    if (select_profile_) select_profile_(slot);
    outcome = ForegroundOutcome::kSwitched;
  }
  if (redraw_) redraw_();
  return outcome;
}

}  // namespace halvric
