#include "lighting/lighting_window_model.h"

#include "lighting/lighting_operations.h"

namespace halvric::lighting {
namespace {

ModelLighting LightingOf(const Mouse& m) {
  const auto info = dev.Info(path);
  return info ? ModelLightingFor(info->type_code, info->generation) : ModelLightingFor(3, 0);
}

}  // namespace

LightingWindowModel::LightingWindowModel(DeviceLayer& dev, std::string path, RandomFn random)
    : dev_(dev), path_(std::move(path)), preview_(LightingOf(dev_, path_), std::move(random)) {}

void LightingWindowModel::Open() {
  const int effect = GetLedMode(dev_, path_);
  std::lock_guard lock(mutex_);
  effect_ = effect;
  FillLocked(effect);
}

void LightingWindowModel::ChooseEffect(int effect) {
  if (effect < 0 || effect >= kEffectCount) return;
  SetLedMode(dev_, path_, effect);
  std::lock_guard lock(mutex_);
  effect_ = effect;
  FillLocked(effect);
}

void LightingWindowModel::FillLocked(int effect) {
  if (effect == kCustomize) {
    // A failed read keeps the zones read before.
    ReadLightingBlock(dev_, path_, records_);
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
