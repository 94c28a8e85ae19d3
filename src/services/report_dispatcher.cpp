#include "services/report_dispatcher.h"

#include "device/device_layer.h"

namespace halvric {

// The selected mouse tags its reports with the selection marker the device layer sends it.
static_assert(kReportTag == kSelectedMarker);

DispatchedReport ReportDispatcher::DispatchReport(std::span<const uint8_t> report) {
  DispatchedReport d;
  if (report.size() < kMinVendorReportLength) return d;
  const bool checksum_ok = ReportXor(report) == 0;
  if (checksum_ok && handlers_.upgrade_reply) handlers_.upgrade_reply(report);
  if (IsMovementReport(report)) {
    d.kind = ReportKind::kMovement;
    d.movement = DecodeMovement(report);
    if (handlers_.movement) handlers_.movement(d.movement);
    return d;
  }
  if (!checksum_ok || report[report.size() - 2] != context_.report_tag.load()) return d;

  // The display's status handler sees every tagged report; it acts on status reports only.
  const bool status = report[1] == kStatusSubType;
  if (status) d.status = DecodeStatus(report);
  const OsdStatusResult osd = status ? osd_.HandleStatus(d.status) : OsdStatusResult{};
  if (osd.angle_snapping_changed && handlers_.angle_snapping_changed) handlers_.angle_snapping_changed(osd.angle_snapping);
  switch (report[1]) {
    case kStatusSubType:
      d.kind = ReportKind::kStatus;
      ApplyStatus(d.status);
      break;
    case kHostActionSubType:
      d.kind = ReportKind::kHostAction;
      d.host_action = HostAction(report);
      CarryOutHostAction(d.host_action);
      break;
    default:
      break;
  }
  return d;
}

void ReportDispatcher::ApplyStatus(const StatusReport& s) {
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
