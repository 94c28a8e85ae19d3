#include "platform/session_desktop.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

using S = ForegroundSource;

SessionEnvironment Wayland(const char* desktop, const char* swaysock = "") {
  SessionEnvironment env;
  env.wayland_display = "wayland-0";
  env.display = ":0";
  env.current_desktop = desktop;
  env.swaysock = swaysock;
  return env;
}

TEST(SessionDesktop, SourcesFollowTheSession) {
  // Without Wayland only the X server can tell, whatever the desktop.
  SessionEnvironment x11;
  x11.display = ":0";
  x11.current_desktop = "KDE";
  x11.session_type = "x11";
  EXPECT_EQ(ForegroundCandidates(x11), (std::vector<S>{S::kX11}));

  // The compositor's own source first, X11 (XWayland windows) last; desktops are found in any
  // entry of the list and in any case.
  EXPECT_EQ(ForegroundCandidates(Wayland("ubuntu:GNOME")), (std::vector<S>{S::kGnomeShell, S::kX11}));
  EXPECT_EQ(ForegroundCandidates(Wayland("kde")), (std::vector<S>{S::kKWin, S::kX11}));
  EXPECT_EQ(ForegroundCandidates(Wayland("sway")), (std::vector<S>{S::kSway, S::kWlrToplevel, S::kX11}));
  // Sway started from a display manager that sets no desktop name still announces its socket.
  EXPECT_EQ(ForegroundCandidates(Wayland("", "/run/user/1000/sway-ipc.sock")),
            (std::vector<S>{S::kSway, S::kWlrToplevel, S::kX11}));
  EXPECT_EQ(ForegroundCandidates(Wayland("Hyprland")), (std::vector<S>{S::kWlrToplevel, S::kX11}));
  // "GNOME-Flashback" or "XFCE" are not GNOME: no entry matches in part.
  EXPECT_EQ(DesktopOf(Wayland("GNOME-Flashback:XFCE")), SessionDesktop::kOther);

  // A Wayland session whose WAYLAND_DISPLAY did not reach this process still counts as one.
  SessionEnvironment typed;
  typed.session_type = "wayland";
  typed.current_desktop = "GNOME";
  EXPECT_TRUE(IsWaylandSession(typed));
  EXPECT_EQ(ForegroundCandidates(typed).front(), S::kGnomeShell);
}

}  // namespace
}  // namespace halvric
