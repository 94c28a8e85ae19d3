#include "services/main_window_model.h"

#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"

#include <memory>

namespace halvric {

void MainWindowModel::SetDevice(std::string path, WorkingCopy wc) {
  if (path != path_) lift_known_ = false;  // another mouse: its lift is not known yet
  path_ = std::move(path);
  wc_ = std::move(wc);
}

void MainWindowModel::DropDevice() {
  path_.clear();
  wc_ = WorkingCopy{};
  lift_known_ = false;
}

void MainWindowModel::PostChange(std::function<bool(DeviceLayer& dev, WorkingCopy& wc)> change) {
  auto ok = std::make_shared<bool>(true);
  jobs_.Post([change = std::move(change), ok](DeviceLayer& dev, WorkingCopy& wc) { *ok = change(dev, wc); },
             [this, ok] {
               if (!*ok && write_failed_) write_failed_();
             });
}

void MainWindowModel::SetDpi(int level, uint8_t x, uint8_t y) {
  if (level < 0 || level >= kDpiLevels) return;
  wc_.dpi[static_cast<size_t>(level)] = {x, y};
  dpi_marks_[static_cast<size_t>(level)] = true;
}

void MainWindowModel::SetRate(int rate_code) {
  wc_.rate_code = rate_code;
  // The settings byte holds the rate and angle snapping; the copy keeps it as the mouse will.
  wc_.settings_byte = static_cast<uint8_t>((wc_.settings_byte & 0x8F) | ((rate_code & 0x07) << 4));
  rate_pending_ = true;
}

void MainWindowModel::SetAngleSnapping(bool on) {
  wc_.angle_snapping = on ? 1 : 0;
  wc_.settings_byte = static_cast<uint8_t>((wc_.settings_byte & 0xFE) | wc_.angle_snapping);
  angle_pending_ = true;
}

void MainWindowModel::SetLift(uint16_t lift) {
  lift_ = lift;
  lift_known_ = true;
  lift_pending_ = true;
}

// Each flush sends the value the working copy holds when it runs, so a burst of changes ends in
// one send of its last value; without a mouse the pending change is dropped.
void MainWindowModel::FlushDpi() {
  const bool connected = HasDevice();
  for (int l = 0; l < kDpiLevels; ++l) {
    if (!dpi_marks_[static_cast<size_t>(l)]) continue;
    dpi_marks_[static_cast<size_t>(l)] = false;
    if (!connected) continue;
    const auto xy = wc_.dpi[static_cast<size_t>(l)];
    PostChange([l, xy](DeviceLayer& dev, WorkingCopy& wc) { return ChangeDpi(dev, wc, l, xy[0], xy[1]); });
  }
}

void MainWindowModel::FlushRate() {
  if (!rate_pending_) return;
  rate_pending_ = false;
  if (!HasDevice()) return;
  const int code = wc_.rate_code;
  PostChange([code](DeviceLayer& dev, WorkingCopy& wc) { return ChangeRate(dev, wc, code); });
}

void MainWindowModel::FlushAngleSnapping() {
  if (!angle_pending_) return;
  angle_pending_ = false;
  if (!HasDevice()) return;
  const bool on = wc_.angle_snapping != 0;
  PostChange([on](DeviceLayer& dev, WorkingCopy& wc) { return ChangeAngleSnapping(dev, wc, on); });
}

void MainWindowModel::FlushLift() {
  if (!lift_pending_) return;
  lift_pending_ = false;
  if (!HasDevice()) return;
  const uint16_t v = lift_;
  PostChange([v](DeviceLayer& dev, WorkingCopy&) { return ChangeLift(dev, v); });
}

void MainWindowModel::DiscardPending() {
  dpi_marks_ = {};
  rate_pending_ = false;
  angle_pending_ = false;
}

void MainWindowModel::SelectDpiLevel(int level) {
  wc_.dpi_level = level;
  const int mask = wc_.dpi_mask;
  PostChange([level, mask](DeviceLayer& dev, WorkingCopy& wc) { return ChangeDpiState(dev, wc, level, mask); });
}

void MainWindowModel::ToggleDpiLevel(int level) {
  wc_.dpi_mask ^= 1 << level;
  const int mask = wc_.dpi_mask;
  PostChange([mask](DeviceLayer& dev, WorkingCopy& wc) { return ChangeDpiMask(dev, wc, mask); });
}

void MainWindowModel::NoteMouseDpiLevel(int level) {
  if (level < 0 || level >= kDpiLevels) return;
  wc_.dpi_level = level;
  jobs_.Post([level](DeviceLayer&, WorkingCopy& wc) { wc.dpi_level = level; });
}

void MainWindowModel::TakeSavedDpiState(const ProfileFile& set_ini) {
  if (!HasDevice()) return;
  halvric::TakeSavedDpiState(wc_, set_ini);
  const int level = wc_.dpi_level;
  const int mask = wc_.dpi_mask;
  const std::string path = path_;
  jobs_.Post([level, mask, path](DeviceLayer&, WorkingCopy& wc) {
    if (wc.path != path) return;
    wc.dpi_level = level;
    wc.dpi_mask = mask;
  });
}

void MainWindowModel::SetProfileColour(int profile, const std::array<uint8_t, 3>& rgb) {
  if (profile < 0 || profile >= kProfileCount) return;
  auto& prof = wc_.profiles[static_cast<size_t>(profile)];
  if (wc_.map.two_bit_colours) {
    prof.colour_code = static_cast<uint8_t>(rgb[0] | (rgb[1] << 2) | (rgb[2] << 4));
    prof.colour = {static_cast<uint8_t>(rgb[0] * 85), static_cast<uint8_t>(rgb[1] * 85),
                   static_cast<uint8_t>(rgb[2] * 85)};
  } else {
    prof.colour = rgb;
  }
  // The colour cells of a two-bit mouse give levels 0-3; the setting change takes 0-255 and
  // rounds it to the nearest level, so it gets the scaled colour.
  const std::array<uint8_t, 3> sent = prof.colour;
  PostChange([profile, sent](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfileColour(dev, wc, profile, sent); });
}

void MainWindowModel::ToggleProfileEnable(int profile) {
  if (profile < 0 || profile >= kProfileCount) return;
  if (wc_.map.profile_bits != 0) {
    wc_.profile_bits = static_cast<uint8_t>(wc_.profile_bits ^ (1u << profile));
    const uint8_t bits = wc_.profile_bits;
    PostChange([bits](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfileBits(dev, wc, bits); });
  } else {
    auto& prof = wc_.profiles[static_cast<size_t>(profile)];
    prof.flag = !prof.flag;
    const bool flag = prof.flag;
    PostChange([profile, flag](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfileFlag(dev, wc, profile, flag); });
  }
}

void MainWindowModel::SelectProfile(int profile) {
  NoteActiveProfile(wc_, profile);
  PostChange([profile](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfile(dev, wc, profile, false); });
}

void MainWindowModel::SwitchProfileLive(int profile) {
  NoteActiveProfile(wc_, profile);
  PostChange([profile](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfile(dev, wc, profile, true); });
}

void MainWindowModel::NoteMouseProfile(int profile) {
  NoteActiveProfile(wc_, profile);
  jobs_.Post([profile](DeviceLayer&, WorkingCopy& wc) { NoteActiveProfile(wc, profile); });
}

void MainWindowModel::RenameProfile(int profile, const std::string& name) {
  if (profile < 0 || profile >= kProfileCount) return;
  auto& prof = wc_.profiles[static_cast<size_t>(profile)];
  prof.name = name;
  PostChange([profile, name](DeviceLayer& dev, WorkingCopy& wc) { return ChangeProfileName(dev, wc, profile, name); });
}

}  // namespace halvric
