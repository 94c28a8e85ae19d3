#pragma once
// Validation and dispatch of the mouse's vendor input reports, in this order:
//   1. reports of 10 bytes or less are ignored;
//   2. a report whose XOR of bytes 1 to n-1 is zero goes to the firmware upgrade (it picks out
//      the acknowledgements it waits for);
//   3. a movement report is handled without a checksum test, and nothing else happens to it;
//   4. a report with a good checksum and the report tag at n-2 goes first to the on-screen
//      display's status handler, then a status report (byte 1 = 12) is applied to the program's
//      state and a host-action report (13) is carried out. Everything else is dropped.
// Each report is decoded once; the handlers get the decoded fields. Dispatch runs on whichever
// thread reads the reports; the handlers are called on it.

#include <cstdint>
#include <functional>
#include <span>

#include "services/mouse_status.h"
#include "services/osd_state.h"
#include "services/program_context.h"
#include "services/vendor_report.h"

namespace halvric {

// What the rest of the program does with the reports. Every member may be empty.
struct ReportHandlers {
  std::function<void(std::span<const uint8_t>)> upgrade_reply;
  std::function<void(const MovementReport&)> movement;
  std::function<void(const StatusReport&)> status;  // every validated status report, after it is applied
  // The profile changed on the mouse: refresh the lighting window, redraw the main window.
  std::function<void(int profile)> profile_changed;
  // An open prompt (the message and input dialog) is cancelled when the profile changes.
  std::function<void()> close_prompt;
  std::function<void(int level)> dpi_level_changed;
  // The X/Y values of a level, for the working copy's DPI table and the DPI page.
  std::function<void(int level, uint8_t x, uint8_t y)> dpi_values;
  std::function<void(bool on)> angle_snapping_changed;
  std::function<void()> show_main_window;     // host action 1
  std::function<void()> minimise_foreground;  // host action 2
};

enum class ReportKind {
  kIgnored,     // too short, bad checksum, wrong tag or an unknown tagged report
  kMovement,
  kStatus,
  kHostAction,
};

// One dispatched report: its kind and the fields decoded for it (only those of its kind are set).
struct DispatchedReport {
  ReportKind kind = ReportKind::kIgnored;
  StatusReport status;
  MovementReport movement;
  uint8_t host_action = 0;
};

class ReportDispatcher {
 public:
  ReportDispatcher(ProgramContext& context, MouseStatus& status, OsdState& osd, ReportHandlers handlers)
      : context_(context), status_(status), osd_(osd), handlers_(std::move(handlers)) {}

  DispatchedReport DispatchReport(std::span<const uint8_t> report);
  ReportKind Dispatch(std::span<const uint8_t> report) { return DispatchReport(report).kind; }

 private:
  void ApplyStatus(const StatusReport& s);
  void CarryOutHostAction(uint8_t action);

  ProgramContext& context_;
  MouseStatus& status_;
  OsdState& osd_;
  const ReportHandlers handlers_;
};

}  // namespace halvric
