// halvricctl macro commands: the macros stored in the mouse (list, write, read, delete, bind) and
// the contents of a macro, from a file or from the mouse (show). Slots are numbered 1-80, as the
// window's mouse list numbers them.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/function_spec.h"
#include "cli/text_format.h"
#include "config/button_assignment.h"
#include "config/macro_slot.h"
#include "config/read_all.h"
#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "config/working_copy.h"
#include "device/device_commands.h"
#include "macro/instruction_set.h"
#include "macro/instruction_text.h"
#include "macro/macro_bindings.h"
#include "macro/macro_file.h"
#include "macro/macro_storage.h"
#include "config/safe_format.h"

namespace halvric {
namespace {

struct ButtonTarget {
  int profile = -1;  // -1: no binding asked for
  int key = 0;
};

// The slot index 0-79 of a slot number 1-80 as the user types it.
int SlotNumber(CtlContext& ctx, const std::string& text) {
  const auto v = ParseNumber(text);
  if (!v || *v < 1 || *v > static_cast<uint32_t>(kMacroSlots)) {
    throw CLI::ValidationError("SLOT", ctx.Text(ctl_text::kSlotRange, {1, kMacroSlots, text}));
  }
  return static_cast<int>(*v) - 1;
}

int ModeNumber(CtlContext& ctx, const std::string& text) {
  if (text == "once" || text == "8") return 8;
  if (text == "loop" || text == "9") return 9;
  if (text == "fire" || text == "10") return 10;
  throw CLI::ValidationError("--mode", ctx.Text(ctl_text::kModeWords, {"once", "loop", "fire", 8, 9, 10, text}));
}

// PROFILE:KEY, profiles numbered 1-5, the key as a button label (B1 ...) or a key index.
ButtonTarget ParseButton(CtlContext& ctx, const std::string& text, const char* what) {
  const size_t colon = text.find(':');
  const auto profile = colon == std::string::npos ? std::nullopt : ParseNumber(text.substr(0, colon));
  if (!profile || *profile < 1 || *profile > static_cast<uint32_t>(kProfileCount)) {
    throw CLI::ValidationError(what, ctx.Text(ctl_text::kProfileKey, {1, kProfileCount, text}));
  }
  return {static_cast<int>(*profile) - 1, ctx.KeyIndex(text.substr(colon + 1), what)};
}

Macro LoadMacro(CtlContext& ctx, const std::string& file) {
  auto loaded = LoadMacroFile(file);
  if (loaded) return std::move(loaded).value();
  switch (loaded.fault()) {
    case MacroFileStatus::kInvalidFormat:
      throw CtlError(ctx.Text(TextFamily::msg_str, kMsgInvalidFormat));
    case MacroFileStatus::kNotMacroPath:
      throw CtlError(ctx.Text(ctl_text::kNotMacroFile, {file}));
    default: {
      // A file that is there but too short or cut off is as corrupt as one with a wrong magic.
      std::error_code ec;
      if (std::filesystem::is_regular_file(file, ec)) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgInvalidFormat));
      throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kUpgradeUnreadable, {file}));
    }
  }
}

std::string FreeText(CtlContext& ctx, const WorkingCopy& wc) {
  return ctx.Text(TextFamily::msg_str, kMsgFreeMemory, {static_cast<long long>(FreeMemory(wc))});
}

// A slot's mode is null where the mouse holds none (a slot whose mode lives in the buttons that
// play it, and no button does).
nlohmann::json SlotJson(const WorkingCopy& wc, int s) {
  const MacroSlot& slot = wc.macros[s];
  const bool kept = MacroModeKept(wc, s);
  return {{"slot", s + 1},
          {"name", slot.name},
          {"mode", kept ? nlohmann::json(MacroModeWord(static_cast<int>(slot.mode))) : nlohmann::json(nullptr)},
          {"mode_raw", kept ? nlohmann::json(slot.mode) : nlohmann::json(nullptr)},
          {"start_address", slot.start},
          {"body_address", slot.body},
          {"length", slot.length}};
}

void PrintSlot(CtlContext& ctx, const WorkingCopy& wc, int s) {
  const MacroSlot& slot = wc.macros[s];
  const std::string mode =
      MacroModeKept(wc, s) ? std::string(MacroModeWord(static_cast<int>(slot.mode))) : ctx.Text(ctl_text::kModeNone);
  ctx.out << ctx.Text(ctl_text::kSlotLine, {s + 1, slot.name, mode, slot.start, slot.body, slot.length}) << "\n";
}

void ListMacros(CtlContext& ctx) {
  WorkingCopy& wc = ctx.Config();
  nlohmann::json slots = nlohmann::json::array();
  for (int s = 0; s < kMacroSlots; ++s) {
    const MacroSlot& slot = wc.macros[s];
    if (slot.start == 0) continue;
    if (ctx.options.json) {
      slots.push_back(SlotJson(wc, s));
    } else {
      PrintSlot(ctx, wc, s);
    }
  }
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"slots", slots}, {"free", FreeMemory(wc)}}.dump(2) << "\n";
  } else {
    ctx.out << FreeText(ctx, wc) << "\n";
  }
}

// Makes button `key` of `profile` play the macro of `slot` in its stored mode.
void BindSlot(CtlContext& ctx, WorkingCopy& wc, int profile, int key, int slot) {
  const MacroSlot& stored = wc.macros[slot];
  const auto bytes = ButtonAssignment::Macro(static_cast<int>(stored.mode), static_cast<int>(stored.body)).Bytes();
  if (!WriteButtonAssignment(ctx.mouse(), profile, key, bytes, profile == ActiveProfile(wc))) {
    throw CtlError(ctx.WriteError());
  }
  wc.profiles[profile].buttons[key].bytes = bytes;
}

struct WriteArgs {
  std::string slot, file, bind, name, mode;
  bool nearest = false;  // cut a name too long for the mouse instead of refusing it
};

void Write(CtlContext& ctx, const WriteArgs& args) {
  const int slot = SlotNumber(ctx, args.slot);
  Macro macro = LoadMacro(ctx, args.file);
  const ButtonTarget bind = args.bind.empty() ? ButtonTarget{} : ParseButton(ctx, args.bind, "--bind");
  if (!args.mode.empty()) macro.mode = ModeNumber(ctx, args.mode);
  if (!args.name.empty()) {
    // The mouse keeps 16 characters of a name; a longer one is refused unless --nearest takes
    // what the mouse keeps.
    const std::string kept = DecodeMacroName(EncodeMacroName(args.name));
    if (kept != args.name && !args.nearest) {
      throw CLI::ValidationError("--name", ctx.Text(ctl_text::kMacroNameTooLong, {16, "--nearest", args.name}));
    }
    macro.name = kept;
  }

  WorkingCopy& wc = ctx.Config();
  // Where the mouse keeps a slot's mode only in the buttons that play it, a loop or fire mode
  // asked for without a button to carry it would be lost without a word.
  if (!args.mode.empty() && macro.mode != kMacroModeOnce && bind.profile < 0 && wc.map.ModeEntryInKeyCycle(slot)) {
    throw CLI::ValidationError(
        "--mode", ctx.Text(ctl_text::kModeNeedsBind, {slot + 1, "--bind PROFILE:KEY",
                                                      "button PROFILE KEY macro:" + std::to_string(slot + 1) + ":" +
                                                          MacroModeWord(macro.mode)}));
  }
  switch (WriteMacroToSlot(ctx.mouse(), wc, slot, macro)) {
    case MacroStoreResult::kOk:
      break;
    case MacroStoreResult::kNoSpace:
      throw CtlError(ctx.Text(TextFamily::msg_str, kMsgLackOfSpace));
    default:
      throw CtlError(ctx.WriteError());
  }
  if (bind.profile >= 0) BindSlot(ctx, wc, bind.profile, bind.key, slot);
  if (ctx.options.json) {
    nlohmann::json j = SlotJson(wc, slot);
    j["free"] = FreeMemory(wc);
    ctx.out << j.dump(2) << "\n";
  } else {
    if (!ctx.options.quiet) {
      PrintSlot(ctx, wc, slot);
      ctx.out << FreeText(ctx, wc) << "\n";
    }
  }
}

void Bind(CtlContext& ctx, const std::string& profile_text, const std::string& key_text,
          const std::string& slot_text) {
  const int slot = SlotNumber(ctx, slot_text);
  const ButtonTarget target = ParseButton(ctx, profile_text + ":" + key_text, "PROFILE KEY");
  WorkingCopy& wc = ctx.Config();
  if (wc.macros[slot].start == 0) throw CtlError(ctx.Text(ctl_text::kSlotEmpty, {slot + 1}));
  BindSlot(ctx, wc, target.profile, target.key, slot);
  const std::string label = ctx.ButtonLabel(target.key);
  nlohmann::json j = {{"profile", target.profile + 1}, {"key", target.key}, {"slot", slot + 1}};
  if (!label.empty()) j["button"] = label;
  ctx.Confirm(ctx.Text(ctl_text::kProfileKeyFunction,
                       {target.profile + 1, ctx.KeyText(target.key), ctx.Text(ctl_text::kMacroOfSlot, {slot + 1, wc.macros[slot].name})}),
              j);
}

void Read(CtlContext& ctx, const std::string& slot_text, const std::string& file) {
  const int slot = SlotNumber(ctx, slot_text);
  if (!HasMacroExtension(file)) throw CtlError(ctx.Text(ctl_text::kNotMacroFile, {file}));
  WorkingCopy& wc = ctx.Config();
  Macro macro;
  switch (ReadMacroFromSlot(ctx.mouse(), wc, slot, macro)) {
    case MacroStoreResult::kOk:
      break;
    case MacroStoreResult::kEmptySlot:
      throw CtlError(ctx.Text(ctl_text::kSlotEmpty, {slot + 1}));
    default:
      throw CtlError(ctx.Text(ctl_text::kMacroReadStopped));
  }
  if (SaveMacroFile(file, macro) != MacroFileStatus::kOk) throw CtlError(ctx.Text(TextFamily::ui_str, ui_text::kCannotWrite, {file}));
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"slot", slot + 1}, {"name", macro.name}, {"mode", MacroModeWord(macro.mode)},
                              {"mode_raw", macro.mode}, {"file", file}}
                   .dump(2)
            << "\n";
  } else {
    ctx.note() << ctx.Text(ctl_text::kMacroSaved, {slot + 1, macro.name, file}) << "\n";
  }
}

void Delete(CtlContext& ctx, const std::string& slot_text) {
  const int slot = SlotNumber(ctx, slot_text);
  WorkingCopy& wc = ctx.Config();
  switch (DeleteMacroSlot(ctx.mouse(), wc, slot)) {
    case MacroStoreResult::kOk:
      break;
    case MacroStoreResult::kEmptySlot:
      throw CtlError(ctx.Text(ctl_text::kSlotEmpty, {slot + 1}));
    default:
      throw CtlError(ctx.WriteError());
  }
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"slot", slot + 1}, {"free", FreeMemory(wc)}}.dump(2) << "\n";
  } else {
    ctx.note() << ctx.Text(ctl_text::kSlotDeleted, {slot + 1}) << "\n" << FreeText(ctx, wc) << "\n";
  }
}

// The macro of a file, or of a mouse slot when WHAT is a slot number rather than a file.
// `mode_known` turns false for a slot that holds no mode in the mouse (see MacroModeKept).
Macro MacroToShow(CtlContext& ctx, const std::string& what, bool& mode_known) {
  mode_known = true;
  std::error_code ec;
  if (HasMacroExtension(what) || std::filesystem::exists(what, ec) || !ParseNumber(what)) {
    return LoadMacro(ctx, what);
  }
  const int slot = SlotNumber(ctx, what);
  WorkingCopy& wc = ctx.Config();
  Macro macro;
  switch (ReadMacroFromSlot(ctx.mouse(), wc, slot, macro)) {
    case MacroStoreResult::kOk:
      mode_known = MacroModeKept(wc, slot);
      return macro;
    case MacroStoreResult::kEmptySlot:
      throw CtlError(ctx.Text(ctl_text::kSlotEmpty, {slot + 1}));
    default:
      throw CtlError(ctx.Text(ctl_text::kMacroReadStopped));
  }
}

void Show(CtlContext& ctx, const std::string& what) {
  const TextTables& texts = ctx.Texts();
  bool mode_known = true;
  const Macro macro = MacroToShow(ctx, what, mode_known);
  const InstructionNames names = LabelInstructionNames(ctx.Keys());
  // The size the macro takes in the mouse, as the editor shows it.
  const long long size = MacroRecordSize(macro);
  nlohmann::json items = nlohmann::json::array();
  if (!ctx.options.json) {
    const std::string mode = mode_known ? std::string(MacroModeWord(macro.mode)) + " (" + MacroModeText(macro.mode, texts) + ")"
                                        : ctx.Text(ctl_text::kModeNone);
    ctx.out << ctx.Text(ctl_text::kMacroName, {macro.name}) << "\n"
            << ctx.Text(ctl_text::kMacroMode, {mode}) << "\n"
            << ctx.Text(ctl_text::kMacroSize, {ctx.Text(TextFamily::ui_str, ui_text::kBytes, {size})}) << "\n";
  }
  for (size_t i = 0; i < macro.items.size(); ++i) {
    const _MACRO_ITEM_& item = macro.items[i];
    const std::string bytes = HexBytes(std::span<const uint8_t>(item.code.data(), static_cast<size_t>(item.size)));
    const std::string text = InstructionText(item.code, texts, names);
    if (ctx.options.json) {
      items.push_back({{"index", i}, {"bytes", bytes}, {"text", text}});
    } else {
      ctx.out << SafeFormat("%04d", {static_cast<long long>(i)}) << "  " << text << "  [" << bytes << "]\n";
    }
  }
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"name", macro.name},
                              {"mode", mode_known ? nlohmann::json(MacroModeWord(macro.mode)) : nlohmann::json(nullptr)},
                              {"mode_raw", mode_known ? nlohmann::json(macro.mode) : nlohmann::json(nullptr)},
                              {"mode_text", mode_known ? MacroModeText(macro.mode, texts) : std::string()},
                              {"size_in_mouse", size},
                              {"instructions", items}}
                   .dump(2)
            << "\n";
  }
}

}  // namespace

void RegisterMacroCommands(CLI::App& app, CtlContext& ctx) {
  auto* macro = app.add_subcommand("macro", Help(ctl_text::kHelpMacro));
  macro->require_subcommand(1);

  macro->add_subcommand("list", Help(ctl_text::kHelpMacroList))->callback([&ctx] { ListMacros(ctx); });

  auto* wr = macro->add_subcommand("write", Help(ctl_text::kHelpMacroWrite));
  auto w = std::make_shared<WriteArgs>();
  wr->add_option("SLOT", w->slot, Help(ctl_text::kHelpSlot))->required();
  wr->add_option("FILE", w->file, Help(ctl_text::kHelpMacroFile))->required();
  wr->add_option("--name", w->name, Help(ctl_text::kHelpMacroName));
  wr->add_option("--mode", w->mode, Help(ctl_text::kHelpMacroMode));
  wr->add_flag("--nearest", w->nearest, Help(ctl_text::kHelpMacroNearest));
  wr->add_option("--bind", w->bind, Help(ctl_text::kHelpBind));
  wr->callback([&ctx, w] { Write(ctx, *w); });

  auto* rd = macro->add_subcommand("read", Help(ctl_text::kHelpMacroRead));
  auto r_slot = std::make_shared<std::string>();
  auto r_file = std::make_shared<std::string>();
  rd->add_option("SLOT", *r_slot, Help(ctl_text::kHelpSlot))->required();
  rd->add_option("FILE", *r_file, Help(ctl_text::kHelpMacroFileOut))->required();
  rd->callback([&ctx, r_slot, r_file] { Read(ctx, *r_slot, *r_file); });

  auto* del = macro->add_subcommand("delete", Help(ctl_text::kHelpMacroDelete));
  auto d_slot = std::make_shared<std::string>();
  del->add_option("SLOT", *d_slot, Help(ctl_text::kHelpSlot))->required();
  del->callback([&ctx, d_slot] { Delete(ctx, *d_slot); });

  auto* bind = macro->add_subcommand("bind", Help(ctl_text::kHelpMacroBind));
  auto b_args = std::make_shared<std::vector<std::string>>();
  bind->add_option("PROFILE KEY SLOT", *b_args, Help(ctl_text::kHelpBindArgs))->expected(3)->required();
  bind->callback([&ctx, b_args] { Bind(ctx, (*b_args)[0], (*b_args)[1], (*b_args)[2]); });

  auto* show = macro->add_subcommand("show", Help(ctl_text::kHelpMacroShow));
  auto s_what = std::make_shared<std::string>();
  show->add_option("FILE|SLOT", *s_what, Help(ctl_text::kHelpFileOrSlot))->required();
  show->callback([&ctx, s_what] { Show(ctx, *s_what); });
}

}  // namespace halvric
