#include "lighting/lighting_window_model.h"

#include "lighting/lighting_operations.h"

namespace halvric::lighting {
namespace {

ModelLighting LightingOf(const Mouse& m) {
  const auto info = m.dev->Info(m.path);
  return info ? ModelLightingFor(info->type_code, info->generation) : ModelLightingFor(3, 0);
}

}  // namespace

LightingWindowModel::LightingWindowModel(Mouse mouse, RandomFn random)
    : mouse_(std::move(mouse)), preview_(LightingOf(mouse_), std::move(random)) {}

void LightingWindowModel::Open() {
  const int effect = GetLedMode(mouse_);
  std::lock_guard lock(mutex_);
  effect_ = effect;
  FillLocked(effect);
}

void LightingWindowModel::ChooseEffect(int effect) {
  if (effect < 0 || effect >= kEffectCount) return;
  lighting::SetLedMode(mouse_, effect);
  std::lock_guard lock(mutex_);
  effect_ = effect;
  FillLocked(effect);
}

void LightingWindowModel::FillLocked(int effect) {
  if (effect == kCustomize) {
    // A failed read keeps the zones read before.
    ReadLightingBlock(mouse_, records_);
    preview_.FillCustomize(records_);
  } else {
    preview_.FillPreset(effect);
  }
}

void LightingWindowModel::Tick() {
  std::lock_guard lock(mutex_);
  preview_.Tick();
}

int LightingWindowModel::effect() const {
  std::lock_guard lock(mutex_);
  return effect_;
}

bool LightingWindowModel::customised() const { return effect() != kCustomize; }

PreviewModel LightingWindowModel::Snapshot() const {
  std::lock_guard lock(mutex_);
  return preview_;
}

std::vector<LedZoneRecord> LightingWindowModel::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

}  // namespace halvric::lighting
