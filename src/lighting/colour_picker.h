#pragma once
// The colour picker of the lighting window: it previews the chosen colour and mode live on the
// target zones, stores them on OK and puts the opening colours back on Cancel (without writing
// the mouse's memory). Safe to use from the window thread and a preview thread at once.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "device/mouse.h"
#include "lighting/led_zone_record.h"

namespace halvric::lighting {

inline constexpr int kMaxPickerZones = 16;

struct PickerTarget {
  bool all = false;          // every selected zone, else `zone` alone
  int zone = 0;
  std::vector<int> selected;  // the zones of "all" (at most 16 are used)

  static PickerTarget One(int zone) { return {false, zone, {}}; }
  static PickerTarget All(std::vector<int> zones) { return {true, 0, std::move(zones)}; }
};

class ColourPicker {
 public:
  // `records`: the zone table as last read; the target zones' records there are what Cancel
  // restores, and the first target zone's record gives the opening colour and mode.
  ColourPicker(Mouse mouse, PickerTarget target, const std::vector<LedZoneRecord>& records);

  // The target zones in ascending order.
  const std::vector<int>& zones() const { return zones_; }

  // Each change is previewed at once on every target zone.
  void SetColour(const Rgb& colour);
  // Slider j (0 red, 1 green, 2 blue) at `position`: its component becomes
  // (position - left + 1) x 255 / width, within 0-255.
  void SetSlider(int component, int position, int slider_left, int slider_width);
  // The component a slider gives at `position`, by the rule above.
  static uint8_t SliderComponent(int position, int slider_left, int slider_width);
  // "Always ON" (true) or "Breathe" (false).
  void SetAlwaysOn(bool on);
  // Colour and mode together, previewed once per target zone (the window's live preview).
  void Set(const Rgb& colour, bool always_on);

  LedZoneRecord Current() const;
  // red x 65536 + green x 256 + blue
  uint32_t ColourValue() const;

  // Stores the current colour as each target zone's own colour, zones in ascending order.
  bool Ok();
  // Shows every target zone as it was when the picker opened; nothing is stored.
  bool Cancel();

 private:
  void PreviewLocked();

  const Mouse mouse_;
  std::vector<int> zones_;
  std::vector<LedZoneRecord> opening_;  // per target zone
  mutable std::mutex mutex_;
  LedZoneRecord current_;
};

}  // namespace halvric::lighting
