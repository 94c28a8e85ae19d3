#pragma once
// The on-screen display's state and its fade, as logic: the report handler feeds it status
// reports, the display's own thread advances it one pass at a time and the window draws only what
// a pass tells it to draw, with the view it hands out.
//
// A pass (the display thread runs them back to back):
//   1. when a redraw was requested: clear the request; draw if the countdown or alpha is above 0;
//      sleep 20 ms; otherwise sleep 60 ms;
//   2. countdown above 0: alpha + 25 (at most 255), countdown - 1, request a redraw, show the
//      window if hidden;
//   3. else alpha above 0: alpha - 25 (not below 0), request a redraw;
//   4. else a visible window is hidden, the main window is asked to redraw in full and the change
//      flags are cleared.
// So the display fades in over 11 passes, stays until 80 passes after the last trigger and fades
// out over 11 passes; a new trigger while it shows restarts the 80 passes, not the fade-in.

#include <cstdint>
#include <mutex>
#include <span>

#include "services/vendor_report.h"

namespace halvric {

// Change flags: which blocks the display shows.
enum OsdFlag : int {
  kOsdDpiLevel = 1,
  kOsdProfile = 2,
  kOsdDpiScroll = 4,
  kOsdAngleSnapping = 8,
  kOsdLift = 16,
};

inline constexpr int kOsdShowPasses = 80;
inline constexpr int kOsdAlphaStep = 25;
inline constexpr int kOsdBusySleepMs = 20;
inline constexpr int kOsdIdleSleepMs = 60;

// What the display window draws.
struct OsdView {
  int flags = 0;
  int alpha = 0;
  int profile = 0;     // the whole profile byte of the last status report; shown when 0-5
  int dpi_level = 0;   // 0-4
  uint8_t dpi_x = 0;   // raw values of the last status report
  uint8_t dpi_y = 0;
  bool angle_snapping = false;
  bool visible = false;

  bool ShowsProfile() const { return (flags & kOsdProfile) != 0 && profile >= 0 && profile <= 5; }
  bool ShowsDpi() const { return (flags & (kOsdDpiLevel | kOsdDpiScroll)) != 0; }
  bool ShowsScrollLine() const { return (flags & kOsdDpiScroll) != 0; }
  bool ShowsAngleSnapping() const { return (flags & kOsdAngleSnapping) != 0; }
};

struct OsdPass {
  bool draw = false;        // draw `view` (before sleeping)
  OsdView view;             // the state to draw
  int sleep_ms = kOsdIdleSleepMs;
  bool show = false;        // show the window without activating it (after sleeping)
  bool hide = false;        // hide it
  bool redraw_main = false; // the window has just been hidden: redraw the main window in full
};

// What the status handler changed that the main window keeps its own copy of.
struct OsdStatusResult {
  bool angle_snapping_changed = false;
  bool angle_snapping = false;
};

class OsdState {
 public:
  explicit OsdState(bool enabled = true) : enabled_(enabled) {}

  // The user's "Enable DPI / profile OSD" option. Turning it off lets a running showing end.
  void SetEnabled(bool on);
  bool Enabled() const;

  // The status handler: acts only on status reports (byte 1 = 12) of at least 9 bytes; the
  // caller has validated the report.
  OsdStatusResult HandleStatus(std::span<const uint8_t> report);
  // The same for a status report already decoded.
  OsdStatusResult HandleStatus(const StatusReport& s);

  // One pass of the display thread.
  OsdPass Pass();

  OsdView View() const;
  int Countdown() const;

 private:
  mutable std::mutex mu_;
  bool enabled_;
  int flags_ = 0;
  bool redraw_ = false;
  int countdown_ = 0;
  int alpha_ = 0;
  int profile_ = 0;
  int dpi_level_ = 0;
  uint8_t dpi_x_ = 0;
  uint8_t dpi_y_ = 0;
  uint16_t lift_ = 0;
  bool angle_snapping_ = false;
  bool visible_ = false;
};

}  // namespace halvric
