#include "app/command_line.h"

#include <array>
#include <string_view>

#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "platform/text.h"
#include "platform/text_columns.h"

namespace halvric {
namespace {

bool StartsWith(const std::string& s, std::string_view prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Options QGuiApplication and QApplication read from the command line themselves, with a value
// ("-platform xcb" or "-platform=xcb") or without one; Qt accepts one or two leading dashes.
constexpr std::array<std::string_view, 15> kQtValueOptions = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "session", "display", "geometry", "style", "stylesheet", "title", "name", "qmljsdebugger"};
constexpr std::array<std::string_view, 5> kQtFlagOptions = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// The name of a Qt option without its dashes and "=value", or empty when `arg` is none.
std::string_view QtOptionName(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') return {};
  arg.remove_prefix(arg[1] == '-' ? 2 : 1);
  return arg.substr(0, arg.find('='));
}

}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
  StartOptions o;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string low = AsciiLower(arg);
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
    } else if (low == "--help" || low == "-h" || low == "/?" || low == "/help") {
      o.help = true;
    } else if (low == "--version" || low == "/version") {
      o.version = true;
    } else {
      const std::string_view name = QtOptionName(arg);
      bool qt_value = false;
      for (std::string_view q : kQtValueOptions) qt_value = qt_value || name == q;
      bool qt_flag = false;
      for (std::string_view q : kQtFlagOptions) qt_flag = qt_flag || name == q;
      if (qt_value) {
        // The value follows "=" or is the next argument.
        const size_t eq = arg.find('=');
        std::string value;
        if (eq != std::string::npos) value = arg.substr(eq + 1);
        else if (i + 1 < args.size()) value = args[++i];
        else o.unknown.push_back(arg);  // a value option without its value
        if (name == "platform" && !value.empty()) o.platform = value;
        if (name == "display" && !value.empty()) o.display = value;
      } else if (!qt_flag) {
        o.unknown.push_back(arg);
      }
    }
  }
  return o;
}

std::vector<std::string> RestartArguments(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string low = AsciiLower(args[i]);
    const bool once = i > 0 && (low == "/close" || low == "--close" || low == "/hide" || low == "--hide" ||
                                StartsWith(low, "/langid=") || StartsWith(low, "--langid=") ||
                                StartsWith(low, "/genpin") || StartsWith(low, "--genpin"));
    if (!once) out.push_back(args[i]);
  }
  return out;
}

std::string UsageText(const TextTables& texts) {
  constexpr std::size_t kWidth = 79;   // a terminal's 80 columns, the last one left free
  constexpr std::size_t kColumn = 23;  // where the options' descriptions start
  const auto text = [&texts](int slot) { return texts.Get(TextFamily::ui_str, slot); };
  std::string out = text(ui_text::kUsage) + "\n";
  const auto paragraph = [&out](const std::string& s) {
    for (const std::string& line : WrapColumns(s, kWidth)) out += line + "\n";
  };
  paragraph(text(ui_text::kUsageSummary));
  out += "\n";
  const std::pair<const char*, int> options[] = {
      {"--hide", ui_text::kUsageHide},         {"--close", ui_text::kUsageClose},
      {"--langid=ID", ui_text::kUsageLangid},  {"--genpin", ui_text::kUsageGenpin},
      {"--simulate[=MODELS]", ui_text::kUsageSimulate}, {"--sim-state FILE", ui_text::kUsageSimState},
      {"--help", ui_text::kUsageHelp},         {"--version", ui_text::kUsageVersion}};
  for (const auto& [name, slot] : options) {
    std::string head = std::string("  ") + name;
    head.append(kColumn - head.size(), ' ');
    for (const std::string& line : WrapColumns(text(slot), kWidth - kColumn)) {
      out += head + line + "\n";
      head.assign(kColumn, ' ');
    }
  }
  out += "\n";
  paragraph(text(ui_text::kUsageSpellings));
  paragraph(text(ui_text::kUsageOneInstance));
  return out;
}

std::string UnknownOptionText(const TextTables& texts, const std::string& option) {
  return "halvric: " + ui_text::Formatted(texts, ui_text::kUnknownOption, {option}) + "\n" +
         texts.Get(TextFamily::ui_str, ui_text::kTryHelp) + "\n";
}

bool DisplayConfigured(const StartOptions& options, const std::function<const char*(const char*)>& getenv) {
  if (options.platform || options.display) return true;
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* v = getenv(name);
    if (v != nullptr && *v != '\0') return true;
  }
  return false;
}

std::optional<std::string> ChosenPlatform(const StartOptions& options,
                                          const std::function<const char*(const char*)>& getenv) {
  const auto set = [&getenv](const char* name) {
    const char* v = getenv(name);
    return v != nullptr && *v != '\0';
  };
  if (options.platform || set("QT_QPA_PLATFORM")) return std::nullopt;
  // "-display" names an X display, which only the X platform reads.
  if (options.display) return std::string("xcb");
  if (set("WAYLAND_DISPLAY") && set("DISPLAY")) return std::string("xcb");
  return std::nullopt;
}

std::string NativeWaylandNotice(const TextTables& texts, bool x_display) {
  return "halvric: " + texts.Get(TextFamily::ui_str, x_display ? ui_text::kNativeWayland : ui_text::kNativeWaylandNoX) +
         "\n";
}

}  // namespace halvric
