#pragma once
// A foreground window told by the process that owns it. The compositors of Wayland sessions do
// not share window handles with other programs; what they can tell is the process of the
// focused window, so the window id is that process id, and its program is read from /proc.

#include <optional>
#include <string>

#include "platform/foreground_window.h"

namespace halvric::linux_hid {

class PidForegroundWindow : public ForegroundWindow {
 public:
  // The process id of the focused window; nullopt when no window has the focus or the source
  // cannot be asked.
  virtual std::optional<int> ActivePid() = 0;

  WindowId Active() override;
  std::optional<std::string> ProgramName(WindowId window) override;
};

}  // namespace halvric::linux_hid
