#include "services/movement_intake.h"

namespace halvric {

void MovementIntake::Apply(const MovementReport& report) {
  if (touch_ != nullptr) touch_->SetTouchState(report.touch);
  if (report.dx != 0 || report.dy != 0) injector_.MovePointer(report.dx, report.dy);
  if (report.tilt != 0) tilt_.AddSteps(report.tilt);
}

}  // namespace halvric
