#include "lighting/preview_model.h"

#include <algorithm>
#include <random>

namespace halvric::lighting {
namespace {

struct Ramp {
  int component;  // 0 red, 1 green, 2 blue
  bool rising;
};
constexpr std::array<Ramp, kCycleStates> kCycle = {{{1, true}, {0, false}, {2, true}, {1, false}, {0, true}, {2, false}}};
// Effect 3: one chance in this many per tick of jumping to the next state.
constexpr std::array<uint32_t, kCycleStates> kRandomJump = {5, 6, 59, 5, 6, 59};

bool RampEnded(const PictureZone& z) {
  const Ramp r = kCycle[static_cast<size_t>(z.state)];
  return z.colour[static_cast<size_t>(r.component)] == (r.rising ? 255 : 0);
}

// The preset state of picture zone i for effect e.
int PresetState(int effect, int zone, bool wide) {
  const int mirrored = kPictureZones - 1 - zone;
  switch (effect) {
    case 1: return (wide ? zone / 2 : zone) % kCycleStates;
    case 2: return (wide ? mirrored / 2 : mirrored) % kCycleStates;
    case 3: return (zone * 2) % kCycleStates;
    default: return 0;
  }
}

}  // namespace

PreviewModel::PreviewModel(ModelLighting model, RandomFn random) : model_(std::move(model)), random_(std::move(random)) {
  if (!random_) random_ = [gen = std::minstd_rand(0x5EED)]() mutable { return static_cast<uint32_t>(gen()); };
  for (int z : model_.zones) {
    if (z >= 0 && z < kPictureZones) zones_[static_cast<size_t>(z)].shown = true;
  }
}

Rgb PreviewModel::StateStartColour(int state) {
  static constexpr std::array<Rgb, kCycleStates> kStart = {
      {{255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}, {255, 0, 255}}};
  return kStart[static_cast<size_t>(((state % kCycleStates) + kCycleStates) % kCycleStates)];
}

int PreviewModel::CycleStep(int effect) { return effect >= 3 ? 10 : 40; }

void PreviewModel::FillCustomize(const std::vector<LedZoneRecord>& records) {
  effect_ = 0;
  for (size_t i = 0; i < zones_.size(); ++i) {
    const LedZoneRecord rec = i < records.size() ? records[i] : LedZoneRecord{};
    const ZoneLook look = LookOf(rec, model_.default_colour);
    PictureZone& z = zones_[i];
    z.colour = look.colour;
    z.always_on = look.always_on;
    z.state = 0;
    z.brightness = z.always_on ? 255 : static_cast<uint8_t>(std::min(phase_, 255));
  }
}

void PreviewModel::FillPreset(int effect) {
  if (effect < 1 || effect > 4) return;
  effect_ = effect;
  for (size_t i = 0; i < zones_.size(); ++i) {
    PictureZone& z = zones_[i];
    z.state = PresetState(effect, static_cast<int>(i), model_.wide_wave);
    z.colour = StateStartColour(z.state);
    z.brightness = 255;
    z.always_on = true;
  }
}

bool PreviewModel::Chance(uint32_t one_in) { return random_() % one_in == 0; }

void PreviewModel::AdvanceCycle(PictureZone& z) {
  const Ramp r = kCycle[static_cast<size_t>(z.state)];
  uint8_t& c = z.colour[static_cast<size_t>(r.component)];
  const int step = CycleStep(effect_);
  const uint8_t end = r.rising ? 255 : 0;
  auto next_state = [&z] { z.state = (z.state + 1) % kCycleStates; };

  if (effect_ == 3 && Chance(kRandomJump[static_cast<size_t>(z.state)])) {
    c = end;
    next_state();
    return;
  }
  const bool draw_fired = effect_ == 4 && random_() % 9 == 5;
  if (RampEnded(z)) {
    // Only effect 4 can find a zone still at the end of its ramp: it waits for its draw.
    if (draw_fired) next_state();
    return;
  }
  c = static_cast<uint8_t>(r.rising ? std::min(255, c + step) : std::max(0, c - step));
  if (RampEnded(z) && effect_ != 4) next_state();
}

void PreviewModel::Tick() {
  phase_ += rising_ ? kPhaseStep : -kPhaseStep;
  if (phase_ < 0) {
    phase_ = 0;
    rising_ = true;
  } else if (phase_ > kPhaseTop) {
    phase_ = kPhaseTurn;
    rising_ = false;
  }
  for (PictureZone& z : zones_) {
    if (effect_ == 0) {
      z.brightness = z.always_on ? 255 : static_cast<uint8_t>(std::min(phase_, 255));
    } else {
      AdvanceCycle(z);
    }
  }
}

}  // namespace halvric::lighting
