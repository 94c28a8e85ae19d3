#pragma once
// Pointer acceleration of X servers whose pointers are driven by libinput: the core pointer
// control does not reach such devices, their "libinput Accel Profile Enabled" property does
// (adaptive = accelerated, flat = not).

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/pointer_acceleration.h"

namespace halvric::linux_hid {

// The new value of the profile property (2 or 3 one-byte flags: adaptive, flat[, custom]) for
// the wanted state; empty when `current` is not such a value.
std::vector<uint8_t> AccelProfileValue(std::span<const uint8_t> current, bool accelerated);

class LibinputPointerAccel : public PointerSettings {
 public:
  // nullptr when the display cannot be reached, has no XInput 2, or none of its pointers has the
  // libinput profile property.
  static std::unique_ptr<LibinputPointerAccel> Connect(const std::string& display = {});
  ~LibinputPointerAccel() override;
  LibinputPointerAccel(const LibinputPointerAccel&) = delete;
  LibinputPointerAccel& operator=(const LibinputPointerAccel&) = delete;

  // On when any pointer uses the adaptive profile.
  std::optional<PointerAccel> Read() override;
  // Every pointer with the property gets the adaptive (accel.On()) or the flat profile.
  bool Write(const PointerAccel& accel) override;

 private:
  struct Connection;
  explicit LibinputPointerAccel(std::unique_ptr<Connection> c);
  std::unique_ptr<Connection> c_;
};

// The pointer settings of a display: the libinput property where the server offers it, else the
// core pointer control. nullptr when no display can be reached.
std::unique_ptr<PointerSettings> ConnectPointerSettings(const std::string& display = {});

}  // namespace halvric::linux_hid
