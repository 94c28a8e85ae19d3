#pragma once
// Chooses how the program tells the window in front, by what the session offers: the sources of
// ForegroundCandidates() are tried in order and the first that answers is kept.

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/foreground_window.h"
#include "platform/session_desktop.h"

namespace halvric::linux_hid {

struct ForegroundChoice {
  std::unique_ptr<ForegroundWindow> window;  // null when no source answered
  std::optional<ForegroundSource> source;
};

// `program_folder` holds the KWin scripts (kwin/); `kde_session_version` is $KDE_SESSION_VERSION.
ForegroundChoice ConnectForegroundWindow(const SessionEnvironment& env, const std::filesystem::path& program_folder,
                                         const std::string& kde_session_version);

}  // namespace halvric::linux_hid
