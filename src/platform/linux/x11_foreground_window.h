#pragma once
// The foreground window on an X11 display: the root window's _NET_ACTIVE_WINDOW, the window's
// _NET_WM_PID, then the program of that process (process_image.h).

#include <memory>
#include <optional>
#include <string>

#include "platform/foreground_window.h"

namespace halvric::linux_hid {

class X11ForegroundWindow : public ForegroundWindow {
 public:
  // Connects to `display` (empty: $DISPLAY). nullptr, with a reason in `error`, when the display
  // cannot be reached.
  static std::unique_ptr<X11ForegroundWindow> Connect(const std::string& display = {}, std::string* error = nullptr);
  ~X11ForegroundWindow() override;
  X11ForegroundWindow(const X11ForegroundWindow&) = delete;
  X11ForegroundWindow& operator=(const X11ForegroundWindow&) = delete;

  WindowId Active() override;
  std::optional<std::string> ProgramName(WindowId window) override;
  // Sends the window manager the iconify request of the inter-client conventions
  // (WM_CHANGE_STATE with IconicState to the root window).
  bool Minimise(WindowId window) override;
  // The process id the window announces in _NET_WM_PID; nullopt when it announces none.
  std::optional<int> WindowPid(WindowId window);

 private:
  struct Connection;
  explicit X11ForegroundWindow(std::unique_ptr<Connection> c);
  std::unique_ptr<Connection> c_;
};

}  // namespace halvric::linux_hid
