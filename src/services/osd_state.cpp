#include "services/osd_state.h"

#include <algorithm>

#include "services/vendor_report.h"

namespace halvric {

void OsdState::SetEnabled(bool on) {
  std::lock_guard l(mu_);
  enabled_ = on;
}

bool OsdState::Enabled() const {
  std::lock_guard l(mu_);
  return enabled_;
}

OsdStatusResult OsdState::HandleStatus(std::span<const uint8_t> report) {
  if (report.size() < 9 || report[1] != kStatusSubType) return {};
  return HandleStatus(DecodeStatus(report));
}

OsdStatusResult OsdState::HandleStatus(const StatusReport& s) {
  OsdStatusResult result;
  std::lock_guard l(mu_);
  bool changed = false;
  if (s.lift != lift_) {
    flags_ |= kOsdLift;
    lift_ = s.lift;
    changed = true;
  }
  dpi_x_ = s.dpi_x;
  dpi_y_ = s.dpi_y;
  if (s.profile_byte != profile_) {
    profile_ = s.profile_byte;
    if (enabled_) flags_ |= kOsdProfile;
    changed = true;
  }
  if (s.dpi_level != dpi_level_) {
    dpi_level_ = s.dpi_level;
    if (enabled_) flags_ |= kOsdDpiLevel;
    changed = true;
  }
  // The scroll mode shows whatever the option says: it tells the user what the wheel does now.
  if (s.dpi_scroll) flags_ |= kOsdDpiScroll;
  if (s.angle_snapping != angle_snapping_) {
    angle_snapping_ = s.angle_snapping;
    if (enabled_) flags_ |= kOsdAngleSnapping;
    result.angle_snapping_changed = true;
    result.angle_snapping = s.angle_snapping;
    changed = true;
  }
  if (changed || s.dpi_scroll) {
    redraw_ = true;
    if (enabled_) countdown_ = kOsdShowPasses;
  }
  return result;
}

OsdPass OsdState::Pass() {
  std::lock_guard l(mu_);
  OsdPass pass;
  if (redraw_) {
    redraw_ = false;
    if (countdown_ > 0 || alpha_ > 0) {
      pass.draw = true;
    }
    pass.sleep_ms = kOsdBusySleepMs;
  } else {
    pass.sleep_ms = kOsdIdleSleepMs;
  }
  pass.view = OsdView{flags_, alpha_, profile_, dpi_level_, dpi_x_, dpi_y_, angle_snapping_, visible_};
  if (countdown_ > 0) {
    alpha_ = std::min(255, alpha_ + kOsdAlphaStep);
    --countdown_;
    redraw_ = true;
    if (!visible_) {
      visible_ = true;
      pass.show = true;
    }
  } else if (alpha_ > 0) {
    alpha_ = std::max(0, alpha_ - kOsdAlphaStep);
    redraw_ = true;
  } else if (visible_) {
    visible_ = false;
    pass.hide = true;
    pass.redraw_main = true;
    flags_ = 0;
  }
  return pass;
}

OsdView OsdState::View() const {
  std::lock_guard l(mu_);
  return OsdView{flags_, alpha_, profile_, dpi_level_, dpi_x_, dpi_y_, angle_snapping_, visible_};
}

int OsdState::Countdown() const {
  std::lock_guard l(mu_);
  return countdown_;
}

}  // namespace halvric
