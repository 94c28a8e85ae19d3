#include "lighting/colour_picker.h"

#include <algorithm>

#include "lighting/lighting_operations.h"
#include "lighting/model_lighting.h"

namespace halvric::lighting {

ColourPicker::ColourPicker(Mouse mouse, PickerTarget target,
                           const std::vector<LedZoneRecord>& records)
    : mouse_(std::move(mouse)) {
  const int limit = ZoneRecords(mouse_);
  std::vector<int> wanted = target.all ? target.selected : std::vector<int>{target.zone};
  // The opening values come from the first zone as chosen, before sorting.
  const int first = wanted.empty() ? -1 : wanted.front();
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  for (int z : wanted) {
    if (z < 0 || z >= limit || zones_.size() >= static_cast<size_t>(kMaxPickerZones)) continue;
    zones_.push_back(z);
    opening_.push_back(static_cast<size_t>(z) < records.size() ? records[static_cast<size_t>(z)] : LedZoneRecord{});
  }
  if (first >= 0 && static_cast<size_t>(first) < records.size()) current_ = records[static_cast<size_t>(first)];
  // A zone without a colour of its own lights, and is pictured, in the model's default colour:
  // the picker opens at that colour, not at the unused bytes of its record.
  if (!current_.own_colour()) {
    const auto info = mouse_.dev->Info(mouse_.path);
    const Rgb seen = LookOf(current_, ModelLightingFor(info ? info->type_code : 3, info ? info->generation : 0).default_colour).colour;
    current_.red = seen[0];
    current_.green = seen[1];
    current_.blue = seen[2];
  }
}

void ColourPicker::PreviewLocked() {
  for (int z : zones_) SetLed(mouse_, z, current_);
}

void ColourPicker::SetColour(const Rgb& colour) {
  std::lock_guard lock(mutex_);
  current_.red = colour[0];
  current_.green = colour[1];
  current_.blue = colour[2];
  current_.flags |= kZoneOwnColour;
  PreviewLocked();
}

uint8_t ColourPicker::SliderComponent(int position, int slider_left, int slider_width) {
  if (slider_width <= 0) return 0;
  return static_cast<uint8_t>(std::clamp((position - slider_left + 1) * 255 / slider_width, 0, 255));
}

void ColourPicker::SetSlider(int component, int position, int slider_left, int slider_width) {
  if (component < 0 || component > 2 || slider_width <= 0) return;
  Rgb c = Current().colour();
  c[static_cast<size_t>(component)] = SliderComponent(position, slider_left, slider_width);
  SetColour(c);
}

void ColourPicker::SetAlwaysOn(bool on) {
  std::lock_guard lock(mutex_);
  current_.flags = static_cast<uint8_t>(on ? current_.flags | kZoneAlwaysOn : current_.flags & ~kZoneAlwaysOn);
  PreviewLocked();
}

void ColourPicker::Set(const Rgb& colour, bool always_on) {
  std::lock_guard lock(mutex_);
  current_.red = colour[0];
  current_.green = colour[1];
  current_.blue = colour[2];
  current_.flags |= kZoneOwnColour;
  current_.flags = static_cast<uint8_t>(always_on ? current_.flags | kZoneAlwaysOn : current_.flags & ~kZoneAlwaysOn);
  PreviewLocked();
}

LedZoneRecord ColourPicker::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

uint32_t ColourPicker::ColourValue() const {
  const LedZoneRecord c = Current();
  return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}

bool ColourPicker::Ok() {
  std::lock_guard lock(mutex_);
  LedZoneRecord stored = current_;
  stored.flags |= kZoneOwnColour;
  bool ok = true;
  for (int z : zones_) ok = SetZoneColour(mouse_, z, stored) && ok;
  return ok;
}

bool ColourPicker::Cancel() {
  std::lock_guard lock(mutex_);
  bool ok = true;
  for (size_t i = 0; i < zones_.size(); ++i) ok = SetLed(mouse_, zones_[i], opening_[i]) && ok;
  return ok;
}

}  // namespace halvric::lighting
