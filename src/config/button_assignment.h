#pragma once
// The function of one mouse button: four bytes (function type, three parameters) stored in the
// mouse's button planes and in backups exactly as they are here.

#include <array>
#include <cstdint>

namespace halvric {

// Function type codes (byte 0 of an assignment).
namespace function_type {
inline constexpr int kDefault = 0;
inline constexpr int kNoFunction = 1;
inline constexpr int kHidKey1 = 2;          // Virtual Touch
inline constexpr int kHidKey2 = 3;          // Launch setting, Record screen
inline constexpr int kMouse = 4;
inline constexpr int kKeyboard = 5;
inline constexpr int kMultimedia = 6;
inline constexpr int kMacro = 8;            // run once
inline constexpr int kMacroRepeat = 9;      // loop mode
inline constexpr int kMacroFire = 10;       // firekey mode
inline constexpr int kDpiUp = 12;
inline constexpr int kDpiDown = 13;
inline constexpr int kDpiLoop = 14;
inline constexpr int kDpiFirekey = 15;
inline constexpr int kDpiHotkey = 16;
inline constexpr int kProfileSwitch = 17;
inline constexpr int kAdjustLift = 18;
inline constexpr int kLedOnOff = 19;
inline constexpr int kAngleSnapping = 20;
inline constexpr int kAdjustDpi = 21;
inline constexpr int kAdjustButton = 22;
inline constexpr int kProfileDpiSwitch = 23;
inline constexpr int kScrollHotkeyKeys = 24;
inline constexpr int kScrollHotkeyConsumer = 25;
inline constexpr int kAlternate = 26;
inline constexpr int kFireButton = 27;
inline constexpr int kKeyCyclePositive = 29;
inline constexpr int kKeyCycleReverse = 30;
inline constexpr int kKeyCycleCurrent = 31;
inline constexpr int kMotionScrolling = 32;
inline constexpr int kRapidFire = 33;
inline constexpr int kGamepad = 34;
inline constexpr int kSmartRepeat = 35;
inline constexpr int kGamepadAnalogToggle = 36;
inline constexpr int kLighting = 37;
inline constexpr int kLast = 41;            // highest type that has a name
}  // namespace function_type

// Bits of a button mask (types 4, 27, 35 and parameter 3 of types 15/16).
namespace mouse_button {
inline constexpr int kLeft = 0x01;
inline constexpr int kRight = 0x02;
inline constexpr int kWheel = 0x04;
inline constexpr int kBackward = 0x08;
inline constexpr int kForward = 0x10;
}  // namespace mouse_button

// Built-in actions of the macro types with parameter 3 = 255.
namespace builtin_action {
inline constexpr int kTiltLeft = 0;
inline constexpr int kTiltRight = 10;
inline constexpr int kTripleClick = 20;
inline constexpr int kDoubleClick = 26;
inline constexpr int kMarker = 255;  // parameter 3 of a built-in action
}  // namespace builtin_action

struct ButtonAssignment {
  uint8_t type = 0;
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  uint8_t p3 = 0;

  constexpr std::array<uint8_t, 4> Bytes() const { return {type, p1, p2, p3}; }
  static constexpr ButtonAssignment FromBytes(const std::array<uint8_t, 4>& b) { return {b[0], b[1], b[2], b[3]}; }
  bool operator==(const ButtonAssignment&) const = default;

  static constexpr ButtonAssignment Make(int type, int p1 = 0, int p2 = 0, int p3 = 0) {
    return {static_cast<uint8_t>(type), static_cast<uint8_t>(p1), static_cast<uint8_t>(p2), static_cast<uint8_t>(p3)};
  }

  // One factory per kind of function, with the parameter layout the mouse expects.
  static constexpr ButtonAssignment Default() { return Make(function_type::kDefault); }
  static constexpr ButtonAssignment NoFunction() { return Make(function_type::kNoFunction); }
  static constexpr ButtonAssignment VirtualTouch() { return Make(function_type::kHidKey1, 1, 0, 1); }
  static constexpr ButtonAssignment LaunchSetting() { return Make(function_type::kHidKey2, 1); }
  static constexpr ButtonAssignment RecordScreen() { return Make(function_type::kHidKey2, 2); }
  static constexpr ButtonAssignment MouseButtons(int mask) { return Make(function_type::kMouse, mask); }
  // step 1..127 scrolls up, -1..-128 down.
  static constexpr ButtonAssignment Wheel(int step) { return Make(function_type::kMouse, 0, step & 0xFF); }
  static constexpr ButtonAssignment Keyboard(int modifiers, int usage) {
    return Make(function_type::kKeyboard, modifiers, usage);
  }
  static constexpr ButtonAssignment Consumer(int usage) {
    return Make(function_type::kMultimedia, usage & 0xFF, (usage >> 8) & 0xFF);
  }
  // type is kMacro, kMacroRepeat or kMacroFire.
  static constexpr ButtonAssignment Macro(int type, int reference) {
    return Make(type, reference & 0xFF, (reference >> 8) & 0xFF, 0);
  }
  static constexpr ButtonAssignment BuiltIn(int action, int type = function_type::kMacroFire) {
    return Make(type, action & 0xFF, (action >> 8) & 0xFF, builtin_action::kMarker);
  }
  static constexpr ButtonAssignment DpiUp() { return Make(function_type::kDpiUp); }
  static constexpr ButtonAssignment DpiDown() { return Make(function_type::kDpiDown); }
  static constexpr ButtonAssignment DpiLoop() { return Make(function_type::kDpiLoop); }
  // Resolutions in DPI steps; (0, 255) locks the X axis, (255, 0) the Y axis.
  static constexpr ButtonAssignment DpiFirekey(int x_steps, int y_steps, int buttons = 0) {
    return Make(function_type::kDpiFirekey, x_steps, y_steps, buttons);
  }
  static constexpr ButtonAssignment DpiHotkey(int x_steps, int y_steps, int buttons = 0) {
    return Make(function_type::kDpiHotkey, x_steps, y_steps, buttons);
  }
  static constexpr ButtonAssignment LockXAxis() { return DpiFirekey(0, 255); }
  static constexpr ButtonAssignment LockYAxis() { return DpiFirekey(255, 0); }
  static constexpr ButtonAssignment AdjustLift() { return Make(function_type::kAdjustLift); }
  static constexpr ButtonAssignment AngleSnapping() { return Make(function_type::kAngleSnapping, 80, 80); }
  static constexpr ButtonAssignment AdjustDpi() { return Make(function_type::kAdjustDpi); }
  static constexpr ButtonAssignment ScrollHotkeyKeys(int modifiers, int usage_one, int usage_other) {
    return Make(function_type::kScrollHotkeyKeys, modifiers, usage_one, usage_other);
  }
  static constexpr ButtonAssignment ScrollHotkeyConsumer(int usage_one, int usage_other) {
    return Make(function_type::kScrollHotkeyConsumer, usage_one & 0xFF, usage_other & 0xFF,
                ((usage_one >> 8) & 0x0F) | (((usage_other >> 8) & 0x0F) << 4));
  }
  // interval in units of 10 ms (up to 250); count 0 repeats while held.
  static constexpr ButtonAssignment FireButton(int buttons, int interval_10ms, int count) {
    return Make(function_type::kFireButton, buttons, interval_10ms, count);
  }
  // type is one of the three key-cycle types; address of the profile's key-cycle block.
  static constexpr ButtonAssignment KeyCycle(int type, int block_address) {
    return Make(type, block_address & 0xFF, (block_address >> 8) & 0xFF);
  }
  static constexpr ButtonAssignment MotionScrolling() { return Make(function_type::kMotionScrolling, 4, 4); }
  static constexpr ButtonAssignment RapidFire(int interval_ms) { return Make(function_type::kRapidFire, 1, interval_ms); }
  // Game-pad button bits: A, B, X, Y, LB, LT, RB, RT in the low byte, Left, Right, Up, Down,
  // Start, Back in the high byte.
  static constexpr ButtonAssignment Gamepad(int bits) {
    return Make(function_type::kGamepad, bits & 0xFF, (bits >> 8) & 0xFF);
  }
  static constexpr ButtonAssignment SmartRepeat(int buttons) { return Make(function_type::kSmartRepeat, buttons); }
  // analog 0 or 1.
  static constexpr ButtonAssignment GamepadAnalogToggle(int analog) {
    return Make(function_type::kGamepadAnalogToggle, analog ? 1 : 0);
  }

  // Parameter 1 + 256 x parameter 2: macro reference, built-in action, consumer usage, block address.
  constexpr int Word() const { return p1 | (p2 << 8); }
};

// The resolution step of DPI parameters: 100 for devices of type code 18, else 50.
constexpr int DpiUnitForTypeCode(int type_code) { return type_code == 18 ? 100 : 50; }

}  // namespace halvric
