#include "cli/function_spec.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "cli/ctl_text.h"
#include "cli/text_format.h"
#include "config/describe_assignment.h"
#include "config/key_tables.h"
#include "platform/text.h"

namespace halvric {
namespace {

std::string Lower(std::string_view s) { return AsciiLower(s); }

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.emplace_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

int ModifierBits(const std::string& word) {
  static const std::pair<const char*, int> kMods[] = {
      {"ctrl", 0x01},  {"shift", 0x02},  {"alt", 0x04},  {"win", 0x08},  {"lctrl", 0x01}, {"lshift", 0x02},
      {"lalt", 0x04},  {"lwin", 0x08},   {"rctrl", 0x10}, {"rshift", 0x20}, {"ralt", 0x40}, {"rwin", 0x80},
      {"control", 0x01}, {"super", 0x08}, {"meta", 0x08}};
  for (const auto& [name, bits] : kMods)
    if (word == name) return bits;
  return 0;
}

int MouseButtonBit(const std::string& word) {
  if (word == "left") return mouse_button::kLeft;
  if (word == "right") return mouse_button::kRight;
  if (word == "middle" || word == "wheel") return mouse_button::kWheel;
  if (word == "back" || word == "backward") return mouse_button::kBackward;
  if (word == "forward") return mouse_button::kForward;
  return 0;
}

// The catalogue entry of a game-pad word: "a" ... "back" (type 34), "analog1" / "analog2" (36).
std::optional<ButtonAssignment> GamepadFunction(const std::string& word) {
  for (int bit = 0; bit < kGamepadBitCount; ++bit) {
    // "XBOX A" -> "a"
    if (Lower(std::string_view(GamepadBitName(bit)).substr(5)) == word) {
      return ButtonAssignment::Make(function_type::kGamepad, (1 << bit) & 0xFF, (1 << bit) >> 8);
    }
  }
  if (word == "analog1") return ButtonAssignment::Make(function_type::kGamepadAnalogToggle, 0);
  if (word == "analog2") return ButtonAssignment::Make(function_type::kGamepadAnalogToggle, 1);
  return std::nullopt;
}

std::string ModifierWords(int mods) {
  static const std::pair<int, const char*> kNames[] = {{0x01, "Ctrl"},   {0x02, "Shift"},  {0x04, "Alt"},
                                                       {0x08, "Win"},    {0x10, "RCtrl"},  {0x20, "RShift"},
                                                       {0x40, "RAlt"},   {0x80, "RWin"}};
  std::string out;
  for (const auto& [bit, name] : kNames) {
    if ((mods & bit) != 0) out += std::string(name) + "+";
  }
  return out;
}

// The form tried first for `a`; empty when only raw: fits.
std::string CandidateText(const ButtonAssignment& a, const FunctionSpecContext& c) {
  namespace ft = function_type;
  switch (a.type) {
    case ft::kDefault: return "default";
    case ft::kNoFunction: return "none";
    case ft::kMouse: {
      if (a.p1 == 0 && a.p2 == 1) return "wheel-up";
      if (a.p1 == 0 && a.p2 == 0xFF) return "wheel-down";
      static const std::pair<int, const char*> kNames[] = {{mouse_button::kLeft, "left"},
                                                           {mouse_button::kRight, "right"},
                                                           {mouse_button::kWheel, "middle"},
                                                           {mouse_button::kBackward, "back"},
                                                           {mouse_button::kForward, "forward"}};
      std::string out;
      for (const auto& [bit, name] : kNames) {
        if ((a.p1 & bit) == 0) continue;
        if (!out.empty()) out += '+';
        out += name;
      }
      return out;
    }
    case ft::kKeyboard: {
      const std::string mods = ModifierWords(a.p1);
      if (a.p2 == 0) return mods.empty() ? std::string() : "key:" + mods.substr(0, mods.size() - 1);
      const std::string name = c.keys.KeyName(a.p2);
      return name.empty() ? std::string() : "key:" + mods + name;
    }
    case ft::kMultimedia: {
      for (const auto& row : ConsumerKeyTable()) {
        if (row.code == a.Word()) return "media:" + std::string(row.name);
      }
      return "media:0x" + FormatHexNumber(static_cast<uint32_t>(a.Word()), 4);
    }
    case ft::kDpiUp: return "dpi-up";
    case ft::kDpiDown: return "dpi-down";
    case ft::kDpiLoop: return "dpi-loop";
    case ft::kProfileSwitch: return "profile-switch";
    case ft::kMacro:
    case ft::kMacroRepeat:
    case ft::kMacroFire: {
      for (int s = 0; s < kMacroSlots; ++s) {
        const MacroSlot& slot = c.wc.macros[static_cast<size_t>(s)];
        if (slot.start == 0 || slot.body != static_cast<uint32_t>(a.Word())) continue;
        const char* mode = a.type == ft::kMacroRepeat ? ":loop" : a.type == ft::kMacroFire ? ":fire" : "";
        return "macro:" + std::to_string(s + 1) + mode;
      }
      return {};
    }
    case ft::kGamepad:
      for (int bit = 0; bit < kGamepadBitCount; ++bit) {
        if (a.Word() == 1 << bit) return "gamepad:" + std::string(GamepadBitName(bit)).substr(5);
      }
      return {};
    case ft::kGamepadAnalogToggle: return a.p1 == 0 ? "gamepad:analog1" : "gamepad:analog2";
    default: return {};
  }
}

}  // namespace

std::string FunctionSpecText(const ButtonAssignment& a, const FunctionSpecContext& c) {
  const std::string text = CandidateText(a, c);
  if (!text.empty()) {
    const auto back = ParseFunctionSpec(text, c, nullptr);
    if (back && *back == a) return text;
  }
  return "raw:" + std::to_string(a.type) + "," + std::to_string(a.p1) + "," + std::to_string(a.p2) + "," +
         std::to_string(a.p3);
}

std::string ReadableFunction(const ButtonAssignment& a, int key, const WorkingCopy& wc, const KeyLabels& keys,
                             const TextTables& texts, const DeviceInfo& info) {
  const bool gamepad = a.type == function_type::kGamepad || a.type == function_type::kGamepadAnalogToggle;
  const FunctionSpecContext names{wc, keys, gamepad ? OfferedCatalogue(texts, info, key) : std::vector<_FITEM_>{}};
  return FunctionSpecText(a, names);
}

std::vector<_FITEM_> OfferedCatalogue(const TextTables& texts, const DeviceInfo& info, int key) {
  const std::vector<int> hidden =
      key < 0 ? std::vector<int>{} : HiddenTypesForPosition(key, info.protocol_level, HiddenTypesDeviceFlag(info));
  std::vector<_FITEM_> offered;
  for (const _FITEM_& item : BuildFunctionCatalogue(texts, info)) {
    if (IsCatalogueEntryShown(item, info.type_code, hidden)) offered.push_back(item);
  }
  return offered;
}

std::string FunctionSpecHelp(const TextTables& texts) {
  auto text = [&texts](int slot, const std::vector<FormatArg>& args = {}) {
    return CtlText(texts, TextFamily::ctl_str, slot, args);
  };
  const std::pair<const char*, std::string> forms[] = {
      {"raw:TYPE,P1,P2,P3", text(ctl_text::kHelpFunctionRaw)},
      {"none | default", text(ctl_text::kHelpFunctionNone)},
      {"left right middle back forward", text(ctl_text::kHelpFunctionMouse)},
      {"wheel-up | wheel-down", ""},
      {"key:[MODS+]KEY", text(ctl_text::kHelpFunctionKey, {"key:Ctrl+Shift+A, key:F5", "Ctrl Shift Alt Win", "RCtrl"})},
      {"media:NAME | media:0xUSAGE", text(ctl_text::kHelpFunctionExample, {"media:\"Volume Up\", media:0xE9"})},
      {"dpi-up | dpi-down | dpi-loop | profile-switch", ""},
      {"macro:SLOT[:loop|:fire]", text(ctl_text::kHelpFunctionMacro)},
      {"catalogue:N", text(ctl_text::kHelpFunctionCatalogue, {"halvricctl functions"})},
      {"gamepad:BUTTON", "A B X Y LB LT RB RT Left Right Up Down Start Back, analog1, analog2"},
      {"", text(ctl_text::kHelpFunctionGamepad)},
  };
  // A description starts in column 26, or three blanks after a longer form.
  std::string out = text(ctl_text::kHelpFunctionForms);
  for (const auto& [form, description] : forms) {
    std::string line = "  " + std::string(form);
    if (!description.empty()) line += std::string(line.size() < 26 ? 26 - line.size() : 3, ' ') + description;
    out += "\n" + line;
  }
  return out;
}

std::optional<ButtonAssignment> ParseFunctionSpec(std::string_view text, const WorkingCopy& wc, std::string* error) {
  static const KeyLabels kTableNames;
  return ParseFunctionSpec(text, FunctionSpecContext{wc, kTableNames, {}}, error);
}

std::optional<ButtonAssignment> ParseFunctionSpec(std::string_view text, const FunctionSpecContext& c,
                                                  std::string* error) {
  const WorkingCopy& wc = c.wc;
  static const TextTables english;
  auto fail = [&](int slot, const std::vector<FormatArg>& args = {}) -> std::optional<ButtonAssignment> {
    if (error) *error = CtlText(c.texts ? *c.texts : english, TextFamily::ctl_str, slot, args);
    return std::nullopt;
  };
  const std::string lower = Lower(text);
  const size_t colon = lower.find(':');
  const std::string head = lower.substr(0, colon);
  const std::string rest = colon == std::string::npos ? std::string() : std::string(text.substr(colon + 1));

  if (head == "raw") {
    auto parts = Split(rest, ',');
    if (parts.size() != 4) return fail(ctl_text::kSpecFourNumbers, {"raw:", "TYPE,P1,P2,P3"});
    uint8_t b[4];
    for (int i = 0; i < 4; ++i) {
      auto v = ParseNumber(parts[i]);
      if (!v || *v > 255) return fail(ctl_text::kSpecNotAByte, {"raw:", parts[i]});
      b[i] = static_cast<uint8_t>(*v);
    }
    return ButtonAssignment{b[0], b[1], b[2], b[3]};
  }
  if (head == "none") return ButtonAssignment::NoFunction();
  if (head == "default") return ButtonAssignment::Default();
  if (head == "wheel-up") return ButtonAssignment::Wheel(1);
  if (head == "wheel-down") return ButtonAssignment::Wheel(-1);
  if (head == "dpi-up") return ButtonAssignment::DpiUp();
  if (head == "dpi-down") return ButtonAssignment::DpiDown();
  if (head == "dpi-loop") return ButtonAssignment::DpiLoop();
  if (head == "profile-switch") return ButtonAssignment::Make(function_type::kProfileSwitch);
  if (head == "key") {
    if (rest.empty()) return fail(ctl_text::kSpecKeyName, {"key:", "key:Ctrl+A"});
    auto words = Split(rest, '+');
    int mods = 0;
    for (size_t i = 0; i + 1 < words.size(); ++i) {
      const int bits = ModifierBits(Lower(words[i]));
      if (bits == 0) return fail(ctl_text::kSpecUnknownModifier, {words[i]});
      mods |= bits;
    }
    const std::string key = Lower(words.back());
    if (const int bits = ModifierBits(key); bits != 0 && words.size() >= 1) {
      // A modifier alone ("key:Ctrl") is a key of its own.
      return ButtonAssignment::Keyboard(mods | bits, 0);
    }
    auto usage = c.keys.UsageOfName(key);
    if (!usage) return fail(ctl_text::kSpecUnknownKey, {words.back()});
    return ButtonAssignment::Keyboard(mods, *usage);
  }
  if (head == "media") {
    if (auto v = ParseNumber(rest); v && *v <= 0xFFFF) return ButtonAssignment::Consumer(static_cast<int>(*v));
    // The window's names ("Volume +"), and the words people type for the two volume keys.
    std::string wanted = Lower(rest);
    if (wanted == "volume up") wanted = "volume +";
    if (wanted == "volume down") wanted = "volume -";
    std::string names;
    for (const auto& row : ConsumerKeyTable()) {
      if (Lower(row.name) == wanted) return ButtonAssignment::Consumer(row.code);
      names += (names.empty() ? "" : ", ") + std::string(row.name);
    }
    return fail(ctl_text::kSpecUnknownMedia, {rest, names, "\"Volume Up\"", "\"Volume Down\"", "media:0xUSAGE"});
  }
  if (head == "catalogue" || head == "catalog") {
    auto n = ParseNumber(rest);
    if (!n || *n < 1 || *n > c.catalogue.size()) {
      return fail(ctl_text::kSpecCatalogueEntry,
                  {"catalogue:", 1, static_cast<long long>(c.catalogue.size()), "halvricctl functions"});
    }
    return c.catalogue[*n - 1].Assignment();
  }
  if (head == "gamepad") {
    const auto a = GamepadFunction(Lower(rest));
    if (!a) return fail(ctl_text::kSpecUnknownGamepad, {rest});
    for (const _FITEM_& item : c.catalogue) {
      if (item.Assignment() == *a) return a;
    }
    return fail(ctl_text::kSpecNoGamepad);
  }
  if (head == "macro") {
    auto parts = Split(rest, ':');
    auto slot = ParseNumber(parts[0]);
    if (!slot || *slot < 1 || *slot > kMacroSlots) return fail(ctl_text::kSpecMacroSlot, {"macro:", 1, kMacroSlots});
    const MacroSlot& s = wc.macros[*slot - 1];
    if (s.start == 0) return fail(ctl_text::kSpecMacroSlotEmpty, {parts[0]});
    int type = function_type::kMacro;
    if (parts.size() > 1) {
      const std::string mode = Lower(parts[1]);
      if (mode == "loop") type = function_type::kMacroRepeat;
      else if (mode == "fire") type = function_type::kMacroFire;
      else if (mode != "once") return fail(ctl_text::kSpecMacroMode, {"once", "loop", "fire"});
    }
    return ButtonAssignment::Macro(type, static_cast<int>(s.body));
  }
  int mask = 0;
  for (const auto& w : Split(lower, '+')) {
    const int bit = MouseButtonBit(w);
    if (bit == 0) return fail(ctl_text::kSpecUnknownFunction, {std::string(text), "halvricctl button --help"});
    mask |= bit;
  }
  return ButtonAssignment::MouseButtons(mask);
}

std::string MacroModeWord(int mode) {
  switch (mode) {
    case 8: return "once";
    case 9: return "loop";
    case 10: return "fire";
    default: return std::to_string(mode);
  }
}

}  // namespace halvric
