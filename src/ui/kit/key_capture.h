#pragma once
// Quick binding: a button of the mouse picture waits for a key or a mouse button. Keys arrive as
// set-1 scan codes (extended keys as 0xE0nn), modifiers are collected as the HID modifier byte,
// and the first other key - or the release of the last modifier held - ends the capture.

#include <cstdint>
#include <optional>

namespace halvric {

// Set-1 scan code of a key event: from the evdev key code when the platform reports one (X11
// key code minus 8), else from the Qt key; 0 when the key has none.
int ScanCodeFromEvdev(int evdev_code);
int ScanCodeFromQtKey(int qt_key, bool keypad);
// The HID modifier bit of a modifier key's scan code; 0 for other keys.
int ModifierBitOfScanCode(int scan_code);

inline constexpr int kCaptureTicks = 100;       // countdown in 100 ms ticks
inline constexpr int kCaptureGuardMs = 20;      // captures and clicks are ignored this long after one ends

struct CaptureResult {
  int button = -1;         // the captured button item
  bool keyboard = false;   // a key (scan_code, modifiers) or a mouse button (mouse_mask)
  int scan_code = 0;
  int modifiers = 0;
  int mouse_mask = 0;
};

class KeyCapture {
 public:
  bool Active() const { return button_ >= 0; }
  int Button() const { return button_; }
  int Countdown() const { return countdown_; }
  int Modifiers() const { return modifiers_; }

  // Starts waiting for `button`; refused within the guard time after the last capture ended.
  bool Start(int button, int64_t now_ms);
  // A key went down / up. A result ends the capture.
  std::optional<CaptureResult> KeyDown(int scan_code, int64_t now_ms);
  std::optional<CaptureResult> KeyUp(int scan_code, int64_t now_ms);
  // A mouse button (HID bit 1, 2, 4, 8, 16) went down.
  std::optional<CaptureResult> MouseDown(int mask, int64_t now_ms);
  // One 100 ms tick; true when the countdown ran out (the capture ended without a result).
  bool Tick(int64_t now_ms);
  void Cancel(int64_t now_ms);
  // Whether a click at `now_ms` falls within the guard time after the last capture.
  bool InGuard(int64_t now_ms) const { return ended_ms_ >= 0 && now_ms - ended_ms_ < kCaptureGuardMs; }

 private:
  CaptureResult End(int64_t now_ms);

  int button_ = -1;
  int countdown_ = 0;
  int modifiers_ = 0;  // collected
  int held_ = 0;       // modifier bits held now
  int64_t ended_ms_ = -1;
};

}  // namespace halvric
