#pragma once
// The window in front on wlroots compositors other than Sway: the foreign-toplevel management
// protocol lists every toplevel with its application id and states. The activated toplevel's id
// names a .desktop file, whose Exec gives the program (desktop_entry.h); an id without such a file
// is taken as the program's own name, as most programs set it.

#include <memory>
#include <optional>
#include <string>

#include "platform/foreground_window.h"

namespace halvric::linux_hid {

class WlrToplevelForegroundWindow final : public ForegroundWindow {
 public:
  // Connects to the compositor of $WAYLAND_DISPLAY; nullptr when there is none or it does not
  // offer the protocol.
  static std::unique_ptr<WlrToplevelForegroundWindow> Connect();
  ~WlrToplevelForegroundWindow() override;
  WlrToplevelForegroundWindow(const WlrToplevelForegroundWindow&) = delete;
  WlrToplevelForegroundWindow& operator=(const WlrToplevelForegroundWindow&) = delete;

  // Takes up the compositor's news first (one round trip); the id is the toplevel's own number.
  WindowId Active() override;
  std::optional<std::string> ProgramName(WindowId window) override;

  struct Connection;

 private:
  explicit WlrToplevelForegroundWindow(std::unique_ptr<Connection> c);
  std::unique_ptr<Connection> c_;
};

}  // namespace halvric::linux_hid
