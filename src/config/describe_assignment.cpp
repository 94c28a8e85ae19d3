#include "config/describe_assignment.h"

#include <cstdio>

#include "config/key_labels.h"
#include "config/key_tables.h"
#include "config/text_tables.h"

namespace halvric {
namespace {

constexpr const char* kGamepadNames[kGamepadBitCount] = {
    "XBOX A", "XBOX B", "XBOX X", "XBOX Y", "XBOX LB", "XBOX LT", "XBOX RB", "XBOX RT",
    "XBOX Left", "XBOX Right", "XBOX Up", "XBOX Down", "XBOX Start", "XBOX Back"};

std::string MouseText(const TextTables& t, int i) { return t.Get(TextFamily::mouse_str, i); }

// "%s (%dms)"
std::string WithInterval(const std::string& name, int ms) { return name + " (" + std::to_string(ms) + "ms)"; }

const KeyLabels& TableLabels() {
  static const KeyLabels labels;
  return labels;
}

}  // namespace

const char* GamepadBitName(int bit) { return bit >= 0 && bit < kGamepadBitCount ? kGamepadNames[bit] : ""; }

std::string ButtonMaskNames(const TextTables& texts, int mask) {
  std::string out;
  for (int bit = 0; bit < 5; ++bit) {
    if (mask & (1 << bit)) out += MouseText(texts, bit);
  }
  return out;
}

std::string DescribeAssignment(const TextTables& texts, const ButtonAssignment& a, int dpi_unit) {
  return DescribeAssignment(texts, TableLabels(), a.type, a.p1, a.p2, a.p3, dpi_unit);
}

std::string DescribeAssignment(const TextTables& texts, int type, int p1, int p2, int p3, int dpi_unit) {
  return DescribeAssignment(texts, TableLabels(), type, p1, p2, p3, dpi_unit);
}

std::string DescribeAssignment(const TextTables& texts, const KeyLabels& keys, const ButtonAssignment& a, int dpi_unit) {
  return DescribeAssignment(texts, keys, a.type, a.p1, a.p2, a.p3, dpi_unit);
}

std::string BoundMacroName(const ButtonAssignment& a, const MacroSlotTable& macros) {
  if (a.type < function_type::kMacro || a.type > function_type::kMacroFire || a.p3 != 0) return {};
  const uint32_t body = static_cast<uint32_t>(a.p1 + 256 * a.p2);
  for (const MacroSlot& slot : macros) {
    if (slot.start != 0 && slot.body == body) return slot.name;
  }
  return {};
}

std::string ButtonFunctionText(const TextTables& texts, const KeyLabels& keys, const ButtonAssignment& a,
                               int dpi_unit, const MacroSlotTable& macros) {
  // The mode's name ends in a blank ("Macro ") so that the name follows it directly.
  return DescribeAssignment(texts, keys, a, dpi_unit) + BoundMacroName(a, macros);
}

std::string DescribeAssignment(const TextTables& t, const KeyLabels& keys, int type, int p1, int p2, int p3,
                               int dpi_unit) {
  // Modifier prefix + key name, or the prefix without its final " + " when the key has no name.
  auto KeyWithModifiers = [&keys](int modifiers, int usage) { return keys.KeyText(usage, modifiers); };
  namespace ft = function_type;
  if (type < 0 || type > ft::kLast) return {};
  const std::string name = t.Get(TextFamily::type_str, type);
  switch (type) {
    case ft::kHidKey1:
      return p1 == 1 && p2 == 0 && p3 == 1 ? "Virtual Touch (Windows 8)" : name;
    case ft::kHidKey2:
      if (p2 == 0 && p3 == 0 && p1 == 1) return t.Get(TextFamily::launch_str);
      if (p2 == 0 && p3 == 0 && p1 == 2) return "Record screen";
      return name;
    case ft::kMouse:
    case ft::kSmartRepeat: {
      std::string text = ButtonMaskNames(t, p1);
      if (type == ft::kSmartRepeat) return text + " (Smart repeat)";
      if (p2 & 0x80) return MouseText(t, 8);
      if (p2 != 0) return MouseText(t, 7);
      return text;
    }
    case ft::kKeyboard:
      return KeyWithModifiers(p1, p2);
    case ft::kMultimedia:
      return ConsumerKeyName(t, p1 + 256 * p2);
    case ft::kMacro:
    case ft::kMacroRepeat:
    case ft::kMacroFire:
      if (p3 == builtin_action::kMarker) {
        switch (p1 + 256 * p2) {
          case builtin_action::kTiltLeft: return MouseText(t, 5);
          case builtin_action::kTiltRight: return MouseText(t, 6);
          case builtin_action::kTripleClick: return MouseText(t, 10);
          case builtin_action::kDoubleClick: return MouseText(t, 9);
          default: break;
        }
      }
      return name;
    case ft::kDpiFirekey:
    case ft::kDpiHotkey: {
      std::string text;
      if (p1 == 0 && p2 == 255) {
        text = t.Get(TextFamily::msg_str, 46);
      } else if (p1 == 255 && p2 == 0) {
        text = t.Get(TextFamily::msg_str, 47);
      } else {
        text = name + " [X:" + std::to_string(p1 * dpi_unit) + " , Y:" + std::to_string(p2 * dpi_unit) + "]";
      }
      // Appended in two steps: GCC 12 at -O3 reports a false -Wrestrict inside std::string for
      // "literal" + temporary.
      if (p3 != 0) {
        text += ' ';
        text += ButtonMaskNames(t, p3);
      }
      return text;
    }
    case ft::kScrollHotkeyKeys:
      return "[AS] " + KeyWithModifiers(p1, p2) + " / " + KeyWithModifiers(p1, p3);
    case ft::kScrollHotkeyConsumer:
      return "[AS] " + ConsumerKeyName(t, p1 + 256 * (p3 & 0x0F)) + " / " + ConsumerKeyName(t, p2 + 256 * (p3 >> 4));
    case ft::kFireButton: {
      if (p3 == 0) return WithInterval(name, p2 * 10);
      std::string text;
      if (p1 & 1) text += MouseText(t, 0);
      for (int bit = 1; bit < 5; ++bit) {
        if (p1 & (1 << bit)) {
          text += ' ';
          text += MouseText(t, bit);
        }
      }
      for (size_t pos; (pos = text.find("  ")) != std::string::npos;) text.erase(pos, 1);
      return text + " x" + std::to_string(p3);
    }
    case ft::kRapidFire:
      return WithInterval(name, p2);
    case ft::kGamepad: {
      const int bits = p1 + 256 * p2;
      for (int bit = 0; bit < kGamepadBitCount; ++bit) {
        if (bits & (1 << bit)) return kGamepadNames[bit];
      }
      return "XBOX";
    }
    case ft::kGamepadAnalogToggle:
      return p1 != 0 ? "XBOX Anlog2 toggle" : "XBOX Anlog1 toggle";
    case ft::kLighting:
      return "Light Effects";
    default:
      return name;
  }
}

}  // namespace halvric
