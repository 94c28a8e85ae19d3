#include "platform/linux/pid_foreground_window.h"

#include "platform/linux/process_image.h"

namespace halvric::linux_hid {

WindowId PidForegroundWindow::Active() {
  const std::optional<int> pid = ActivePid();
  return pid && *pid > 0 ? static_cast<WindowId>(*pid) : 0;
}

std::optional<std::string> PidForegroundWindow::ProgramName(WindowId window) {
  if (window == 0 || window > static_cast<WindowId>(0x7fffffff)) return std::nullopt;
  return ProcessProgramName(static_cast<int>(window));
}

}  // namespace halvric::linux_hid
