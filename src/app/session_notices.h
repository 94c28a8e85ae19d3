#pragma once
// What the window tells the user about the parts of the desktop session it cannot use, in the
// user's language: how profiles linked to programs learn the window in front, and whether
// tilt-scroll and touch run.

#include <optional>
#include <string>

#include "platform/session_desktop.h"

namespace halvric {

class TextTables;

// The link squares' notice about the source in use: empty when every window can be told; what is
// missing and how to get it when only XWayland windows (X11 in a Wayland session) or no windows
// at all can be told.
std::string ForegroundNotice(const TextTables& texts, const SessionEnvironment& env,
                             std::optional<ForegroundSource> chosen);

// The Other page's notice about tilt-scroll and touch: empty when both run. `started` is whether
// the uinput device could be made (`error` says why not, in the system's words); `with_touch`
// whether touch runs beside tilt-scroll (it needs the pointer's global position).
std::string HostInputNotice(const TextTables& texts, bool started, const std::string& error, bool with_touch);

}  // namespace halvric
