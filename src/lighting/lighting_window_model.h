#pragma once
// What the lighting window does, without the window: the current effect, the picture for it
// and its animation, and the effect buttons. The window draws Snapshot() and calls Tick() from
// its preview thread; both sides may run at once.

#include <mutex>
#include <string>
#include <vector>

#include "device/mouse.h"
#include "lighting/preview_model.h"

namespace halvric::lighting {

class LightingWindowModel {
 public:
  LightingWindowModel(Mouse mouse, RandomFn random = {});

  // Reads the current effect and fills the picture for it.
  void Open();
  // An effect button: the effect becomes current, is sent to the mouse and pictured.
  // Values outside 0-4 are ignored.
  void ChooseEffect(int effect);
  void Tick();

  int effect() const;
  bool customised() const;  // an effect other than "Customize" is chosen
  PreviewModel Snapshot() const;
  // The zone table as last read ("Customize"), for the picker.
  std::vector<LedZoneRecord> Records() const;

 private:
  void FillLocked(int effect);

  const Mouse mouse_;
  mutable std::mutex mutex_;
  PreviewModel preview_;
  std::vector<LedZoneRecord> records_;
  int effect_ = 0;
};

}  // namespace halvric::lighting
