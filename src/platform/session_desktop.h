#pragma once
// What the graphical session offers: whether it is a Wayland session, which desktop runs it, and
// from that the order in which the ways of telling the window in front are tried.

#include <string>
#include <string_view>
#include <vector>

namespace halvric {

// The environment variables that describe the session.
struct SessionEnvironment {
  std::string wayland_display;  // WAYLAND_DISPLAY
  std::string display;          // DISPLAY (an X server, XWayland in a Wayland session)
  std::string current_desktop;  // XDG_CURRENT_DESKTOP, a colon-separated list ("ubuntu:GNOME")
  std::string session_type;     // XDG_SESSION_TYPE ("wayland", "x11", "tty")
  std::string swaysock;         // SWAYSOCK, set by Sway for the programs it starts

  static SessionEnvironment FromProcess();
};

enum class SessionDesktop { kGnome, kPlasma, kSway, kOther };

// True when the session's display server is a Wayland compositor.
bool IsWaylandSession(const SessionEnvironment& env);

// The desktop named by XDG_CURRENT_DESKTOP (any of its entries, case-insensitive); Sway also
// when its socket is announced.
SessionDesktop DesktopOf(const SessionEnvironment& env);

// The ways of telling the window in front, each of which reports the focused window's process.
enum class ForegroundSource {
  kX11,           // _NET_ACTIVE_WINDOW of the X server: every window on X11, XWayland windows only on Wayland
  kSway,          // Sway's IPC socket: the focused node of its tree
  kWlrToplevel,   // the wlroots foreign-toplevel protocol: the activated toplevel's app id
  kKWin,          // a KWin script that reports each activated window over D-Bus
  kGnomeShell,    // the GNOME Shell extension that publishes the focused window over D-Bus
};

// The sources worth trying in this session, best first. In a Wayland session the compositor's own
// source comes first and X11 (which then sees XWayland windows only) last; without Wayland, X11
// alone.
std::vector<ForegroundSource> ForegroundCandidates(const SessionEnvironment& env);

// A short name of the source, for the start-up log line.
std::string_view SourceName(ForegroundSource source);

}  // namespace halvric
