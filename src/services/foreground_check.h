#pragma once
// Switches the mouse to the profile linked to the application in front. The check is debounced
// on the window: a window is examined once when it comes to the front, and again only after
// another window has been in front. A link matches when its stored path ends with the program's
// file name, compared case-sensitively (a link to mygame.exe also matches game.exe); the lowest
// matching slot wins, and the mouse is told only when that slot is not the current profile.
// Unlinked applications change nothing.

#include <array>
#include <functional>
#include <string>

#include "config/program_settings.h"
#include "platform/foreground_window.h"
#include "services/program_context.h"

namespace halvric {

// The first slot whose path ends with `program`; -1 when none does or `program` is empty.
int MatchingLinkSlot(const std::array<AppLink, kAppLinkCount>& links, const std::string& program);

enum class ForegroundOutcome {
  kSameWindow,      // the window in front was already examined
  kNoWindow,
  kUnknownProgram,  // its process could not be examined, or has no name
  kNoMatch,
  kAlreadyCurrent,  // matched the current profile: nothing sent
  kSwitched,        // matched another profile: current profile set and the mouse told
};

class ForegroundCheck {
 public:
  // `select_profile` switches the mouse's active profile without storing it; `redraw` repaints the
  // main window in full when it is visible (after every match).
  ForegroundCheck(ForegroundWindow& windows, ProgramContext& context, std::function<bool(int)> select_profile,
                  std::function<void()> redraw = {})
      : windows_(windows), context_(context), select_profile_(std::move(select_profile)), redraw_(std::move(redraw)) {}

  ForegroundOutcome Run(const std::array<AppLink, kAppLinkCount>& links);

 private:
  ForegroundWindow& windows_;
  ProgramContext& context_;
  const std::function<bool(int)> select_profile_;
  const std::function<void()> redraw_;
  WindowId last_window_ = 0;
};

}  // namespace halvric
