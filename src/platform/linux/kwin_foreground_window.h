#pragma once
// The window in front on KDE Plasma: KWin runs a script of the program (resources/kwin/) that
// calls the Activated method of the object below with the process id of every window that
// becomes active. The program owns the bus name and serves the object; the calls queue on its
// bus connection and are taken up whenever the active window is asked for, so no thread is needed.

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/linux/pid_foreground_window.h"
#include "platform/linux/session_bus.h"

namespace halvric::linux_hid {

inline constexpr const char* kKWinReportName = "io.github.halvric.ForegroundWindow";
inline constexpr const char* kKWinReportPath = "/io/github/halvric/ForegroundWindow";
inline constexpr const char* kKWinReportInterface = "io.github.halvric.ForegroundWindow";
inline constexpr const char* kKWinScriptPlugin = "halvric-foreground";

// The script of the Plasma generation `session_version` ($KDE_SESSION_VERSION: "5", "6"; empty
// counts as 6) in the program folder's kwin/ folder.
std::filesystem::path KWinScriptFile(const std::filesystem::path& program_folder, const std::string& session_version);

class KWinForegroundWindow final : public PidForegroundWindow {
 public:
  // Serves the report object, then has KWin load and start `script`. nullptr when there is no
  // session bus, no KWin on it, the name is taken, or KWin refuses the script.
  static std::unique_ptr<KWinForegroundWindow> Connect(const std::filesystem::path& script);
  // Unloads the script.
  ~KWinForegroundWindow() override;
  KWinForegroundWindow(const KWinForegroundWindow&) = delete;
  KWinForegroundWindow& operator=(const KWinForegroundWindow&) = delete;

  std::optional<int> ActivePid() override;

 private:
  explicit KWinForegroundWindow(SessionBus bus) : bus_(std::move(bus)) {}
  static int OnActivated(sd_bus_message* m, void* self, sd_bus_error* error);
  SessionBus bus_;
  sd_bus_slot* slot_ = nullptr;
  bool loaded_ = false;
  int pid_ = 0;
};

}  // namespace halvric::linux_hid
