#pragma once
// The desktop program's command line. The Windows-style options match case-insensitively
// ("/close", "/hide", "/langid=<id>", "/genpin"); their Linux spellings ("--close", "--hide",
// "--langid=<id>", "--genpin") do the same. "--simulate[=MODELS]" and "--sim-state FILE" select
// the simulated mouse as in halvricctl.

#include <optional>
#include <string>
#include <vector>

namespace halvric {

struct StartOptions {
  bool close = false;                 // close the running instance, then end
  bool hide = false;                  // start hidden in the tray
  std::optional<std::string> langid;  // written verbatim to set.ini
  bool genpin = false;                // make a new PIN
  std::string simulate;               // model list; empty: real mice
  std::string sim_state;              // state file of the simulated mice
  std::vector<std::string> ignored;   // arguments that matched nothing
};

// args[0] is the program path and matches nothing.
StartOptions ParseStartOptions(const std::vector<std::string>& args);

}  // namespace halvric
