// halvricctl commands on the mouse's configuration: show, dpi, rate, snap, lift, profile,
// profile-name, button, reset.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/function_spec.h"
#include "cli/text_format.h"
#include "config/describe_assignment.h"
#include "config/reset_defaults.h"
#include "config/setting_changes.h"
#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "device/model_layout.h"
#include "macro/macro_bindings.h"
#include "macro/macro_space.h"
#include "platform/text.h"

namespace halvric {
namespace {

uint32_t Number(CtlContext& ctx, const std::string& text, const char* what, uint32_t max, uint32_t min = 0) {
  auto v = ParseNumber(text);
  if (!v || *v > max || *v < min) throw CLI::ValidationError(what, ctx.Text(ctl_text::kNumberRange, {min, max, text}));
  return *v;
}

// A profile or DPI level as the user numbers it (1-5), as the index 0-4.
int OneBased(CtlContext& ctx, const std::string& text, const char* what, int count) {
  return static_cast<int>(Number(ctx, text, what, static_cast<uint32_t>(count), 1)) - 1;
}

// The raw DPI value (1-255 steps) of `text` DPI. A value the mouse cannot store exactly is
// refused with the nearest one it can, unless `nearest` asks to take that one.
uint8_t DpiSteps(CtlContext& ctx, const std::string& text, const char* what, uint32_t step, bool nearest) {
  const auto v = ParseNumber(text);
  if (!v) throw CLI::ValidationError(what, ctx.Text(ctl_text::kExpectedDpi, {text}));
  const uint32_t steps = std::clamp<uint32_t>((*v + step / 2) / step, 1, 255);
  if (!nearest && steps * step != *v) {
    throw CLI::ValidationError(
        what, ctx.Text(ctl_text::kDpiNotStorable, {*v, step, step, 255 * step, steps * step, "--nearest"}));
  }
  return static_cast<uint8_t>(steps);
}

std::string Hex3(const std::array<uint8_t, 3>& c) {
  return FormatHex(c);
}

// The text printed for a button's function or an information entry: the main window's text,
// with the user's key names and the name of a stored macro the button plays.
std::string Describe(CtlContext& ctx, const std::array<uint8_t, 4>& bytes) {
  // The macro directory is read only for a function that plays a macro (its name is shown).
  const bool plays_macro = bytes[0] >= function_type::kMacro && bytes[0] <= function_type::kMacroFire;
  const WorkingCopy& wc = ctx.Config(plays_macro ? kReadMacros : kReadIdentity);
  return ButtonFunctionText(ctx.Texts(), ctx.Keys(), ButtonAssignment::FromBytes(bytes), wc.dpi_step, wc.macros);
}

// The identification of the connected mouse (what the catalogue depends on).
DeviceInfo ConnectedInfo(CtlContext& ctx) {
  const auto info = ctx.Devices().Info(ctx.Config(kReadIdentity).path);
  if (!info) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
  return *info;
}

void Functions(CtlContext& ctx, int key) {
  const std::vector<_FITEM_> offered = OfferedCatalogue(ctx.Texts(), ConnectedInfo(ctx), key);
  nlohmann::json j = nlohmann::json::array();
  for (size_t i = 0; i < offered.size(); ++i) {
    const _FITEM_& item = offered[i];
    const std::string page = item.category == kCataloguePageMouse ? "mouse" : "advanced";
    if (ctx.options.json) {
      j.push_back({{"entry", i + 1}, {"name", item.name}, {"page", page}, {"function", HexBytes(item.Assignment().Bytes())}});
    } else {
      char line[32];
      std::snprintf(line, sizeof line, "%3zu: ", i + 1);
      // The page of the button window that offers it, named as that window names it.
      const std::string page_name =
          ctx.Texts().Get(TextFamily::class_str, item.category == kCataloguePageMouse ? 0 : 2);
      ctx.out << line << item.name << "  (" << page_name << ")  [" << HexBytes(item.Assignment().Bytes()) << "]\n";
    }
  }
  if (ctx.options.json) ctx.out << j.dump(2) << "\n";
}

void Show(CtlContext& ctx, int only_profile, bool all_keys) {
  // Everything it prints: the values of GetInfo1 and GetInfo2 are not among them.
  WorkingCopy& wc = ctx.Config(kReadEverything & ~kReadInfoValues);
  const TextTables& texts = ctx.Texts();
  auto describe = [&ctx](const std::array<uint8_t, 4>& bytes) { return Describe(ctx, bytes); };
  const ModelLayout& layout = ctx.layout();
  const auto info = ctx.Devices().Info(wc.path);
  const std::string model = info ? ModelName(*info) : "";
  auto keys_of = [&]() {
    std::vector<int> keys;
    if (all_keys) {
      for (int k = 0; k < static_cast<int>(wc.map.plane_size); ++k) keys.push_back(k);
    } else {
      for (int i = 0; i < layout.buttons; ++i) keys.push_back(layout.key_index[i]);
    }
    return keys;
  };

  nlohmann::json j;
  j["path"] = wc.path;
  j["model"] = model;
  j["type_code"] = info ? info->type_code : 0;
  j["protocol_level"] = wc.protocol_level;
  j["lighting"] = wc.lighting;
  j["memory_top"] = wc.memory_top;
  j["report_rate"] = {{"code", wc.rate_code}, {"hz", ReportRateHz(wc.rate_code)}};
  j["angle_snapping"] = wc.angle_snapping != 0;
  j["settings_byte_raw"] = wc.settings_byte;
  j["dpi"] = {{"current_level", wc.dpi_level + 1}, {"enabled_mask", wc.dpi_mask}, {"step", wc.dpi_step}};
  for (int n = 0; n < kDpiLevels; ++n) {
    j["dpi"]["levels"].push_back({{"x", wc.dpi[n][0] * wc.dpi_step},
                                  {"y", wc.dpi[n][1] * wc.dpi_step},
                                  {"raw_x", wc.dpi[n][0]},
                                  {"raw_y", wc.dpi[n][1]},
                                  {"enabled", ((wc.dpi_mask >> n) & 1) != 0}});
  }
  const int active = ActiveProfile(wc);
  // Functions in the forms `button` accepts: machine-readable output names keys as the files of
  // export do, whatever the session's keyboard layout; text for people with the user's key names.
  const KeyLabels default_keys;
  const KeyLabels& keys = ctx.options.json ? default_keys : ctx.Keys();
  const DeviceInfo device = info ? *info : DeviceInfo{};
  for (int p = 0; p < kProfileCount; ++p) {
    if (only_profile >= 0 && p != only_profile) continue;
    const ProfileSettings& ps = wc.profiles[p];
    nlohmann::json pj = {{"profile", p + 1},
                         {"active", p == active},
                         {"name", ProfileDisplayName(ps.name, texts.Get(TextFamily::profile_str), p)},
                         {"colour", Hex3(ps.colour)},
                         {"flag", ps.flag},
                         {"enabled", ((wc.profile_bits >> p) & 1) != 0}};
    // The key cycle: a count (at most ten pairs) and the (modifier, usage) pairs.
    pj["key_cycle"] = nlohmann::json::array();
    const int cycle_keys = std::min<int>(ps.extension[0], 10);
    for (int i = 0; i < cycle_keys; ++i) {
      const auto key = ButtonAssignment::Keyboard(ps.extension[1 + 2 * i], ps.extension[2 + 2 * i]).Bytes();
      pj["key_cycle"].push_back(describe(key));
    }
    for (int k : keys_of()) {
      const ButtonSlot& b = ps.buttons[k];
      const std::string readable = ReadableFunction(ButtonAssignment::FromBytes(b.bytes), k, wc, keys, texts, device);
      nlohmann::json bj = {{"key", k}, {"function", readable}, {"function_raw", HexBytes(b.bytes)}, {"text", describe(b.bytes)}};
      if (const std::string label = ctx.ButtonLabel(k); !label.empty()) bj["button"] = label;
      pj["buttons"].push_back(std::move(bj));
    }
    j["profiles"].push_back(pj);
  }
  j["macros"] = nlohmann::json::array();
  for (int s = 0; s < kMacroSlots; ++s) {
    const MacroSlot& m = wc.macros[s];
    if (m.start == 0) continue;
    j["macros"].push_back({{"slot", s + 1}, {"name", m.name}, {"mode", m.mode}, {"start_address", m.start},
                           {"body_address", m.body}, {"length", m.length}});
  }
  j["free_macro_memory"] = static_cast<int>(FreeMemory(wc));
  for (int i = 0; i < kInfoEntries; ++i) {
    j["information"].push_back({{"entry", i + 1}, {"values_raw", HexBytes(wc.info_entries[i].values)},
                                {"text", describe(wc.info_entries[i].values)}});
  }
  if (ctx.options.json) {
    ctx.out << j.dump(2) << "\n";
    return;
  }

  std::ostream& o = ctx.out;
  const std::string disabled = "  " + ctx.Text(ctl_text::kDisabled);
  o << ctx.Text(wc.lighting ? ctl_text::kShowModelLighting : ctl_text::kShowModel,
                {model, j["type_code"].get<int>(), wc.protocol_level})
    << "\n";
  o << ctx.Text(ctl_text::kShowPath, {wc.path}) << "\n";
  o << ctx.Text(ctl_text::kShowMemoryTop, {wc.memory_top}) << "\n";
  o << ctx.Text(ctl_text::kReportRate, {ReportRateHz(wc.rate_code), wc.rate_code}) << "\n";
  o << ctx.Text(ctl_text::kAngleSnapping, {ctx.Text(wc.angle_snapping ? ctl_text::kOn : ctl_text::kOff)}) << "\n";
  o << ctx.Text(ctl_text::kShowDpiLevels, {wc.dpi_level + 1}) << "\n";
  for (int n = 0; n < kDpiLevels; ++n) {
    o << "  " << (n == wc.dpi_level ? '*' : ' ') << (n + 1) << ": " << wc.dpi[n][0] * wc.dpi_step << " x "
      << wc.dpi[n][1] * wc.dpi_step << (((wc.dpi_mask >> n) & 1) ? "" : disabled) << "\n";
  }
  o << ctx.Text(ctl_text::kShowProfiles, {active + 1}) << "\n";
  for (const auto& pj : j["profiles"]) {
    const int p = pj["profile"].get<int>();
    o << " " << (pj["active"].get<bool>() ? '*' : ' ') << p << ": " << pj["name"].get<std::string>() << "  "
      << ctx.Text(ctl_text::kShowColour, {pj["colour"].get<std::string>()})
      << (pj["flag"].get<bool>() ? "  " + ctx.Text(ctl_text::kShowFlag) : "")
      << (pj["enabled"].get<bool>() ? "" : disabled) << "\n";
    if (!pj["key_cycle"].empty()) {
      o << "     " << ctx.Text(ctl_text::kShowKeyCycle);
      const char* sep = " ";
      for (const auto& k : pj["key_cycle"]) {
        o << sep << k.get<std::string>();
        sep = ", ";
      }
      o << "\n";
    }
    for (const auto& b : pj["buttons"]) {
      const std::string key = PadRight(b.value("button", ""), 4) + " " + ctx.Text(ctl_text::kShowKey, {b["key"].get<int>()});
      o << "     " << key << ": " << b["text"].get<std::string>() << "  [" << b["function"].get<std::string>()
        << "]\n";
    }
  }
  o << ctx.Text(ctl_text::kShowMacros);
  if (j["macros"].empty()) o << " " << ctx.Text(ctl_text::kNone);
  o << "\n";
  for (const auto& m : j["macros"]) {
    o << "  "
      << ctx.Text(ctl_text::kShowMacroLine, {m["slot"].get<int>(), m["name"].get<std::string>(), m["mode"].get<int>(),
                                             m["start_address"].get<int>(), m["body_address"].get<int>(),
                                             m["length"].get<int>()})
      << "\n";
  }
  o << ctx.Text(TextFamily::msg_str, kMsgFreeMemory, {static_cast<long long>(FreeMemory(wc))}) << "\n";
  o << ctx.Text(ctl_text::kShowInformation) << "\n";
  for (int i = 0; i < kInfoEntries; ++i) {
    o << "  " << i + 1 << ": " << describe(wc.info_entries[i].values) << "  [" << HexBytes(wc.info_entries[i].values) << "]\n";
  }
}

void Require(CtlContext& ctx, bool ok) {
  if (!ok) throw CtlError(ctx.WriteError());
}


}  // namespace

void RegisterConfigCommands(CLI::App& app, CtlContext& ctx) {
  auto* show = app.add_subcommand("show", Help(ctl_text::kHelpShow));
  auto show_profile = std::make_shared<int>(0);
  auto all_keys = std::make_shared<bool>(false);
  show->add_option("--profile", *show_profile, Help(ctl_text::kHelpShowProfile))->check(CLI::Range(1, kProfileCount));
  show->add_flag("--all-keys", *all_keys, Help(ctl_text::kHelpAllKeys));
  show->callback([&ctx, show_profile, all_keys] { Show(ctx, *show_profile - 1, *all_keys); });

  auto* functions = app.add_subcommand("functions", Help(ctl_text::kHelpFunctions));
  auto functions_key = std::make_shared<std::string>();
  functions->add_option("--key", *functions_key, Help(ctl_text::kHelpFunctionsKey));
  functions->callback([&ctx, functions_key] {
    Functions(ctx, functions_key->empty() ? -1 : ctx.KeyIndex(*functions_key, "--key"));
  });

  auto* dpi = app.add_subcommand("dpi", Help(ctl_text::kHelpDpi));
  auto args = std::make_shared<std::vector<std::string>>();
  auto nearest = std::make_shared<bool>(false);
  dpi->add_option("LEVEL X Y", *args, Help(ctl_text::kHelpDpiArgs))->expected(3)->required();
  dpi->add_flag("--nearest", *nearest, Help(ctl_text::kHelpDpiNearest));
  dpi->callback([&ctx, args, nearest] {
    const int level = OneBased(ctx, (*args)[0], "LEVEL", kDpiLevels);
    // The current level decides whether the new values are applied at once.
    WorkingCopy& wc = ctx.Config(kReadDpiState);
    const auto step = static_cast<uint32_t>(wc.dpi_step);
    const uint8_t x = DpiSteps(ctx, (*args)[1], "X", step, *nearest);
    const uint8_t y = DpiSteps(ctx, (*args)[2], "Y", step, *nearest);
    Require(ctx, ChangeDpi(ctx.Devices(), wc, level, x, y));
    ctx.Confirm(ctx.Text(ctl_text::kDpiLevelSet, {level + 1, x * step, y * step}),
                {{"dpi_level", level + 1}, {"x", x * step}, {"y", y * step}});
  });

  auto* dpi_level = app.add_subcommand("dpi-level", Help(ctl_text::kHelpDpiLevel));
  auto cur = std::make_shared<std::string>();
  auto enable = std::make_shared<std::string>();
  dpi_level->add_option("LEVEL", *cur, Help(ctl_text::kHelpLevel))->required();
  dpi_level->add_option("--enable", *enable, Help(ctl_text::kHelpEnable));
  auto add_current = std::make_shared<bool>(false);
  dpi_level->add_flag("--nearest", *add_current, Help(ctl_text::kHelpEnableNearest));
  dpi_level->callback([&ctx, cur, enable, add_current] {
    const int level = OneBased(ctx, *cur, "LEVEL", kDpiLevels);
    // The mask is kept unless --enable replaces it, and the level's DPI values are applied.
    WorkingCopy& wc = ctx.Config(kReadSettings);
    int mask = wc.dpi_mask;
    if (!enable->empty()) {
      mask = 0;
      std::string item;
      std::stringstream in(*enable);
      while (std::getline(in, item, ',')) {
        mask |= 1 << OneBased(ctx, item, "--enable", kDpiLevels);
      }
      // The mouse always keeps its current level enabled: a list without it is not stored as given.
      if (((mask >> level) & 1) == 0 && !*add_current) {
        throw CLI::ValidationError("--enable", ctx.Text(ctl_text::kCurrentLevelEnabled, {level + 1, "--nearest"}));
      }
    }
    Require(ctx, ChangeDpiState(ctx.Devices(), wc, level, mask | (1 << level)));
    if (!ctx.SaveDpiState()) ctx.Warn(ctx.Text(ctl_text::kDpiStateNotSaved));
    std::string listed;
    nlohmann::json enabled = nlohmann::json::array();
    for (int n = 0; n < kDpiLevels; ++n) {
      if (((wc.dpi_mask >> n) & 1) == 0) continue;
      listed += (listed.empty() ? "" : ",") + std::to_string(n + 1);
      enabled.push_back(n + 1);
    }
    ctx.Confirm(ctx.Text(ctl_text::kDpiCurrent, {wc.dpi_level + 1, listed}),
                {{"current_level", wc.dpi_level + 1}, {"enabled_levels", enabled}});
  });

  auto* rate = app.add_subcommand("rate", Help(ctl_text::kHelpRate));
  auto code = std::make_shared<std::string>();
  rate->add_option("CODE", *code, Help(ctl_text::kHelpRateCode))->required();
  rate->callback([&ctx, code] {
    const int c = static_cast<int>(Number(ctx, *code, "CODE", 7));
    Require(ctx, ChangeRate(ctx.Devices(), ctx.Config(kReadSettings), c));
    ctx.Confirm(ctx.Text(ctl_text::kReportRate, {ReportRateHz(c), c}),
                {{"report_rate", {{"code", c}, {"hz", ReportRateHz(c)}}}});
  });

  auto* snap = app.add_subcommand("snap", Help(ctl_text::kHelpSnap));
  auto onoff = std::make_shared<std::string>();
  snap->add_option("STATE", *onoff, Help(ctl_text::kHelpOnOff))->required()->check(CLI::IsMember({"on", "off"}));
  snap->callback([&ctx, onoff] {
    Require(ctx, ChangeAngleSnapping(ctx.Devices(), ctx.Config(kReadSettings), *onoff == "on"));
    ctx.Confirm(ctx.Text(ctl_text::kAngleSnapping, {ctx.Text(*onoff == "on" ? ctl_text::kOn : ctl_text::kOff)}),
                {{"angle_snapping", *onoff == "on"}});
  });

  auto* lift = app.add_subcommand("lift", Help(ctl_text::kHelpLift));
  auto value = std::make_shared<std::string>();
  lift->add_option("VALUE", *value, "0-8192")->required();
  lift->callback([&ctx, value] {
    const auto v = static_cast<uint16_t>(Number(ctx, *value, "VALUE", 8192));
    ctx.Config(kReadIdentity);
    Require(ctx, ChangeLift(ctx.Devices(), v));
    ctx.Confirm(ctx.Text(ctl_text::kLift, {v}), {{"lift", v}});
  });

  auto* profile = app.add_subcommand("profile", Help(ctl_text::kHelpProfile));
  auto pnum = std::make_shared<std::string>();
  auto live = std::make_shared<bool>(false);
  profile->add_option("N", *pnum, Help(ctl_text::kHelpProfileNumber))->required();
  profile->add_flag("--live", *live, Help(ctl_text::kHelpLive));
  profile->callback([&ctx, pnum, live] {
    const int p = OneBased(ctx, *pnum, "N", kProfileCount);
    ctx.Connect();
    Require(ctx, ChangeProfile(ctx.Devices(), p, *live));
    ctx.Confirm(ctx.Text(*live ? ctl_text::kActiveProfileLive : ctl_text::kActiveProfile, {p + 1}),
                {{"active_profile", p + 1}, {"live", *live}});
  });

  auto* pname = app.add_subcommand("profile-name", Help(ctl_text::kHelpProfileName));
  auto pn = std::make_shared<std::string>();
  auto text = std::make_shared<std::string>();
  pname->add_option("N", *pn, Help(ctl_text::kHelpProfileNumber))->required();
  pname->add_option("TEXT", *text, Help(ctl_text::kHelpNewName))->required();
  auto cut = std::make_shared<bool>(false);
  pname->add_flag("--nearest", *cut, Help(ctl_text::kHelpNameNearest));
  pname->callback([&ctx, pn, text, cut] {
    const int p = OneBased(ctx, *pn, "N", kProfileCount);
    WorkingCopy& wc = ctx.Config(kReadIdentity);
    // The mouse keeps a fixed number of bytes; a longer name is refused unless --nearest asks to
    // cut it (at a whole character).
    if (*cut && text->size() > wc.map.name_size) {
      size_t end = wc.map.name_size;
      while (end > 0 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80) --end;
      text->resize(end);
    }
    if (text->size() > wc.map.name_size) {
      throw CLI::ValidationError(
          "TEXT", ctx.Text(ctl_text::kProfileNameTooLong,
                           {static_cast<long long>(wc.map.name_size), static_cast<long long>(wc.map.name_size), "--nearest", *text}));
    }
    Require(ctx, ChangeProfileName(ctx.Devices(), wc, p, *text));
    const std::string shown = ProfileDisplayName(wc.profiles[p].name, ctx.Texts().Get(TextFamily::profile_str), p);
    ctx.Confirm(ctx.Text(ctl_text::kProfileName, {p + 1, shown}),
                {{"profile", p + 1}, {"name", wc.profiles[p].name}, {"shown", shown}});
  });

  auto* button = app.add_subcommand("button", Help(ctl_text::kHelpButton));
  // Made when the help is printed, in the user's language.
  button->footer([&ctx] { return FunctionSpecHelp(ctx.Texts()); });
  auto bargs = std::make_shared<std::vector<std::string>>();
  button->add_option("PROFILE KEY FUNCTION", *bargs, Help(ctl_text::kHelpButtonArgs))->expected(3)->required();
  button->callback([&ctx, bargs] {
    const int p = OneBased(ctx, (*bargs)[0], "PROFILE", kProfileCount);
    // Only a function that plays a stored macro needs the macro directory.
    const bool names_macro = AsciiLower((*bargs)[2]).starts_with("macro");
    WorkingCopy& wc = ctx.Config(names_macro ? kReadMacros : kReadIdentity);
    const int key = ctx.KeyIndex((*bargs)[1], "KEY");
    std::string why;
    const FunctionSpecContext names{wc, ctx.Keys(), OfferedCatalogue(ctx.Texts(), ConnectedInfo(ctx), key), &ctx.Texts()};
    auto a = ParseFunctionSpec((*bargs)[2], names, &why);
    if (!a) throw CLI::ValidationError("FUNCTION", why);
    Require(ctx, ChangeButton(ctx.Devices(), wc, p, key, *a));
    const auto& bytes = wc.profiles[p].buttons[key].bytes;
    const std::string label = ctx.ButtonLabel(key);
    const std::string text = Describe(ctx, bytes);
    nlohmann::json j = {{"profile", p + 1}, {"key", key}, {"text", text}, {"function_raw", HexBytes(bytes)}};
    if (!label.empty()) j["button"] = label;
    ctx.Confirm(ctx.Text(ctl_text::kProfileKeyFunction, {p + 1, ctx.KeyText(key), text}), j);
  });

  app.add_subcommand("reset", Help(ctl_text::kHelpReset))->callback([&ctx] {
    WorkingCopy& wc = ctx.Config();
    ResetOptions options;
    options.before_write = ctx.AutoBackupBefore("reset");
    switch (ResetToDefaults(ctx.Devices(), wc, options)) {
      case ResetResult::kDone: break;
      case ResetResult::kNoDevice: throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
      case ResetResult::kBackupFailed:
        throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kAutoBackupFailed, {ctx.auto_backup_error()}));
      default:
        // Where the mouse's settings from before the reset are, as the window says it.
        if (!ctx.auto_backup_file().empty()) {
          throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kResetWriteError, {ctx.auto_backup_file().string()}));
        }
        throw CtlError(ctx.WriteError());
    }
    ctx.Confirm(ctx.Text(ctl_text::kReset), {{"reset", true}});
  });
}

}  // namespace halvric
