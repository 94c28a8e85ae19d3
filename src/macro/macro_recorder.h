#pragma once
// Turns timed keyboard and mouse events into macro instructions: recording appends key, button,
// wheel, delay and pointer instructions to the end of the editor's list; capturing turns the
// first usable key, button press or wheel step into one hand-inserted instruction (pair).
// The events come from the caller (window events mapped to set-1 scan codes and button bits);
// nothing here touches the system's input.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "macro/instruction_set.h"

namespace halvric {

struct RecordOptions {
  bool record_intervals = true;        // delay instructions between events
  bool record_click_positions = false; // a pointer position with every button event
  bool record_cursor_track = false;    // pointer positions while the pointer moves
  int track_interval_ms = 200;         // 50 or 200: least time between two track positions
};

// One key event: a set-1 scan code (extended keys as 0xE0nn) going down or up.
struct RecordKeyEvent {
  int scan_code = 0;
  bool down = true;
  int64_t time_ms = 0;
};

// One mouse event. Button bits: 0x01 left, 0x02 right, 0x04 middle, 0x08 fourth (first side
// button), 0x10 fifth. The wheel delta is in system units (120 per notch).
struct RecordMouseEvent {
  uint8_t buttons_down = 0;
  uint8_t buttons_up = 0;
  int wheel_delta = 0;
  int x = 0;  // pointer position in screen coordinates
  int y = 0;
  int64_t time_ms = 0;
  bool over_record_controls = false;  // left-button events here operate recording itself
};

// Where instructions go.
struct RecordOutput {
  // Appends one recorded instruction to the end of the list (no insertion tick).
  std::function<void(const _MACRO_ITEM_&)> append;
  // Inserts hand-captured instructions at the editor's cursor (the editor marks them as new).
  std::function<void(const std::vector<_MACRO_ITEM_>&)> insert;
};

class UsageToScanTable;

class MacroRecorder {
 public:
  enum State { kIdle = 0, kRecording = 1, kCapturing = 2 };
  static constexpr int kMouseIgnored = 0x80;

  // `usage_for_scan` converts a scan code to a keyboard usage (0: none).
  explicit MacroRecorder(std::function<int(int scan_code)> usage_for_scan);
  // Converts scan codes with the program's usage-to-scan-code table, which must outlive this.
  explicit MacroRecorder(const UsageToScanTable& scan_table);

  RecordOptions& options() { return options_; }
  const RecordOptions& options() const { return options_; }

  void StartRecording();
  void StopRecording();
  void StartCapture();
  // Sets or clears the bit that makes mouse events be ignored.
  void SetMouseIgnored(bool ignored);

  int capture_state() const { return state_; }
  bool recording() const { return (state_ & 0x7F) == kRecording; }
  bool capturing() const { return (state_ & 0x7F) >= kCapturing; }

  // Returns true when an instruction was appended or inserted.
  bool OnKey(const RecordKeyEvent& event, const RecordOutput& out);
  bool OnMouse(const RecordMouseEvent& event, const RecordOutput& out);

 private:
  void Reset();
  void AppendDelay(int64_t now, const RecordOutput& out);

  std::function<int(int)> usage_for_scan_;
  RecordOptions options_;
  int state_ = kIdle;
  std::optional<int64_t> last_time_;
  std::bitset<256> key_down_;
  bool position_valid_ = false;
  int last_x_ = 0;
  int last_y_ = 0;
};

// The set-1 scan code of a raw keyboard record (make code, E0/E1 prefix flag, virtual-key code),
// with the corrections for Cancel, Pause, Print Screen and Num Lock. Nothing for records that
// are to be ignored.
std::optional<int> ScanCodeFromRawKeyboard(int make_code, bool prefixed, int virtual_key);

// The wheel instruction for a wheel delta (system units, taken as signed 16-bit): small deltas
// count as one notch; the count is kept within -16..15.
_MACRO_ITEM_ WheelItemForDelta(int delta);

}  // namespace halvric
