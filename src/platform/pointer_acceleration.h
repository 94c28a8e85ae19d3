#pragma once
// The operating system's pointer acceleration, and the "Disable mouse acceleration (OS)" option
// that switches it off.

#include <optional>

namespace halvric {

// Acceleration as the pointer control keeps it: movement faster than `threshold` pixels per event
// is multiplied by numerator / denominator.
struct PointerAccel {
  int numerator = 1;
  int denominator = 1;
  int threshold = 0;
  bool On() const { return threshold > 0 && numerator > denominator; }
  bool operator==(const PointerAccel&) const = default;
};

inline constexpr PointerAccel kAccelOn{2, 1, 4};
inline constexpr PointerAccel kAccelOff{1, 1, 0};

class PointerSettings {
 public:
  virtual ~PointerSettings() = default;
  // nullopt when the settings cannot be read (no display).
  virtual std::optional<PointerAccel> Read() = 0;
  virtual bool Write(const PointerAccel& accel) = 0;
};

// Applies the option: acceleration is switched off while the option is on; with the option off it
// is switched to the opposite of what it is now. True when acceleration ends up off.
bool ApplyAccelerationOption(PointerSettings& settings, bool option_on);

}  // namespace halvric
