#include "services/report_service.h"

#include <chrono>

#include "services/movement_intake.h"

namespace halvric {

ReportService::ReportService(HidBackend& backend, ProgramContext& context, ReportView& view,
                             ReportServiceOptions options)
    : backend_(backend),
      view_(view),
      status_(context),
      dispatcher_(context, status_, osd_, Handlers()),
      // A negative wait: each reader blocks in its read until a report comes or it is stopped.
      readers_(backend, [this](const std::string&, std::span<const uint8_t> report) { Dispatch(report); },
               InputReportReader::GoneFn{}, -1) {
  if (options.display) display_ = std::jthread([this](std::stop_token stop) { RunDisplay(stop); });
}

ReportService::~ReportService() { Stop(); }

ReportHandlers ReportService::Handlers() {
  ReportHandlers h;
  h.upgrade_reply = [this](std::span<const uint8_t> r) { view_.OnUpgradeReply(r); };
  h.movement = [this](const MovementReport& m) {
    if (intake_ != nullptr) intake_->Apply(m);
  };
  h.status = [this](const StatusReport& s) { view_.OnStatus(s); };
  h.profile_changed = [this](int profile) { view_.OnProfileChanged(profile); };
  h.close_prompt = [this] { view_.OnClosePrompt(); };
  h.dpi_level_changed = [this](int level) { view_.OnDpiLevelChanged(level); };
  h.dpi_values = [this](int level, uint8_t x, uint8_t y) { view_.OnDpiValues(level, x, y); };
  h.angle_snapping_changed = [this](bool on) { view_.OnAngleSnappingChanged(on); };
  h.show_main_window = [this] { view_.OnShowMainWindow(); };
  h.minimise_foreground = [this] { view_.OnMinimiseForeground(); };
  return h;
}

bool ReportService::Read(const std::string& path, std::string* error) { return readers_.Add(path, error); }

void ReportService::ReadMice() {
  // Add refuses interfaces already being read and takes over those whose reader ended.
  for (const HidInterfaceInfo& info : VendorInputInterfaces(backend_.Enumerate())) readers_.Add(info.path);
}

void ReportService::StopReading() { readers_.Stop(); }

void ReportService::Stop() {
  readers_.Stop();
  display_.request_stop();
  if (display_.joinable()) display_.join();
}

void ReportService::SetMovementIntake(MovementIntake* intake) {
  std::lock_guard l(dispatch_mu_);
  intake_ = intake;
}

DispatchedReport ReportService::Dispatch(std::span<const uint8_t> report) {
  DispatchedReport d;
  {
    std::lock_guard l(dispatch_mu_);
    d = dispatcher_.DispatchReport(report);
    if (d.kind != ReportKind::kIgnored) view_.OnReport(d);
  }
  if (d.kind == ReportKind::kStatus) KickDisplay();
  return d;
}

void ReportService::KickDisplay() {
  if (!display_.joinable()) return;
  std::lock_guard l(display_mu_);
  display_kicked_ = true;
  display_wake_.notify_one();
}

void ReportService::RunDisplay(std::stop_token stop) {
  std::unique_lock l(display_mu_);
  while (true) {
    display_wake_.wait(l, stop, [this] { return display_kicked_; });
    if (stop.stop_requested()) return;
    display_kicked_ = false;
    display_running_.store(true);
    // Passes back to back until the showing has faded out and the display is hidden.
    while (true) {
      l.unlock();
      const OsdPass pass = osd_.Pass();
      if (pass.draw || pass.show || pass.hide) view_.OnDisplayPass(pass);
      const OsdView shown = osd_.View();
      const bool idle = !pass.draw && !pass.show && osd_.Countdown() == 0 && shown.alpha == 0 && !shown.visible;
      l.lock();
      if (idle) break;
      // Only a stop ends the sleep early: reports arriving meanwhile are taken by the next pass.
      display_wake_.wait_for(l, stop, std::chrono::milliseconds(pass.sleep_ms), [] { return false; });
      if (stop.stop_requested()) {
        display_running_.store(false);
        return;
      }
    }
    display_running_.store(false);
  }
}

}  // namespace halvric
