#include "platform/linux/xkb_layout_names.h"

#include <cstdlib>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/environment.h"
#include "platform/text.h"

namespace halvric::linux_hid {
namespace {

// The file holds five short assignments; anything far larger is not it.
constexpr std::size_t kMaxKeyboardDefaultsBytes = 64 * 1024;

std::string_view TrimBlanks(std::string_view s) { return Trim(s, " \t\r"); }

// A value as the shell would read it from one line, without expansions: one pair of matching
// quotes is removed; an unquoted value ends at the first blank or comment.
std::string ShellValue(std::string_view v) {
  v = TrimBlanks(v);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) {
    const auto close = v.find(v.front(), 1);
    if (close != std::string_view::npos) return std::string(v.substr(1, close - 1));
  }
  const auto end = v.find_first_of(" \t#");
  return std::string(v.substr(0, end));
}

}  // namespace

XkbLayoutNames ParseKeyboardDefaults(std::string_view text) {
  XkbLayoutNames names;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = TrimBlanks(line);
    if (l.empty() || l.front() == '#') continue;
    if (l.starts_with("export ")) l = TrimBlanks(l.substr(7));
    const auto eq = l.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = l.substr(0, eq);
    const std::string value = ShellValue(l.substr(eq + 1));
    if (key == "XKBRULES") names.rules = value;
    else if (key == "XKBMODEL") names.model = value;
    else if (key == "XKBLAYOUT") names.layout = value;
    else if (key == "XKBVARIANT") names.variant = value;
    else if (key == "XKBOPTIONS") names.options = value;
  }
  return names;
}

XkbLayoutNames ChooseLayoutNames(const XkbLayoutNames& environment, const XkbLayoutNames& keyboard_file) {
  return environment.layout.empty() ? keyboard_file : environment;
}

XkbLayoutNames SystemLayoutNames() {
  XkbLayoutNames env;
  env.rules = Env("XKB_DEFAULT_RULES");
  env.model = Env("XKB_DEFAULT_MODEL");
  env.layout = Env("XKB_DEFAULT_LAYOUT");
  env.variant = Env("XKB_DEFAULT_VARIANT");
  env.options = Env("XKB_DEFAULT_OPTIONS");
  XkbLayoutNames file;
  if (std::string text; ReadWholeFile("/etc/default/keyboard", text, nullptr, kMaxKeyboardDefaultsBytes)) {
    file = ParseKeyboardDefaults(text);
  }
  return ChooseLayoutNames(env, file);
}

}  // namespace halvric::linux_hid
