#include "platform/linux/desktop_layout_names.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/linux/gsettings_value.h"
#include "platform/text.h"

namespace halvric::linux_hid {
namespace {

// The quoted strings of a printed GVariant, in order ('a', "b"; backslash escapes kept simple).
std::vector<std::string> QuotedStrings(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char quote = text[i];
    if (quote != '\'' && quote != '"') continue;
    std::string s;
    for (++i; i < text.size() && text[i] != quote; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      s += text[i];
    }
    out.push_back(std::move(s));
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts, bool drop_if_all_empty) {
  std::string out;
  bool any = false;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += ',';
    out += parts[i];
    any = any || !parts[i].empty();
  }
  return drop_if_all_empty && !any ? std::string() : out;
}

}  // namespace

std::optional<XkbLayoutNames> ParseGnomeInputSources(std::string_view sources, std::string_view options) {
  const std::vector<std::string> words = QuotedStrings(sources);
  std::vector<std::string> layouts, variants;
  for (size_t i = 0; i + 1 < words.size(); i += 2) {
    if (words[i] != "xkb") continue;
    const std::string& id = words[i + 1];
    const size_t plus = id.find('+');
    layouts.push_back(id.substr(0, plus));
    variants.push_back(plus == std::string::npos ? std::string() : id.substr(plus + 1));
  }
  if (layouts.empty()) return std::nullopt;
  XkbLayoutNames names;
  names.layout = Join(layouts, false);
  names.variant = Join(variants, true);
  names.options = Join(QuotedStrings(options), true);
  return names;
}

std::optional<XkbLayoutNames> ParseKxkbrc(std::string_view text) {
  XkbLayoutNames names;
  bool in_layout = false;
  bool use = true;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view l = Trim(line);
    if (l.empty() || l.front() == '#' || l.front() == ';') continue;
    if (l.front() == '[') {
      in_layout = l == "[Layout]";
      continue;
    }
    if (!in_layout) continue;
    const size_t eq = l.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = Trim(l.substr(0, eq));
    const std::string value(Trim(l.substr(eq + 1)));
    if (key == "LayoutList") names.layout = value;
    else if (key == "VariantList") names.variant = value;
    else if (key == "Model") names.model = value;
    else if (key == "Options") names.options = value;
    else if (key == "Use") use = AsciiLower(value) != "false";
  }
  if (!use || names.layout.empty()) return std::nullopt;
  // A variant list of empty entries only ("," for two layouts) names no variant.
  if (names.variant.find_first_not_of(',') == std::string::npos) names.variant.clear();
  return names;
}

std::optional<XkbLayoutNames> DesktopLayoutNames(const SessionEnvironment& env) {
  switch (DesktopOf(env)) {
    case SessionDesktop::kGnome: {
      const auto sources = ReadGSettings("org.gnome.desktop.input-sources", "sources");
      if (!sources) return std::nullopt;
      const auto options = ReadGSettings("org.gnome.desktop.input-sources", "xkb-options");
      return ParseGnomeInputSources(*sources, options.value_or(std::string()));
    }
    case SessionDesktop::kPlasma: {
      std::filesystem::path config;
      if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') config = xdg;
      else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') config = std::filesystem::path(home) / ".config";
      else return std::nullopt;
      // A settings file of a few lines; anything of a megabyte or more is not one.
      std::string text;
      if (!ReadWholeFile((config / "kxkbrc").string(), text, nullptr, std::size_t{1} << 20)) return std::nullopt;
      return ParseKxkbrc(text);
    }
    case SessionDesktop::kSway:
    case SessionDesktop::kOther: return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace halvric::linux_hid
