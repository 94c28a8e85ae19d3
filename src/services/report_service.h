#pragma once
// The one path of the mouse's vendor input reports through the program. The service reads the
// vendor input interfaces (one thread each, blocked in its read while nothing comes), decodes and
// dispatches every report once on the thread that read it, keeps the mouse status and the
// on-screen display's state, and hands movement reports straight to the movement intake (tilt
// and touch). What a window shows reaches it through ReportView; the display's passes run on a
// thread of the service that sleeps while nothing shows.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid_backend.h"
#include "services/input_report_reader.h"
#include "services/mouse_status.h"
#include "services/osd_state.h"
#include "services/program_context.h"
#include "services/report_dispatcher.h"

namespace halvric {

class MovementIntake;

// What the report service tells the program's front end. Every call comes on one of the service's
// threads (a reader thread, or the display thread for OnDisplayPass), one at a time and in the
// order the reports arrived; a window's implementation queues each call to its own thread.
class ReportView {
 public:
  virtual ~ReportView() = default;

  // Every report that was not ignored, with its decoded fields (halvricctl monitor prints these).
  virtual void OnReport(const DispatchedReport&) {}
  // A report with a good checksum, for a firmware upgrade waiting for its acknowledgements.
  virtual void OnUpgradeReply(std::span<const uint8_t>) {}
  // The profile changed on the mouse; then an open prompt is to be cancelled.
  virtual void OnProfileChanged(int /*profile*/) {}
  virtual void OnClosePrompt() {}
  virtual void OnDpiLevelChanged(int /*level*/) {}
  // The X/Y values of a level, from every status report.
  virtual void OnDpiValues(int /*level*/, uint8_t /*x*/, uint8_t /*y*/) {}
  virtual void OnAngleSnappingChanged(bool /*on*/) {}
  // Every status report, after the calls above.
  virtual void OnStatus(const StatusReport&) {}
  virtual void OnShowMainWindow() {}      // host action 1
  virtual void OnMinimiseForeground() {}  // host action 2
  // One pass of the on-screen display that draws, shows or hides it.
  virtual void OnDisplayPass(const OsdPass&) {}
};

struct ReportServiceOptions {
  // Run the on-screen display's passes (the desktop program); without it the display state is
  // still kept but nothing fades.
  bool display = false;
};

class ReportService {
 public:
  ReportService(HidBackend& backend, ProgramContext& context, ReportView& view, ReportServiceOptions options = {});
  ~ReportService();
  ReportService(const ReportService&) = delete;
  ReportService& operator=(const ReportService&) = delete;

  // Starts reading one vendor input interface. False (with a reason) when it cannot be opened or
  // is already being read; an interface whose reader ended (it went away) can be added again.
  bool Read(const std::string& path, std::string* error = nullptr);
  // Reads every mouse's vendor input interface that carries no feature reports (only the
  // selected mouse tags its reports, so the others' are ignored).
  void ReadMice();
  // Stops every reader thread and joins them; Read starts them again.
  void StopReading();
  std::vector<std::string> Paths() const { return readers_.Paths(); }
  uint64_t Delivered() const { return readers_.Delivered(); }

  // Stops the readers and the display thread, joining each. Idempotent.
  void Stop();

  // Where movement reports go (null: nowhere). Waits for a movement being handed over, so the
  // intake may be destroyed once this returns with another one.
  void SetMovementIntake(MovementIntake* intake);

  // Validates and dispatches one report on the calling thread, as a reader thread does.
  DispatchedReport Dispatch(std::span<const uint8_t> report);

  MouseStatus& Status() { return status_; }
  OsdState& Display() { return osd_; }
  // The display thread is running passes (something shows or fades).
  bool DisplayRunning() const { return display_running_.load(); }

 private:
  ReportHandlers Handlers();
  void KickDisplay();
  void RunDisplay(std::stop_token stop);

  HidBackend& backend_;
  ReportView& view_;
  MouseStatus status_;
  OsdState osd_;
  ReportDispatcher dispatcher_;
  std::mutex dispatch_mu_;  // one report at a time, whichever interface it came from
  MovementIntake* intake_ = nullptr;  // guarded by dispatch_mu_

  std::mutex display_mu_;
  std::condition_variable_any display_wake_;
  bool display_kicked_ = false;  // guarded by display_mu_
  std::atomic<bool> display_running_{false};
  std::jthread display_;

  InputReportReader readers_;  // last: its threads end before the rest goes
};

}  // namespace halvric
