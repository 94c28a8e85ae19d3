#pragma once
// The animated picture of the lighting window as plain state: what each picture zone shows and
// how it changes per tick (one tick every 90 ms). The window draws it and owns the lock around
// it; nothing here talks to the mouse.
//
// Effect 0 ("Customize") shows the stored zones: "Always ON" zones at full brightness,
// "Breathe" zones at the breathing phase. Effects 1-4 run every zone through a six-state colour
// cycle in which one component rises to 255 or falls to 0:
//   state 0 green rises, 1 red falls, 2 blue rises, 3 green falls, 4 red rises, 5 blue falls
// (red -> yellow -> green -> cyan -> blue -> magenta -> red). Effects 1 and 2 move on when a
// ramp ends; effect 3 also jumps ahead at random (one chance in 5, 6 or 59 per tick, by state);
// effect 4 holds a zone at the end of its ramp until its draw (random % 9 == 5) fires.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "lighting/led_zone_record.h"
#include "lighting/model_lighting.h"

namespace halvric::lighting {

inline constexpr int kPhaseStep = 20;
inline constexpr int kPhaseTop = 440;
inline constexpr int kPhaseTurn = 300;  // where the phase falls from after passing the top
inline constexpr int kCycleStates = 6;

struct PictureZone {
  bool shown = false;  // the model has this zone
  int state = 0;       // six-state cycle position (effects 1-4)
  Rgb colour{};
  uint8_t brightness = 255;
  bool always_on = true;  // effect 0
};

using RandomFn = std::function<uint32_t()>;

class PreviewModel {
 public:
  // `random`: the source of the random transitions (a seeded generator when empty).
  explicit PreviewModel(ModelLighting model, RandomFn random = {});

  // Effect 0 from the zone records read from the mouse (picture zone i is record i).
  void FillCustomize(const std::vector<LedZoneRecord>& records);
  // Effects 1-4 from their preset pictures; other values are ignored.
  void FillPreset(int effect);
  // Advances the phase and every zone by one tick.
  void Tick();

  int effect() const { return effect_; }
  int phase() const { return phase_; }
  bool rising() const { return rising_; }
  const std::array<PictureZone, kPictureZones>& zones() const { return zones_; }
  const ModelLighting& model() const { return model_; }

  // The colour at the start of cycle state s, and the step per tick of an effect.
  static Rgb StateStartColour(int state);
  static int CycleStep(int effect);

 private:
  void AdvanceCycle(PictureZone& z);
  bool Chance(uint32_t one_in);

  ModelLighting model_;
  RandomFn random_;
  int effect_ = 0;
  int phase_ = 0;
  bool rising_ = true;
  std::array<PictureZone, kPictureZones> zones_{};
};

}  // namespace halvric::lighting
