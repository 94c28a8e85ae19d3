#include "ui/kit/key_capture.h"

#include <Qt>

namespace halvric {

int ScanCodeFromEvdev(int code) {
  if (code == 69) return 0xE045;  // Num Lock is told apart from Pause by the prefix
  if (code >= 1 && code <= 88) return code;  // the main block shares the set-1 numbering
  switch (code) {
    case 96: return 0xE01C;   // keypad Enter
    case 97: return 0xE01D;   // right Ctrl
    case 98: return 0xE035;   // keypad /
    case 99: return 0xE037;   // Print Screen
    case 100: return 0xE038;  // right Alt
    case 102: return 0xE047;  // Home
    case 103: return 0xE048;  // Up
    case 104: return 0xE049;  // Page Up
    case 105: return 0xE04B;  // Left
    case 106: return 0xE04D;  // Right
    case 107: return 0xE04F;  // End
    case 108: return 0xE050;  // Down
    case 109: return 0xE051;  // Page Down
    case 110: return 0xE052;  // Insert
    case 111: return 0xE053;  // Delete
    case 119: return 69;      // Pause
    case 125: return 0xE05B;  // left Windows
    case 126: return 0xE05C;  // right Windows
    case 127: return 0xE05D;  // Menu
    default: return 0;
  }
}

int ScanCodeFromQtKey(int key, bool keypad) {
  static constexpr char kLetters[] = "qwertyuiop\0\0\0\0asdfghjkl\0\0\0\0\0zxcvbnm";
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    const char c = static_cast<char>('a' + (key - Qt::Key_A));
    for (int i = 0; i < static_cast<int>(sizeof kLetters); ++i) {
      if (kLetters[i] == c) return 0x10 + i;
    }
  }
  if (keypad) {
    switch (key) {
      case Qt::Key_Enter: return 0xE01C;
      case Qt::Key_Slash: return 0xE035;
      case Qt::Key_Asterisk: return 0x37;
      case Qt::Key_Minus: return 0x4A;
      case Qt::Key_Plus: return 0x4E;
      default: break;
    }
  }
  if (key >= Qt::Key_1 && key <= Qt::Key_9) return 0x02 + (key - Qt::Key_1);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10) return 0x3B + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_0: return 0x0B;
    case Qt::Key_F11: return 0x57;
    case Qt::Key_F12: return 0x58;
    case Qt::Key_Escape: return 0x01;
    case Qt::Key_Minus: return 0x0C;
    case Qt::Key_Equal: return 0x0D;
    case Qt::Key_Backspace: return 0x0E;
    case Qt::Key_Tab: return 0x0F;
    case Qt::Key_BracketLeft: return 0x1A;
    case Qt::Key_BracketRight: return 0x1B;
    case Qt::Key_Return: return 0x1C;
    case Qt::Key_Enter: return 0x1C;
    case Qt::Key_Control: return 0x1D;
    case Qt::Key_Semicolon: return 0x27;
    case Qt::Key_Apostrophe: return 0x28;
    case Qt::Key_QuoteLeft: return 0x29;
    case Qt::Key_Shift: return 0x2A;
    case Qt::Key_Backslash: return 0x2B;
    case Qt::Key_Comma: return 0x33;
    case Qt::Key_Period: return 0x34;
    case Qt::Key_Slash: return 0x35;
    case Qt::Key_Alt: return 0x38;
    case Qt::Key_Space: return 0x39;
    case Qt::Key_CapsLock: return 0x3A;
    case Qt::Key_NumLock: return 0xE045;
    case Qt::Key_ScrollLock: return 0x46;
    case Qt::Key_Pause: return 69;
    case Qt::Key_Print: return 0xE037;
    case Qt::Key_Home: return 0xE047;
    case Qt::Key_Up: return 0xE048;
    case Qt::Key_PageUp: return 0xE049;
    case Qt::Key_Left: return 0xE04B;
    case Qt::Key_Right: return 0xE04D;
    case Qt::Key_End: return 0xE04F;
    case Qt::Key_Down: return 0xE050;
    case Qt::Key_PageDown: return 0xE051;
    case Qt::Key_Insert: return 0xE052;
    case Qt::Key_Delete: return 0xE053;
    case Qt::Key_Meta: return 0xE05B;
    case Qt::Key_Menu: return 0xE05D;
    default: return 0;
  }
}

int ModifierBitOfScanCode(int scan) {
  switch (scan) {
    case 29: return 0x01;
    case 42: return 0x02;
    case 56: return 0x04;
    case 0xE05B: return 0x08;
    case 0xE01D: return 0x10;
    case 54: return 0x20;
    case 0xE038: return 0x40;
    case 0xE05C: return 0x80;
    default: return 0;
  }
}

bool KeyCapture::Start(int button, int64_t now_ms) {
  if (button < 0 || Active() || InGuard(now_ms)) return false;
  button_ = button;
  countdown_ = kCaptureTicks;
  modifiers_ = 0;
  held_ = 0;
  return true;
}

CaptureResult KeyCapture::End(int64_t now_ms) {
  CaptureResult r;
  r.button = button_;
  r.modifiers = modifiers_;
  button_ = -1;
  countdown_ = 0;
  modifiers_ = 0;
  held_ = 0;
  ended_ms_ = now_ms;
  return r;
}

std::optional<CaptureResult> KeyCapture::KeyDown(int scan, int64_t now_ms) {
  if (!Active() || scan == 0) return std::nullopt;
  if (const int bit = ModifierBitOfScanCode(scan)) {
    modifiers_ |= bit;
    held_ |= bit;
    return std::nullopt;
  }
  CaptureResult r = End(now_ms);
  r.keyboard = true;
  r.scan_code = scan;
  return r;
}

std::optional<CaptureResult> KeyCapture::KeyUp(int scan, int64_t now_ms) {
  if (!Active()) return std::nullopt;
  const int bit = ModifierBitOfScanCode(scan);
  if (bit == 0 || (held_ & bit) == 0) return std::nullopt;
  held_ &= ~bit;
  if (held_ != 0) return std::nullopt;
  // Only modifiers were pressed: the last one released is the key.
  CaptureResult r = End(now_ms);
  r.keyboard = true;
  r.scan_code = scan;
  return r;
}

std::optional<CaptureResult> KeyCapture::MouseDown(int mask, int64_t now_ms) {
  if (!Active()) return std::nullopt;
  if (mask != 1 && mask != 2 && mask != 4 && mask != 8 && mask != 16) return std::nullopt;
  CaptureResult r = End(now_ms);
  r.mouse_mask = mask;
  return r;
}

bool KeyCapture::Tick(int64_t now_ms) {
  if (!Active()) return false;
  if (--countdown_ > 0) return false;
  End(now_ms);
  return true;
}

void KeyCapture::Cancel(int64_t now_ms) {
  if (Active()) End(now_ms);
}

}  // namespace halvric
