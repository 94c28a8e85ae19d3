#include "services/report_service.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/movement_intake.h"
#include "services/recording_injector.h"
#include "services/tilt_scroll.h"
#include "sim/sim_hid_backend.h"
#include "sim/sim_mouse.h"

namespace halvric {
namespace {

using test::RecordingInjector;
using test::WaitFor;

// Records every update with the thread it came on.
class RecordingView : public ReportView {
 public:
  void OnReport(const DispatchedReport& r) override {
    const char* kind = r.kind == ReportKind::kStatus ? "status" : r.kind == ReportKind::kMovement ? "movement" : "host";
    Add(std::string("report ") + kind);
    std::lock_guard l(mu_);
    reports_.push_back(r);
  }
  void OnUpgradeReply(std::span<const uint8_t>) override { Add("upgrade"); }
  void OnProfileChanged(int p) override { Add("profile " + std::to_string(p)); }
  void OnClosePrompt() override { Add("close prompt"); }
  void OnDpiLevelChanged(int l) override { Add("level " + std::to_string(l)); }
  void OnDpiValues(int l, uint8_t, uint8_t) override { Add("values " + std::to_string(l)); }
  void OnAngleSnappingChanged(bool on) override { Add(on ? "angle on" : "angle off"); }
  void OnStatus(const StatusReport& s) override {
    Add("status");
    std::lock_guard l(mu_);
    statuses_.push_back(s);
  }
  void OnShowMainWindow() override { Add("show"); }
  void OnMinimiseForeground() override { Add("minimise"); }
  void OnDisplayPass(const OsdPass& pass) override {
    std::lock_guard l(mu_);
    passes_.push_back(pass);
  }

  std::vector<std::string> Events() const {
    std::lock_guard l(mu_);
    return events_;
  }
  std::vector<std::thread::id> Threads() const {
    std::lock_guard l(mu_);
    return threads_;
  }
  std::vector<DispatchedReport> Reports() const {
    std::lock_guard l(mu_);
    return reports_;
  }
  std::vector<StatusReport> Statuses() const {
    std::lock_guard l(mu_);
    return statuses_;
  }
  std::vector<OsdPass> Passes() const {
    std::lock_guard l(mu_);
    return passes_;
  }

 private:
  void Add(std::string e) {
    std::lock_guard l(mu_);
    events_.push_back(std::move(e));
    threads_.push_back(std::this_thread::get_id());
  }

  mutable std::mutex mu_;
  std::vector<std::string> events_;
  std::vector<std::thread::id> threads_;
  std::vector<DispatchedReport> reports_;
  std::vector<StatusReport> statuses_;
  std::vector<OsdPass> passes_;
};

std::string InputInterface(sim::SimHidBackend& backend) {
  const auto interfaces = VendorInputInterfaces(backend.Enumerate(), false);
  return interfaces.empty() ? std::string() : interfaces[0].path;
}

TEST(ReportService, DecodesOnceDispatchesOnTheReadingThreadAndKeepsTheOrder) {
  sim::SimHidBackend backend("level11");
  ProgramContext context;
  RecordingView view;
  ReportService service(backend, context, view);
  sim::SimMouse& mouse = backend.Mouse(0);
  const int first_profile = mouse.ActiveProfile();
  ASSERT_TRUE(service.Read(InputInterface(backend)));
  EXPECT_FALSE(service.Read(InputInterface(backend)));  // already being read
  mouse.PressDpiButton(3);
  mouse.PressProfileButton(2);
  mouse.PushHostAction(1);
  ASSERT_TRUE(WaitFor([&] { return view.Reports().size() == 3; }));

  // Every update of one report, then those of the next; the window sees them in this order.
  std::vector<std::string> events = view.Events();
  std::erase(events, "angle on");  // the simulated mouse's own starting state
  const std::string p = "profile " + std::to_string(first_profile);
  EXPECT_EQ(events, (std::vector<std::string>{"upgrade", p, "close prompt", "level 3", "values 3", "status",
                                               "report status", "upgrade", "profile 2", "close prompt", "values 3",
                                               "status", "report status", "upgrade", "show", "report host"}));
  // All on the one reader thread, none on this one.
  const std::vector<std::thread::id> threads = view.Threads();
  for (const std::thread::id& id : threads) {
    EXPECT_EQ(id, threads.front());
    EXPECT_NE(id, std::this_thread::get_id());
  }
  // The fields the view is given are those of the one decode the service made.
  const auto reports = view.Reports();
  const auto statuses = view.Statuses();
  ASSERT_EQ(statuses.size(), 2u);
  EXPECT_EQ(reports[1].status.profile, 2);
  EXPECT_EQ(reports[1].status.dpi_level, statuses[1].dpi_level);
  EXPECT_EQ(reports[1].status.dpi_x, statuses[1].dpi_x);
  EXPECT_EQ(reports[2].host_action, 1);
  EXPECT_EQ(context.current_profile.load(), 2);
  EXPECT_EQ(context.current_dpi_level.load(), 3);

  // Stopped readers read nothing; started again they do.
  service.StopReading();
  EXPECT_TRUE(service.Paths().empty());
  service.ReadMice();
  // Both vendor pages: the input interface (0xFF23) and the configuration interface (0xFF18).
  EXPECT_EQ(service.Paths(), (std::vector<std::string>{"sim/0/if1", "sim/0/if2"}));
  mouse.PressProfileButton(4);
  ASSERT_TRUE(WaitFor([&] { return view.Reports().size() == 4; }));
  EXPECT_EQ(context.current_profile.load(), 4);
}

TEST(ReportService, MovementReachesTiltAndThePointerWithoutAnyEventLoop) {
  sim::SimHidBackend backend("level0");
  ProgramContext context;
  RecordingView view;
  RecordingInjector injector;
  TiltScroll tilt(injector);
  MovementIntake intake(injector, tilt, nullptr);
  tilt.Start();
  ReportService service(backend, context, view);
  service.SetMovementIntake(&intake);
  ASSERT_TRUE(service.Read(InputInterface(backend)));
  backend.Mouse(0).PushMovement(false, 3, -1, 2);
  ASSERT_TRUE(WaitFor([&] { return injector.Wheel() == std::vector<int>{2 * kWheelStep}; }));
  EXPECT_EQ(injector.Moves(), 1);
  EXPECT_EQ(injector.PointerPosition(), (ScreenPoint{103, 99}));

  // Without an intake the movement is still reported, and nothing is injected. (The simulated
  // mouse's movement reports have a good checksum, so the upgrade is offered them too.)
  service.SetMovementIntake(nullptr);
  backend.Mouse(0).PushMovement(false, 5, 5, -1);
  ASSERT_TRUE(WaitFor([&] { return view.Reports().size() == 2; }));
  EXPECT_EQ(view.Events(), (std::vector<std::string>{"upgrade", "report movement", "upgrade", "report movement"}));
  EXPECT_EQ(view.Reports()[1].movement.tilt, -1);
  service.Stop();
  tilt.Stop();
  EXPECT_EQ(injector.Moves(), 1);
  EXPECT_EQ(injector.Wheel(), std::vector<int>{2 * kWheelStep});
}

TEST(ReportService, TheDisplayThreadRunsOnlyFromAStatusReportUntilTheDisplayHides) {
  sim::SimHidBackend backend("level11");
  ProgramContext context;
  RecordingView view;
  ReportService service(backend, context, view, ReportServiceOptions{.display = true});
  EXPECT_FALSE(service.DisplayRunning());
  ASSERT_TRUE(service.Read(InputInterface(backend)));
  backend.Mouse(0).PressProfileButton(1);
  ASSERT_TRUE(WaitFor([&] { return !view.Passes().empty(); }));
  ASSERT_TRUE(WaitFor([&] {
    const auto passes = view.Passes();
    return passes.back().hide && !service.DisplayRunning();
  }));
  const auto passes = view.Passes();
  EXPECT_TRUE(passes.front().show);
  EXPECT_TRUE(passes.front().view.ShowsProfile());
  // Fade-in, the 80 passes and fade-out draw; the hide comes last and asks for a full redraw.
  EXPECT_EQ(passes.size(), 80u + 11u + 1u);
  EXPECT_TRUE(passes.back().redraw_main);
  EXPECT_EQ(service.Display().View().flags, 0);
}

}  // namespace
}  // namespace halvric
