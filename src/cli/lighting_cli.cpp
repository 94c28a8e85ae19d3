// halvricctl lighting commands: lighting show, lighting effect N, lighting zone Z RRGGBB [breathe|on],
// zones numbered from 1.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/text_format.h"
#include "config/text_tables.h"
#include "lighting/lighting_operations.h"
#include "lighting/model_lighting.h"

namespace halvric {
namespace {

using namespace lighting;

std::string EffectText(const TextTables& texts, int effect) {
  return texts.Get(TextFamily::button_str, kEffectTextBase + effect);
}

// Connects and checks that the mouse takes lighting requests.
const std::string& ConnectLighting(CtlContext& ctx) {
  const std::string& path = ctx.Connect();
  if (!ctx.Devices().HasLighting(path)) throw CtlError(ctx.Text(ctl_text::kNoLighting));
  return path;
}

ModelLighting ModelOf(CtlContext& ctx, const std::string& path) {
  const auto info = ctx.Devices().Info(path);
  return ModelLightingFor(info ? info->type_code : 3, info ? info->generation : 0);
}

void Show(CtlContext& ctx) {
  const std::string& path = ConnectLighting(ctx);
  DeviceLayer& dev = ctx.Devices();
  const Mouse mouse = MouseAt(dev, path);
  // The file's words stay English; people read the user's language.
  const TextTables english;
  const TextTables& texts = ctx.options.json ? english : ctx.Texts();
  const int effect = GetLedMode(mouse);
  std::vector<LedZoneRecord> zones;
  if (!ReadLightingBlock(mouse, zones)) throw CtlError(ctx.Text(ctl_text::kReadNotAnswered));
  const ModelLighting model = ModelOf(ctx, path);

  nlohmann::json jz = nlohmann::json::array();
  if (!ctx.options.json) {
    ctx.out << ctx.Text(ctl_text::kEffect, {effect, EffectText(texts, effect)}) << "\n";
    ctx.out << ctx.Text(ctl_text::kLightingHeader) << "\n";
  }
  // Zones are numbered by their place in the model's list, as `lighting zone` takes them; the
  // record index of the zone table shows in the raw bytes' column.
  for (size_t number = 1; number <= model.zones.size(); ++number) {
    const int z = model.zones[number - 1];
    const LedZoneRecord& rec = zones[static_cast<size_t>(z)];
    const ZoneLook look = LookOf(rec, model.default_colour);
    const std::string mode = texts.Get(TextFamily::button_str, look.always_on ? 48 : 47);
    if (ctx.options.json) {
      jz.push_back({{"zone", number}, {"colour", RgbHex(look.colour)}, {"own_colour", rec.own_colour()}, {"mode", mode},
                    {"record_raw", HexBytes(rec.Bytes())}});
    } else {
      // The mode's column is padded by characters, whatever the language's script.
      const std::string default_colour = rec.own_colour() ? "" : "  " + ctx.Text(ctl_text::kDefaultColour);
      ctx.out << SafeFormat("%4d  %s  ", {static_cast<long long>(number), RgbHex(look.colour)}) << PadRight(mode, 9)
              << "  " << HexBytes(rec.Bytes()) << default_colour << "\n";
    }
  }
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"effect", effect}, {"effect_name", EffectText(texts, effect)}, {"zones", jz}}.dump(2)
            << "\n";
  }
}

void Effect(CtlContext& ctx, int effect) {
  if (effect < 0 || effect >= kEffectCount) {
    throw CLI::ValidationError("N", ctx.Text(ctl_text::kEffectRange, {0, kEffectCount - 1}));
  }
  const std::string& path = ConnectLighting(ctx);
  if (!lighting::SetLedMode(MouseAt(ctx.Devices(), path), effect)) throw CtlError(ctx.WriteError());
  const TextTables english;
  ctx.Confirm(ctx.Text(ctl_text::kEffect, {effect, EffectText(ctx.Texts(), effect)}),
              {{"effect", effect}, {"effect_name", EffectText(english, effect)}});
}

void Zone(CtlContext& ctx, const std::string& zone_text, const std::string& colour_text, const std::string& mode_text) {
  Rgb colour{};
  if (!ParseRgbHex(colour_text, colour)) throw CLI::ValidationError("RRGGBB", ctx.Text(ctl_text::kExpectedColour, {"ff8000"}));
  if (!mode_text.empty() && mode_text != "breathe" && mode_text != "on") {
    throw CLI::ValidationError("MODE", ctx.Text(ctl_text::kOneOf, {"breathe", "on"}));
  }
  const bool all = zone_text == "all";
  std::optional<uint32_t> zone;
  if (!all) {
    zone = ParseNumber(zone_text);
    if (!zone) throw CLI::ValidationError("Z", ctx.Text(ctl_text::kZoneOrAll, {"all"}));
  }
  const std::string& path = ConnectLighting(ctx);
  DeviceLayer& dev = ctx.Devices();
  const Mouse mouse = MouseAt(dev, path);
  // Zones are numbered from 1, and only the zones this model lights can be given a colour.
  const std::vector<int> zones = ModelOf(ctx, path).zones;
  if (zone && (*zone < 1 || *zone > zones.size())) {
    throw CLI::ValidationError("Z", ctx.Text(ctl_text::kZoneRange, {1, static_cast<long long>(zones.size()), zone_text}));
  }
  std::vector<LedZoneRecord> current;
  if (mode_text.empty() && !ReadLightingBlock(mouse, current)) throw CtlError(ctx.Text(ctl_text::kReadNotAnswered));

  const std::vector<int> targets = all ? zones : std::vector<int>{zones[*zone - 1]};
  for (int z : targets) {
    // Without a mode the zone keeps the one it has.
    const bool on = mode_text.empty() ? current[static_cast<size_t>(z)].always_on() : mode_text == "on";
    if (!SetZoneColour(mouse, z, OwnColourRecord(colour, on))) throw CtlError(ctx.WriteError());
  }
  // The mode as `lighting show` names it.
  const std::string mode =
      mode_text.empty() ? "" : " " + ctx.Texts().Get(TextFamily::button_str, mode_text == "on" ? 48 : 47);
  nlohmann::json changed = nlohmann::json::array();
  std::string numbers;
  for (int z : targets) {
    const auto at = std::find(zones.begin(), zones.end(), z);
    const int number = static_cast<int>(at - zones.begin()) + 1;
    changed.push_back(number);
    numbers += (numbers.empty() ? "" : ",") + std::to_string(number);
  }
  ctx.Confirm(ctx.Text(ctl_text::kZoneColour, {numbers, RgbHex(colour) + mode}), {{"zones", changed}, {"colour", RgbHex(colour)}});
}

}  // namespace

void RegisterLightingCommands(CLI::App& app, CtlContext& ctx) {
  auto* lighting = app.add_subcommand("lighting", Help(ctl_text::kHelpLighting));
  lighting->require_subcommand(1);
  lighting->add_subcommand("show", Help(ctl_text::kHelpLightingShow))->callback([&ctx] { Show(ctx); });

  auto* effect = lighting->add_subcommand("effect", Help(ctl_text::kHelpEffect));
  auto n = std::make_shared<int>(0);
  effect->add_option("N", *n, Help(ctl_text::kHelpEffectNumber))->required();
  effect->callback([&ctx, n] { Effect(ctx, *n); });

  auto* zone = lighting->add_subcommand("zone", Help(ctl_text::kHelpZone));
  auto z = std::make_shared<std::string>();
  auto colour = std::make_shared<std::string>();
  auto mode = std::make_shared<std::string>();
  zone->add_option("Z", *z, Help(ctl_text::kHelpZoneNumber))->required();
  zone->add_option("RRGGBB", *colour, Help(ctl_text::kHelpColour))->required();
  zone->add_option("MODE", *mode, Help(ctl_text::kHelpZoneMode));
  zone->callback([&ctx, z, colour, mode] { Zone(ctx, *z, *colour, *mode); });
}

}  // namespace halvric
