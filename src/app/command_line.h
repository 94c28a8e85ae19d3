#pragma once
// The desktop program's command line. The Windows-style options match case-insensitively
// ("/close", "/hide", "/langid=<id>", "/genpin"); their Linux spellings ("--close", "--hide",
// "--langid=<id>", "--genpin") do the same. "--simulate[=MODELS]" and "--sim-state FILE" select
// the simulated mouse as in halvricctl. "--help" and "--version" print and end before anything
// starts; the options Qt itself reads ("-platform xcb", "-display :1" …) pass through to Qt.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace halvric {

class TextTables;

struct StartOptions {
  bool close = false;                 // close the running instance, then end
  bool hide = false;                  // start hidden in the tray
  std::optional<std::string> langid;  // written verbatim to set.ini
  bool genpin = false;                // make a new PIN
  std::string simulate;               // model list; empty: real mice
  std::string sim_state;              // state file of the simulated mice
  bool help = false;                  // print the usage and end
  bool version = false;               // print the version and end
  std::optional<std::string> platform;  // the value of Qt's "-platform" option, when given
  std::optional<std::string> display;   // the value of Qt's "-display" option (an X display), when given
  std::vector<std::string> unknown;   // arguments that are neither ours nor Qt's: refused
};

// args[0] is the program path and matches nothing.
StartOptions ParseStartOptions(const std::vector<std::string>& args);

// The arguments of a new run after a language change: the same without the options that act
// once ("/close", "/hide", "/langid=", "/genpin"), so that the new run shows its window and keeps
// set.ini as the user left it.
std::vector<std::string> RestartArguments(const std::vector<std::string>& args);

// The text "--help" prints, in the language of `texts`, its lines broken to fit 80 columns.
std::string UsageText(const TextTables& texts);

// What an unknown option prints on standard error, in the language of `texts`.
std::string UnknownOptionText(const TextTables& texts, const std::string& option);

// Whether a graphical session is named at all before Qt is asked to connect to one (Qt ends the
// process in its platform plugin when it cannot): a "-platform" option, QT_QPA_PLATFORM, or
// WAYLAND_DISPLAY / DISPLAY in the environment. `getenv` reads the environment.
bool DisplayConfigured(const StartOptions& options, const std::function<const char*(const char*)>& getenv);

// The Qt platform the program sets for itself before Qt starts: "xcb" in a Wayland session that
// also offers an X display (XWayland) when neither "-platform" nor QT_QPA_PLATFORM names one.
// A Wayland client can neither place its windows nor keep one above the others, so the on-screen
// display would lose its corner and sink behind the game; through XWayland it keeps both, and
// the X desktop services (foreground window, pointer, key names) answer for the X clients.
// nullopt: leave the choice to Qt.
std::optional<std::string> ChosenPlatform(const StartOptions& options,
                                          const std::function<const char*(const char*)>& getenv);

// The line printed on standard error when the program runs as a native Wayland client, in the
// language of `texts`: what the on-screen display cannot do there, and how to run it through
// XWayland instead where the session has XWayland (`x_display`), or that it has none.
std::string NativeWaylandNotice(const TextTables& texts, bool x_display);

}  // namespace halvric
