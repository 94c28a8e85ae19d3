#pragma once
// The window in front on GNOME Shell, which tells other programs nothing about its windows: the
// program's Shell extension (resources/gnome-shell/) owns the bus name below on the session bus
// and answers FocusedPid with the process id of the focused window (0 when none).

#include <memory>
#include <optional>

#include "platform/linux/pid_foreground_window.h"
#include "platform/linux/session_bus.h"

namespace halvric::linux_hid {

inline constexpr const char* kShellFocusName = "io.github.halvric.Focus";
inline constexpr const char* kShellFocusPath = "/io/github/halvric/Focus";
inline constexpr const char* kShellFocusInterface = "io.github.halvric.Focus";

class GnomeShellForegroundWindow final : public PidForegroundWindow {
 public:
  // nullptr when there is no session bus or the extension is not running (not installed, or not
  // enabled).
  static std::unique_ptr<GnomeShellForegroundWindow> Connect();

  std::optional<int> ActivePid() override;

 private:
  explicit GnomeShellForegroundWindow(SessionBus bus) : bus_(std::move(bus)) {}
  SessionBus bus_;
};

}  // namespace halvric::linux_hid
