// halvricctl export / apply: the mouse's whole configuration as a JSON file (docs/config-format.md).

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/config_apply.h"
#include "cli/config_document.h"
#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/function_spec.h"
#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"
#include "config/ui_texts.h"
#include "device/model_layout.h"
#include "lighting/lighting_operations.h"
#include "lighting/model_lighting.h"
#include "macro/instruction_words.h"
#include "macro/macro_bindings.h"
#include "macro/macro_storage.h"
#include "platform/atomic_file.h"

namespace halvric {

ConfigDocument ReadDocument(CtlContext& ctx, int only_profile) {
  WorkingCopy& wc = ctx.Config();
  const auto info = ctx.Devices().Info(wc.path);
  if (!info) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
  // The file is machine-readable: its names are English whatever the user's language.
  const KeyLabels keys;
  const TextTables english;
  ConfigDocument doc;
  doc.model = ModelName(*info);
  doc.type_code = info->type_code;
  doc.protocol_level = wc.protocol_level;
  doc.active_profile = ActiveProfile(wc);
  for (int p = 0; p < kProfileCount; ++p) {
    if (only_profile >= 0 && p != only_profile) continue;
    const ProfileSettings& ps = wc.profiles[static_cast<size_t>(p)];
    DocProfile dp;
    dp.profile = p;
    dp.name = ps.name;
    dp.colour = ps.colour;
    dp.flag = ps.flag;
    if (wc.map.profile_bits != 0) dp.enabled = ((wc.profile_bits >> p) & 1) != 0;
    dp.extension = ps.extension;
    const std::vector<uint8_t> other = ProfileRecordOtherMask(wc.map);
    for (size_t i = 0; i < other.size(); ++i) dp.record_other.push_back(static_cast<uint8_t>(ps.record_head[i] & other[i]));
    for (int k = 0; k < static_cast<int>(wc.map.plane_size); ++k) {
      const ButtonAssignment a = ButtonAssignment::FromBytes(ps.buttons[static_cast<size_t>(k)].bytes);
      dp.buttons.push_back({k, ctx.ButtonLabel(k), ReadableFunction(a, k, wc, keys, english, *info)});
    }
    doc.profiles.push_back(std::move(dp));
  }
  for (int n = 0; n < kDpiLevels; ++n) {
    doc.dpi[static_cast<size_t>(n)] = {wc.dpi[static_cast<size_t>(n)][0] * wc.dpi_step,
                                       wc.dpi[static_cast<size_t>(n)][1] * wc.dpi_step, ((wc.dpi_mask >> n) & 1) != 0};
  }
  doc.dpi_current = wc.dpi_level;
  doc.dpi_kept_by_program = !MouseKeepsDpiState(wc);
  doc.report_rate_hz = ReportRateHz(wc.rate_code);
  doc.angle_snapping = wc.angle_snapping != 0;
  doc.settings_other_bits = static_cast<uint8_t>(wc.settings_byte & ~kInterpretedSettingsBits);

  if (ctx.Devices().HasLighting(wc.path)) {
    const Mouse mouse = ctx.mouse();
    std::vector<lighting::LedZoneRecord> records;
    if (!lighting::ReadLightingBlock(mouse, records)) throw CtlError(ctx.Text(ctl_text::kReadNotAnswered));
    const lighting::ModelLighting model = lighting::ModelLightingFor(info->type_code, info->generation);
    DocLighting dl;
    dl.effect = lighting::GetLedMode(mouse);
    for (int r = 0; r < static_cast<int>(records.size()); ++r) {
      const DocZone z{r, records[static_cast<size_t>(r)].Bytes()};
      const bool shown = std::find(model.zones.begin(), model.zones.end(), r) != model.zones.end();
      (shown ? dl.zones : dl.hidden).push_back(z);
    }
    doc.lighting = std::move(dl);
  }

  for (int s = 0; s < kMacroSlots; ++s) {
    if (wc.macros[static_cast<size_t>(s)].start == 0) continue;
    Macro macro;
    if (ReadMacroFromSlot(ctx.mouse(), wc, s, macro) != MacroStoreResult::kOk) {
      throw CtlError(ctx.Text(ctl_text::kSlotMacroReadStopped, {s + 1}));
    }
    // A slot whose mode lives in the buttons that play it has none in the mouse when no button
    // does: the file then gives none rather than the "once" the mouse reads as for want of one.
    DocMacro dm{s, macro.name, std::nullopt, {}};
    if (MacroModeKept(wc, s)) dm.mode = macro.mode;
    for (const _MACRO_ITEM_& item : macro.items) dm.instructions.push_back(InstructionWords(item, keys));
    doc.macros.push_back(std::move(dm));
  }
  return doc;
}

namespace {

void Export(CtlContext& ctx, int only_profile, const std::string& file) {
  const std::string text = ToJson(ReadDocument(ctx, only_profile)).dump(2) + "\n";
  if (file == "-") {
    ctx.out << text;
    return;
  }
  std::string error;
  if (!WriteFileAtomically(file, text, &error)) {
    throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kCannotWrite, {file}) + " (" + error + ")");
  }
  ctx.note() << ctx.Text(ctl_text::kExportSaved, {file}) << "\n" << ctx.Text(ctl_text::kLiftNotExported) << "\n";
}

ConfigDocument LoadDocument(CtlContext& ctx, const std::string& file) {
  std::string text;
  if (file == "-") {
    // Read in pieces up to the bound every file read has: a pipe may never end.
    char piece[4096];
    while (std::cin.read(piece, sizeof piece) || std::cin.gcount() > 0) {
      text.append(piece, static_cast<std::size_t>(std::cin.gcount()));
      if (text.size() > kMaxReadBytes) {
        throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kUpgradeUnreadable, {file}) + " (larger than " +
                       std::to_string(kMaxReadBytes) + " bytes)");
      }
    }
  } else if (std::string error; !ReadWholeFile(file, text, &error)) {
    throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kUpgradeUnreadable, {file}) + " (" + error + ")");
  }
  const nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) throw CLI::ValidationError(file, ctx.Text(ctl_text::kNotJson));
  try {
    return FromJson(j);
  } catch (const DocumentError& e) {
    throw CLI::ValidationError(file, e.what());
  }
}

void Print(CtlContext& ctx, const std::vector<const ApplyStep*>& steps, bool dry_run) {
  if (ctx.options.json) {
    nlohmann::json changes = nlohmann::json::array();
    for (const ApplyStep* s : steps) changes.push_back(s->text);
    ctx.out << nlohmann::json{{"dry_run", dry_run}, {"changes", changes}}.dump(2) << "\n";
    return;
  }
  std::ostream& o = dry_run ? ctx.out : ctx.note();
  if (steps.empty()) {
    o << ctx.Text(ctl_text::kNothingToChange) << "\n";
    return;
  }
  o << ctx.Text(dry_run ? ctl_text::kWouldChange : ctl_text::kChanged) << "\n";
  for (const ApplyStep* s : steps) o << "  " << s->text << "\n";
}

void Run(CtlContext& ctx, const std::vector<ApplyStep>& steps) {
  for (const ApplyStep& s : steps) {
    if (!s.run()) throw CtlError(ctx.WriteError() + " (" + s.text + ")");
  }
}

void Apply(CtlContext& ctx, const std::string& file, bool dry_run) {
  const ConfigDocument doc = LoadDocument(ctx, file);
  ApplyPlan plan;
  try {
    plan = PlanApply(ctx, doc);
  } catch (const DocumentError& e) {
    throw CLI::ValidationError(file, e.what());
  }
  std::vector<const ApplyStep*> planned;
  for (const std::vector<ApplyStep>* list : std::initializer_list<const std::vector<ApplyStep>*>{&plan.macros, &plan.settings}) {
    for (const ApplyStep& s : *list) planned.push_back(&s);
  }
  if (dry_run || planned.empty()) {
    Print(ctx, planned, dry_run);
    return;
  }
  if (!ctx.AutoBackupBefore("apply")()) {
    throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kAutoBackupFailed, {ctx.auto_backup_error()}));
  }
  Run(ctx, plan.macros);
  // Buttons that play a macro hold its address, known only now that the macros are written.
  const std::vector<ApplyStep> settings = PlanSettings(ctx, doc);
  Run(ctx, settings);
  std::vector<const ApplyStep*> done;
  for (const std::vector<ApplyStep>* list : std::initializer_list<const std::vector<ApplyStep>*>{&plan.macros, &settings}) {
    for (const ApplyStep& s : *list) done.push_back(&s);
  }
  Print(ctx, done, false);
}

}  // namespace

void RegisterConfigFileCommands(CLI::App& app, CtlContext& ctx) {
  auto* exp = app.add_subcommand("export", Help(ctl_text::kHelpExport));
  auto profile = std::make_shared<int>(0);
  auto out_file = std::make_shared<std::string>();
  exp->add_option("--profile", *profile, Help(ctl_text::kHelpExportProfile))->check(CLI::Range(1, kProfileCount));
  exp->add_option("FILE", *out_file, Help(ctl_text::kHelpExportFile))->required();
  exp->callback([&ctx, profile, out_file] { Export(ctx, *profile - 1, *out_file); });

  auto* apply = app.add_subcommand("apply", Help(ctl_text::kHelpApply));
  auto in_file = std::make_shared<std::string>();
  auto dry_run = std::make_shared<bool>(false);
  apply->add_option("FILE", *in_file, Help(ctl_text::kHelpApplyFile))->required();
  apply->add_flag("--dry-run", *dry_run, Help(ctl_text::kHelpApplyDryRun));
  apply->callback([&ctx, in_file, dry_run] { Apply(ctx, *in_file, *dry_run); });
}

}  // namespace halvric
