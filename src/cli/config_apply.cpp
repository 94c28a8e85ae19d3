#include "cli/config_apply.h"

#include <algorithm>

#include "cli/ctl_text.h"
#include "cli/function_spec.h"
#include "config/describe_assignment.h"
#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"
#include "device/device_commands.h"
#include "device/model_layout.h"
#include "lighting/lighting_operations.h"
#include "lighting/model_lighting.h"
#include "macro/instruction_words.h"
#include "macro/macro_bindings.h"
#include "macro/macro_storage.h"
#include "platform/text.h"

namespace halvric {
namespace {

std::string DoubleQuoted(const std::string& s) { return "\"" + s + "\""; }
std::string HexText(std::span<const uint8_t> b) { return FormatHex(b, {}, HexCase::kUpper); }

DeviceInfo InfoOf(CtlContext& ctx) {
  const auto info = ctx.Devices().Info(ctx.Config().path);
  if (!info) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
  return *info;
}

// The catalogue matters only to the forms that name its entries.
std::vector<_FITEM_> CatalogueFor(const DeviceInfo& info, int key, const std::string& text) {
  const std::string head = AsciiLower(text.substr(0, text.find(':')));
  if (head != "catalogue" && head != "catalog" && head != "gamepad") return {};
  // The file names the entries as export writes them: in English.
  static const TextTables english;
  return OfferedCatalogue(english, info, key);
}

bool SameMacro(const Macro& a, const Macro& b, bool compare_mode) {
  if (a.name != b.name || (compare_mode && a.mode != b.mode) || a.items.size() != b.items.size()) return false;
  return SerializeInstructions(a.items) == SerializeInstructions(b.items);
}


// The macro a document entry describes; throws for instructions or a name the mouse cannot keep.
Macro MacroOf(const DocMacro& dm, size_t index, const KeyLabels& keys) {
  const std::string path = "/macros/" + std::to_string(index);
  if (DecodeMacroName(EncodeMacroName(dm.name)) != dm.name) {
    throw DocumentError(path + "/name", "a macro name in the mouse has at most 16 characters: " + DoubleQuoted(dm.name));
  }
  Macro m;
  m.name = dm.name;
  m.mode = dm.mode.value_or(8);
  for (size_t i = 0; i < dm.instructions.size(); ++i) {
    std::string why;
    const auto item = ParseInstructionWords(dm.instructions[i], keys, &why);
    if (!item) throw DocumentError(path + "/instructions/" + std::to_string(i), why);
    m.items.push_back(*item);
  }
  return m;
}

// Whether a button of the result plays slot `slot`: one of the file's buttons names it
// ("macro:17", "macro:17:loop"), or, in a profile the file leaves out, one of the mouse's does.
bool SlotPlayedAfterApply(const WorkingCopy& wc, const ConfigDocument& doc, int slot) {
  const std::string form = "macro:" + std::to_string(slot + 1);
  std::array<bool, kProfileCount> in_file{};
  for (const DocProfile& dp : doc.profiles) {
    in_file[static_cast<size_t>(dp.profile)] = true;
    for (const DocButton& b : dp.buttons) {
      const std::string f = AsciiLower(b.function);
      if (f.starts_with(form) && (f.size() == form.size() || f[form.size()] == ':')) return true;
    }
  }
  const MacroSlot& now = wc.macros[static_cast<size_t>(slot)];
  if (now.start == 0) return false;
  const int keys = std::min<int>(static_cast<int>(wc.map.plane_size), kKeySlots);
  for (int p = 0; p < kProfileCount; ++p) {
    if (in_file[static_cast<size_t>(p)]) continue;
    for (int k = 0; k < keys; ++k) {
      if (PlaysMacro(wc.profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(k)].bytes, now.body)) return true;
    }
  }
  return false;
}

// A slot whose mode byte belongs to the key cycles keeps its mode only in the buttons that play
// it: a loop or fire mode for a slot no button will play would be lost, so it is refused ("once"
// is how the mouse plays and reports such a slot anyway).
void CheckMacroModes(const WorkingCopy& wc, const ConfigDocument& doc) {
  for (size_t i = 0; i < doc.macros.size(); ++i) {
    const DocMacro& dm = doc.macros[i];
    if (!dm.mode || *dm.mode == 8 || !wc.map.ModeEntryInKeyCycle(dm.slot)) continue;
    if (SlotPlayedAfterApply(wc, doc, dm.slot)) continue;
    const std::string n = std::to_string(dm.slot + 1);
    throw DocumentError("/macros/" + std::to_string(i) + "/mode",
                        "this mouse keeps the mode of slot " + n + " only in the buttons that play it, and no button "
                        "plays it; leave the mode out, or give a button the function macro:" + n + ":" +
                            MacroModeWord(*dm.mode));
  }
}

void CheckModel(CtlContext& ctx, const ConfigDocument& doc) {
  const DeviceInfo info = InfoOf(ctx);
  const std::string model = ModelName(info);
  const int level = ctx.Config().protocol_level;
  if (doc.model != model || doc.type_code != info.type_code || doc.protocol_level != level) {
    throw DocumentError("/model", "the file is for a " + doc.model + " (type " + std::to_string(doc.type_code) +
                                      ", level " + std::to_string(doc.protocol_level) + "); the connected mouse is a " +
                                      model + " (type " + std::to_string(info.type_code) + ", level " +
                                      std::to_string(level) + ")");
  }
}

uint8_t DpiSteps(int dpi, int step, const std::string& path) {
  const int steps = std::clamp((dpi + step / 2) / step, 1, 255);
  if (steps * step != dpi) {
    throw DocumentError(path, std::to_string(dpi) + " DPI cannot be stored: this mouse takes steps of " +
                                  std::to_string(step) + " from " + std::to_string(step) + " to " +
                                  std::to_string(255 * step) + "; the nearest is " + std::to_string(steps * step));
  }
  return static_cast<uint8_t>(steps);
}

int RateCode(int hz) {
  std::string valid;
  for (int code = 0; code < 8; ++code) {
    if (ReportRateHz(code) == hz) return code;
    valid += (code == 0 ? "" : ", ") + std::to_string(ReportRateHz(code));
  }
  throw DocumentError("/report_rate_hz", std::to_string(hz) + " Hz is not a rate of the mouse: " + valid);
}

void AddProfileSteps(CtlContext& ctx, const DeviceInfo& info, const WorkingCopy& cur, const DocProfile& dp, size_t index,
                     const KeyLabels& keys, std::vector<ApplyStep>& steps) {
  const std::string path = "/profiles/" + std::to_string(index);
  const int p = dp.profile;
  const std::string who = "profile " + std::to_string(p + 1);
  const ProfileSettings& ps = cur.profiles[static_cast<size_t>(p)];
  if (dp.name.size() > cur.map.name_size) {
    throw DocumentError(path + "/name", "this mouse keeps profile names of at most " +
                                            std::to_string(cur.map.name_size) + " bytes: " + DoubleQuoted(dp.name));
  }
  if (dp.name != ps.name) {
    steps.push_back({who + " name: " + DoubleQuoted(dp.name), [&ctx, p, name = dp.name] {
                       return ChangeProfileName(ctx.Devices(), ctx.Config(), p, name);
                     }});
  }
  if (cur.map.two_bit_colours) {
    for (uint8_t c : dp.colour) {
      if (c % 85 != 0) {
        throw DocumentError(path + "/colour", "this mouse keeps four levels per colour (00, 55, AA, FF): " +
                                                  HexText(dp.colour));
      }
    }
  }
  if (dp.colour != ps.colour) {
    steps.push_back({who + " colour: " + HexText(dp.colour), [&ctx, p, c = dp.colour] {
                       return ChangeProfileColour(ctx.Devices(), ctx.Config(), p, c);
                     }});
  }
  if (dp.flag != ps.flag) {
    steps.push_back({who + " flag: " + std::string(dp.flag ? "on" : "off"), [&ctx, p, f = dp.flag] {
                       return ChangeProfileFlag(ctx.Devices(), ctx.Config(), p, f);
                     }});
  }
  if (!dp.record_other.empty()) {
    const std::vector<uint8_t> mask = ProfileRecordOtherMask(cur.map);
    if (dp.record_other.size() != mask.size()) {
      throw DocumentError(path + "/record_other_raw", "this mouse keeps " + std::to_string(mask.size()) +
                                                         " bytes before a profile's name");
    }
    bool differs = false;
    for (size_t i = 0; i < mask.size(); ++i) {
      if ((dp.record_other[i] & ~mask[i]) != 0) {
        throw DocumentError(path + "/record_other_raw", "byte " + std::to_string(i + 1) +
                                                           " sets bits that flag or colour hold; give them there");
      }
      differs = differs || (dp.record_other[i] != (ps.record_head[i] & mask[i]));
    }
    if (differs) {
      steps.push_back({who + " record bytes: " + HexText(dp.record_other), [&ctx, p, r = dp.record_other] {
                         return ChangeProfileRecordOther(ctx.Devices(), ctx.Config(), p, r);
                       }});
    }
  }
  if (dp.extension != ps.extension) {
    steps.push_back({who + " key cycle: " + HexText(dp.extension), [&ctx, p, e = dp.extension] {
                       return ChangeKeyCycleBlock(ctx.Devices(), ctx.Config(), p, e);
                     }});
  }
  for (size_t b = 0; b < dp.buttons.size(); ++b) {
    const DocButton& db = dp.buttons[b];
    const std::string bpath = path + "/buttons/" + std::to_string(b);
    if (db.key >= static_cast<int>(cur.map.plane_size)) {
      throw DocumentError(bpath + "/key", "this mouse has keys 0 to " + std::to_string(cur.map.plane_size - 1));
    }
    std::string why;
    const FunctionSpecContext names{cur, keys, CatalogueFor(info, db.key, db.function)};
    const auto a = ParseFunctionSpec(db.function, names, &why);
    if (!a) throw DocumentError(bpath + "/function", why);
    if (a->Bytes() == ps.buttons[static_cast<size_t>(db.key)].bytes) continue;
    const std::string label = ctx.ButtonLabel(db.key);
    steps.push_back({who + " " + (label.empty() ? "key " + std::to_string(db.key) : label) + ": " + db.function,
                     [&ctx, p, key = db.key, a = *a] { return ChangeButton(ctx.Devices(), ctx.Config(), p, key, a); }});
  }
}

void AddLightingSteps(CtlContext& ctx, const DeviceInfo& info, const DocLighting& dl, std::vector<ApplyStep>& steps) {
  using namespace lighting;
  const std::string& path = ctx.Config().path;
  if (!ctx.Devices().HasLighting(path)) throw DocumentError("/lighting", "this mouse has no lighting");
  const Mouse mouse = ctx.mouse();
  const ModelLighting model = ModelLightingFor(info.type_code, info.generation);
  if (dl.zones.size() != model.zones.size()) {
    throw DocumentError("/lighting/zones/" + std::to_string(std::min(dl.zones.size(), model.zones.size())),
                        "this mouse has zones 1 to " + std::to_string(model.zones.size()));
  }
  std::vector<LedZoneRecord> current;
  if (!ReadLightingBlock(mouse, current)) throw CtlError(ctx.Text(ctl_text::kReadNotAnswered));
  const int effect = GetLedMode(mouse);
  if (effect != dl.effect) {
    steps.push_back({"lighting effect: " + std::to_string(dl.effect), [&ctx, e = dl.effect] {
                       return lighting::SetLedMode(ctx.mouse(), e);
                     }});
  }
  auto add = [&](int record, const std::array<uint8_t, 4>& bytes, const std::string& what) {
    const LedZoneRecord want{bytes[0], bytes[1], bytes[2], bytes[3]};
    if (current[static_cast<size_t>(record)].Bytes() == want.Bytes()) return;
    steps.push_back({what + ": " + HexText(want.Bytes()), [&ctx, record, want] {
                       return SetZoneColour(ctx.mouse(), record, want);
                     }});
  };
  for (size_t z = 0; z < dl.zones.size(); ++z) {
    add(model.zones[z], dl.zones[z].bytes, "lighting zone " + std::to_string(z + 1));
  }
  for (size_t h = 0; h < dl.hidden.size(); ++h) {
    const int record = dl.hidden[h].record;
    const bool shown = std::find(model.zones.begin(), model.zones.end(), record) != model.zones.end();
    if (shown || record >= static_cast<int>(current.size())) {
      throw DocumentError("/lighting/hidden_records_raw/" + std::to_string(h) + "/record",
                          "not a hidden zone record of this mouse (records 0 to " + std::to_string(current.size() - 1) +
                              " without the shown zones)");
    }
    add(record, dl.hidden[h].bytes, "lighting record " + std::to_string(record));
  }
}

// The settings' steps, read against `cur` (the mouse as it is, or as it will be after the macros).
std::vector<ApplyStep> SettingSteps(CtlContext& ctx, const ConfigDocument& doc, const WorkingCopy& cur) {
  const DeviceInfo info = InfoOf(ctx);
  const KeyLabels keys;
  std::vector<ApplyStep> steps;
  const bool has_bits = cur.map.profile_bits != 0;
  uint8_t bits = cur.profile_bits;
  for (size_t i = 0; i < doc.profiles.size(); ++i) {
    const DocProfile& dp = doc.profiles[i];
    AddProfileSteps(ctx, info, cur, dp, i, keys, steps);
    if (dp.enabled && !has_bits) {
      throw DocumentError("/profiles/" + std::to_string(i) + "/enabled", "this mouse has no profile enable flags");
    }
    if (dp.enabled) bits = static_cast<uint8_t>(*dp.enabled ? bits | (1 << dp.profile) : bits & ~(1 << dp.profile));
  }
  if (has_bits && bits != cur.profile_bits) {
    steps.push_back({"profile enable flags: " + HexText(std::array<uint8_t, 1>{bits}), [&ctx, bits] {
                       return ChangeProfileBits(ctx.Devices(), ctx.Config(), bits);
                     }});
  }

  int mask = 0;
  for (int n = 0; n < kDpiLevels; ++n) {
    const DocDpiLevel& l = doc.dpi[static_cast<size_t>(n)];
    const std::string path = "/dpi/levels/" + std::to_string(n);
    const uint8_t x = DpiSteps(l.x, cur.dpi_step, path + "/x");
    const uint8_t y = DpiSteps(l.y, cur.dpi_step, path + "/y");
    if (l.enabled) mask |= 1 << n;
    if (cur.dpi[static_cast<size_t>(n)] == std::array<uint8_t, 2>{x, y}) continue;
    steps.push_back({"dpi level " + std::to_string(n + 1) + ": " + std::to_string(l.x) + " x " + std::to_string(l.y),
                     [&ctx, n, x, y] { return ChangeDpi(ctx.Devices(), ctx.Config(), n, x, y); }});
  }
  if (mask != cur.dpi_mask || doc.dpi_current != cur.dpi_level) {
    std::string enabled;
    for (int n = 0; n < kDpiLevels; ++n) {
      if ((mask >> n) & 1) enabled += (enabled.empty() ? "" : ",") + std::to_string(n + 1);
    }
    steps.push_back({"dpi current level " + std::to_string(doc.dpi_current + 1) + ", enabled " + enabled,
                     [&ctx, level = doc.dpi_current, mask] {
                       if (!ChangeDpiState(ctx.Devices(), ctx.Config(), level, mask)) return false;
                       if (!ctx.SaveDpiState()) ctx.Warn(ctx.Text(ctl_text::kDpiStateNotSaved));
                       return true;
                     }});
  }

  const int rate = RateCode(doc.report_rate_hz);
  if (rate != cur.rate_code) {
    steps.push_back({"report rate: " + std::to_string(doc.report_rate_hz) + "Hz",
                     [&ctx, rate] { return ChangeRate(ctx.Devices(), ctx.Config(), rate); }});
  }
  if (doc.angle_snapping != (cur.angle_snapping != 0)) {
    steps.push_back({std::string("angle snapping: ") + (doc.angle_snapping ? "on" : "off"), [&ctx, on = doc.angle_snapping] {
                       return ChangeAngleSnapping(ctx.Devices(), ctx.Config(), on);
                     }});
  }
  if (doc.settings_other_bits != (cur.settings_byte & ~kInterpretedSettingsBits)) {
    steps.push_back({"settings byte, other bits: " + HexText(std::array<uint8_t, 1>{doc.settings_other_bits}),
                     [&ctx, other = doc.settings_other_bits] {
                       WorkingCopy& wc = ctx.Config();
                       const auto value = static_cast<uint8_t>((wc.settings_byte & kInterpretedSettingsBits) | other);
                       const Mouse m = ctx.mouse();
                       if (!WriteMemoryByte(m, wc.map.settings_byte, value) || !Commit(m)) return false;
                       wc.settings_byte = value;
                       wc.second_field = (value >> 1) & 7;
                       return true;
                     }});
  }
  if (doc.lift) {
    // The mouse does not report its lift setting, so a lift in the file is always sent.
    steps.push_back({"lift: " + std::to_string(*doc.lift), [&ctx, v = *doc.lift] { return ChangeLift(ctx.Devices(), v); }});
  }
  if (doc.lighting) AddLightingSteps(ctx, info, *doc.lighting, steps);
  if (doc.active_profile != ActiveProfile(cur)) {
    steps.push_back({"active profile: " + std::to_string(doc.active_profile + 1), [&ctx, p = doc.active_profile] {
                       return ChangeProfile(ctx.Devices(), ctx.Config(), p, false);
                     }});
  }
  return steps;
}

}  // namespace

ApplyPlan PlanApply(CtlContext& ctx, const ConfigDocument& doc) {
  CheckModel(ctx, doc);
  WorkingCopy& wc = ctx.Config();
  CheckMacroModes(wc, doc);
  const KeyLabels keys;
  ApplyPlan plan;
  // The mouse as it will be once the macros are written: a rewritten slot gets an address no
  // macro has yet, so that the buttons that play it count as changed.
  WorkingCopy after = wc;
  std::array<bool, kMacroSlots> wanted{};
  for (size_t i = 0; i < doc.macros.size(); ++i) {
    const DocMacro& dm = doc.macros[i];
    const Macro macro = MacroOf(dm, i, keys);
    wanted[static_cast<size_t>(dm.slot)] = true;
    const MacroSlot& slot = wc.macros[static_cast<size_t>(dm.slot)];
    if (slot.start != 0) {
      Macro stored;
      if (ReadMacroFromSlot(ctx.mouse(), wc, dm.slot, stored) != MacroStoreResult::kOk) {
        throw CtlError(ctx.Text(ctl_text::kMacroReadStopped));
      }
      // A slot whose mode byte lies in a key-cycle record takes its mode from the buttons.
      if (SameMacro(stored, macro, !wc.map.ModeEntryInKeyCycle(dm.slot))) continue;
    }
    MacroSlot& planned = after.macros[static_cast<size_t>(dm.slot)];
    planned.start = planned.body = 0x10000u + static_cast<uint32_t>(dm.slot);
    planned.name = dm.name;
    plan.macros.push_back({"macro slot " + std::to_string(dm.slot + 1) + ": " + DoubleQuoted(dm.name) + " " +
                               (dm.mode ? std::string(MacroModeWord(*dm.mode)) + ", " : std::string()) + std::to_string(macro.items.size()) + " instructions",
                           [&ctx, slot = dm.slot, macro] {
                             return WriteMacroToSlot(ctx.mouse(), ctx.Config(), slot, macro) == MacroStoreResult::kOk;
                           }});
  }
  std::vector<ApplyStep> deletes;
  for (int s = 0; s < kMacroSlots; ++s) {
    if (wanted[static_cast<size_t>(s)] || wc.macros[static_cast<size_t>(s)].start == 0) continue;
    after.macros[static_cast<size_t>(s)] = MacroSlot{};
    deletes.push_back({"macro slot " + std::to_string(s + 1) + ": deleted", [&ctx, s] {
                         return DeleteMacroSlot(ctx.mouse(), ctx.Config(), s) == MacroStoreResult::kOk;
                       }});
  }
  // Deleting first frees the space the new macros may need.
  plan.macros.insert(plan.macros.begin(), deletes.begin(), deletes.end());
  plan.settings = SettingSteps(ctx, doc, after);
  return plan;
}

std::vector<ApplyStep> PlanSettings(CtlContext& ctx, const ConfigDocument& doc) {
  return SettingSteps(ctx, doc, ctx.Config());
}

}  // namespace halvric
