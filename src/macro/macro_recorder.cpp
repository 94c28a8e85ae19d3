#include "macro/macro_recorder.h"

#include "config/usage_to_scan_table.h"

namespace halvric {

namespace {
// Keys that only report one message: each event also records a press first.
bool NeedsLeadingPress(int usage) { return usage == 0x90 || usage == 0x91; }
}  // namespace

MacroRecorder::MacroRecorder(std::function<int(int)> usage_for_scan) : usage_for_scan_(std::move(usage_for_scan)) {}

MacroRecorder::MacroRecorder(const UsageToScanTable& scan_table)
    : usage_for_scan_([&scan_table](int scan) { return scan_table.UsageForScanCode(scan); }) {}

void MacroRecorder::Reset() {
  key_down_.reset();
  position_valid_ = false;
  last_time_.reset();
}

void MacroRecorder::StartRecording() {
  Reset();
  state_ = kRecording;
}

void MacroRecorder::StopRecording() { state_ = kIdle; }

void MacroRecorder::StartCapture() {
  Reset();
  state_ = kCapturing;
}

void MacroRecorder::SetMouseIgnored(bool ignored) {
  state_ = ignored ? (state_ | kMouseIgnored) : (state_ & ~kMouseIgnored);
}

void MacroRecorder::AppendDelay(int64_t now, const RecordOutput& out) {
  if (!options_.record_intervals || !last_time_) return;
  _MACRO_ITEM_ delay;
  if (DelayInstruction(now - *last_time_, delay) && out.append) out.append(delay);
}

bool MacroRecorder::OnKey(const RecordKeyEvent& event, const RecordOutput& out) {
  if ((state_ & 0x7F) == kIdle) return false;
  const int usage = usage_for_scan_ ? usage_for_scan_(event.scan_code) : 0;
  if (usage <= 0 || usage > 0xFF) return false;

  if (capturing()) {
    state_ = kIdle;
    const auto pair = KeyStrokePair(static_cast<uint8_t>(usage));
    if (out.insert) out.insert({pair[0], pair[1]});
    return true;
  }

  uint8_t opcode = 0;
  if (!event.down) {
    key_down_.reset(static_cast<std::size_t>(usage));
    opcode = op::kKeyRelease;
  } else {
    if (key_down_.test(static_cast<std::size_t>(usage))) return false;  // auto-repeat
    key_down_.set(static_cast<std::size_t>(usage));
    opcode = op::kKeyPress;
  }
  AppendDelay(event.time_ms, out);
  last_time_ = event.time_ms;
  if (!out.append) return false;
  if (NeedsLeadingPress(usage)) out.append(MakeItem({op::kKeyPress, static_cast<uint8_t>(usage)}));
  out.append(MakeItem({opcode, static_cast<uint8_t>(usage)}));
  return true;
}

bool MacroRecorder::OnMouse(const RecordMouseEvent& event, const RecordOutput& out) {
  if ((state_ & 0x7F) == kIdle || (state_ & kMouseIgnored) != 0) return false;
  uint8_t down = event.buttons_down & 0x1F;
  uint8_t up = event.buttons_up & 0x1F;
  if (event.over_record_controls) {
    down &= static_cast<uint8_t>(~kMacroButtonLeft);
    up &= static_cast<uint8_t>(~kMacroButtonLeft);
  }
  const bool pressed = down != 0;
  const bool released = up != 0;
  const bool wheel = static_cast<int16_t>(event.wheel_delta) != 0;

  if (capturing()) {
    // Only a press or a wheel step ends a capture; anything else waits for one.
    if (!pressed && !wheel) return false;
    state_ = kIdle;
    if (!out.insert) return false;
    if (wheel) out.insert({WheelItemForDelta(event.wheel_delta)});
    else out.insert({MakeItem({static_cast<uint8_t>(op::kButtonPress | down)}),
                     MakeItem({static_cast<uint8_t>(op::kButtonRelease | down)})});
    return true;
  }

  bool position_due = options_.record_cursor_track && last_time_ &&
                      event.time_ms - *last_time_ > options_.track_interval_ms;
  if (!position_due && !pressed && !released && !wheel) return false;
  if (!out.append) return false;

  bool appended = false;
  const auto append = [&](const _MACRO_ITEM_& item) {
    out.append(item);
    appended = true;
  };
  if (options_.record_intervals && last_time_) {
    _MACRO_ITEM_ delay;
    if (DelayInstruction(event.time_ms - *last_time_, delay)) append(delay);
  }
  if (options_.record_click_positions && (pressed || released)) position_due = true;
  if (position_due) {
    if (position_valid_) {
      const int dx = event.x - last_x_;
      const int dy = event.y - last_y_;
      if (dx != 0 || dy != 0) append(MoveByItem(dx, dy));
    } else {
      append(MoveToItem(event.x, event.y));
      position_valid_ = true;
    }
    last_x_ = event.x;
    last_y_ = event.y;
  }
  last_time_ = event.time_ms;
  if (pressed) append(MakeItem({static_cast<uint8_t>(op::kButtonPress | down)}));
  if (released) append(MakeItem({static_cast<uint8_t>(op::kButtonRelease | up)}));
  if (wheel) append(WheelItemForDelta(event.wheel_delta));
  return appended;
}

std::optional<int> ScanCodeFromRawKeyboard(int make_code, bool prefixed, int virtual_key) {
  if (virtual_key == 0xFF && make_code == 0x45) return std::nullopt;
  int scan = prefixed ? (make_code | 0xE000) : make_code;
  switch (virtual_key) {
    case 0x03:  // Cancel (Ctrl+Break)
      if (prefixed) scan = 0x45;
      break;
    case 0x13:  // Pause
      if (prefixed) scan = 0x45;
      else if (make_code == 0x45) scan = 0xE045;
      break;
    case 0x2C:  // Print Screen
      scan = 0xE037;
      break;
    case 0x90:  // Num Lock
      scan = 0xE045;
      break;
    default:
      break;
  }
  return scan;
}

_MACRO_ITEM_ WheelItemForDelta(int delta) {
  int d = static_cast<int16_t>(delta);
  if (d > -120 && d < 120 && d != 0) d = d < 0 ? -120 : 120;
  return WheelItem(d / 120);
}

}  // namespace halvric
