#include "platform/pointer_acceleration.h"

namespace halvric {

bool ApplyAccelerationOption(PointerSettings& settings, bool option_on) {
  const std::optional<PointerAccel> now = settings.Read();
  if (!now) return false;
  const bool turn_on = option_on ? false : !now->On();
  const PointerAccel wanted = turn_on ? kAccelOn : kAccelOff;
  if (!(*now == wanted) && !settings.Write(wanted)) return now->On() == false;
  const std::optional<PointerAccel> after = settings.Read();
  return after && !after->On();
}

}  // namespace halvric
