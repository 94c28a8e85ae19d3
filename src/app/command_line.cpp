#include "app/command_line.h"

#include <algorithm>
#include <cctype>

#include "platform/text.h"

namespace halvric {
namespace {

std::string Lower(std::string_view s) { return AsciiLower(s); }

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
  StartOptions o;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string low = Lower(arg);
    if (low == "/close" || low == "--close") {
      o.close = true;
    } else if (low == "/hide" || low == "--hide") {
      o.hide = true;
    } else if (StartsWith(low, "/langid=")) {
      o.langid = arg.substr(8);
    } else if (StartsWith(low, "--langid=")) {
      o.langid = arg.substr(9);
    } else if (StartsWith(low, "/genpin") || StartsWith(low, "--genpin")) {
      o.genpin = true;
    } else if (low == "--simulate") {
      o.simulate = "level11";
    } else if (StartsWith(low, "--simulate=")) {
      o.simulate = arg.substr(11);
      if (o.simulate.empty()) o.simulate = "level11";
    } else if (low == "--sim-state" && i + 1 < args.size()) {
      o.sim_state = args[++i];
    } else if (StartsWith(low, "--sim-state=")) {
      o.sim_state = arg.substr(12);
    } else {
      o.ignored.push_back(arg);
    }
  }
  return o;
}

}  // namespace halvric
