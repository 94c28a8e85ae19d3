#include "platform/session_desktop.h"

#include <cstdlib>

#include "platform/environment.h"
#include "platform/text.h"

namespace halvric {
namespace {

bool ListNames(const std::string& list, std::string_view wanted) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (AsciiLower(list.substr(start, end - start)) == wanted) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

SessionEnvironment SessionEnvironment::FromProcess() {
  SessionEnvironment env;
  env.wayland_display = Env("WAYLAND_DISPLAY");
  env.display = Env("DISPLAY");
  env.current_desktop = Env("XDG_CURRENT_DESKTOP");
  env.session_type = Env("XDG_SESSION_TYPE");
  env.swaysock = Env("SWAYSOCK");
  return env;
}

bool IsWaylandSession(const SessionEnvironment& env) {
  return !env.wayland_display.empty() || AsciiLower(env.session_type) == "wayland";
}

SessionDesktop DesktopOf(const SessionEnvironment& env) {
  if (ListNames(env.current_desktop, "gnome")) return SessionDesktop::kGnome;
  if (ListNames(env.current_desktop, "kde")) return SessionDesktop::kPlasma;
  if (ListNames(env.current_desktop, "sway") || !env.swaysock.empty()) return SessionDesktop::kSway;
  return SessionDesktop::kOther;
}

std::vector<ForegroundSource> ForegroundCandidates(const SessionEnvironment& env) {
  if (!IsWaylandSession(env)) return {ForegroundSource::kX11};
  std::vector<ForegroundSource> out;
  switch (DesktopOf(env)) {
    case SessionDesktop::kGnome: out = {ForegroundSource::kGnomeShell}; break;
    case SessionDesktop::kPlasma: out = {ForegroundSource::kKWin}; break;
    case SessionDesktop::kSway: out = {ForegroundSource::kSway, ForegroundSource::kWlrToplevel}; break;
    case SessionDesktop::kOther: out = {ForegroundSource::kWlrToplevel}; break;
  }
  out.push_back(ForegroundSource::kX11);
  return out;
}

std::string_view SourceName(ForegroundSource source) {
  switch (source) {
    case ForegroundSource::kX11: return "x11";
    case ForegroundSource::kSway: return "sway-ipc";
    case ForegroundSource::kWlrToplevel: return "wlr-foreign-toplevel";
    case ForegroundSource::kKWin: return "kwin-script";
    case ForegroundSource::kGnomeShell: return "gnome-shell-extension";
  }
  return "?";
}

}  // namespace halvric
