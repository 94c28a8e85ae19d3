#include "platform/linux/foreground_provider.h"

#include "platform/linux/gnome_shell_foreground_window.h"
#include "platform/linux/kwin_foreground_window.h"
#include "platform/linux/sway_foreground_window.h"
#include "platform/linux/wlr_toplevel_foreground_window.h"
#include "platform/linux/x11_foreground_window.h"

namespace halvric::linux_hid {
namespace {

std::unique_ptr<ForegroundWindow> Try(ForegroundSource source, const SessionEnvironment& env,
                                      const std::filesystem::path& program_folder, const std::string& kde_version) {
  switch (source) {
    case ForegroundSource::kX11:
      if (env.display.empty()) return nullptr;
      return X11ForegroundWindow::Connect(env.display);
    case ForegroundSource::kSway: return SwayForegroundWindow::Connect(env.swaysock);
    case ForegroundSource::kWlrToplevel:
      if (env.wayland_display.empty()) return nullptr;
      return WlrToplevelForegroundWindow::Connect();
    case ForegroundSource::kKWin: return KWinForegroundWindow::Connect(KWinScriptFile(program_folder, kde_version));
    case ForegroundSource::kGnomeShell: return GnomeShellForegroundWindow::Connect();
  }
  return nullptr;
}

}  // namespace

ForegroundChoice ConnectForegroundWindow(const SessionEnvironment& env, const std::filesystem::path& program_folder,
                                         const std::string& kde_session_version) {
  for (ForegroundSource source : ForegroundCandidates(env)) {
    if (auto window = Try(source, env, program_folder, kde_session_version)) return {std::move(window), source};
  }
  return {};
}

}  // namespace halvric::linux_hid
