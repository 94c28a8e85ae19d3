#include "services/report_dispatcher.h"

namespace halvric {

ReportKind ReportDispatcher::Dispatch(std::span<const uint8_t> report) {
  if (report.size() < kMinVendorReportLength) return ReportKind::kIgnored;
  const bool checksum_ok = ReportXor(report) == 0;
  if (checksum_ok && handlers_.upgrade_reply) handlers_.upgrade_reply(report);
  if (IsMovementReport(report)) {
    if (handlers_.movement) handlers_.movement(DecodeMovement(report));
    return ReportKind::kMovement;
  }
  if (!checksum_ok || report[report.size() - 2] != context_.report_tag.load()) return ReportKind::kIgnored;

  const OsdStatusResult osd = osd_.HandleStatus(report);
  if (osd.angle_snapping_changed && handlers_.angle_snapping_changed) handlers_.angle_snapping_changed(osd.angle_snapping);
  switch (report[1]) {
    case kStatusSubType:
      ApplyStatus(report);
      return ReportKind::kStatus;
    case kHostActionSubType:
      CarryOutHostAction(HostAction(report));
      return ReportKind::kHostAction;
    default:
      return ReportKind::kIgnored;
  }
}

void ReportDispatcher::ApplyStatus(std::span<const uint8_t> report) {
  const StatusReport s = DecodeStatus(report);
  const StatusChanges changes = status_.Apply(s);
  if (changes.sensor_level) context_.full_redraw.store(true);
  if (changes.profile) {
    if (handlers_.profile_changed) handlers_.profile_changed(s.profile);
    if (handlers_.close_prompt) handlers_.close_prompt();
  }
  if (changes.dpi_level && handlers_.dpi_level_changed) handlers_.dpi_level_changed(s.dpi_level);
  if (handlers_.dpi_values) handlers_.dpi_values(s.dpi_level, s.dpi_x, s.dpi_y);
  if (handlers_.status) handlers_.status(s);
}

void ReportDispatcher::CarryOutHostAction(uint8_t action) {
  if (action == 1 && handlers_.show_main_window) handlers_.show_main_window();
  if (action == 2 && handlers_.minimise_foreground) handlers_.minimise_foreground();
}

}  // namespace halvric
