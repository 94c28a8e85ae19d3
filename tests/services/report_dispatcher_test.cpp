#include "services/report_dispatcher.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "services/input_report_reader.h"
#include "services/report_builder.h"
#include "sim/sim_hid_backend.h"

namespace halvric {
namespace {

using test::SealReport;
using test::StatusReportBytes;

struct Intake {
  ProgramContext context;
  MouseStatus status{context};
  OsdState osd;
  std::vector<std::string> events;
  std::vector<MovementReport> moves;
  int upgrade_replies = 0;
  ReportDispatcher dispatcher{context, status, osd, Handlers()};

  ReportHandlers Handlers() {
    ReportHandlers h;
    h.upgrade_reply = [this](std::span<const uint8_t>) { ++upgrade_replies; };
    h.movement = [this](const MovementReport& m) { moves.push_back(m); };
    h.profile_changed = [this](int p) { events.push_back("profile " + std::to_string(p)); };
    h.close_prompt = [this] { events.push_back("close prompt"); };
    h.dpi_level_changed = [this](int l) { events.push_back("level " + std::to_string(l)); };
    h.dpi_values = [this](int l, uint8_t x, uint8_t y) {
      events.push_back("values " + std::to_string(l) + " " + std::to_string(x) + " " + std::to_string(y));
    };
    h.show_main_window = [this] { events.push_back("show"); };
    h.minimise_foreground = [this] { events.push_back("minimise"); };
    return h;
  }
};

TEST(ReportDispatcher, StatusReportUpdatesProfileLevelAndValues) {
  Intake in;
  EXPECT_EQ(in.dispatcher.Dispatch(StatusReportBytes({.level = 7, .x = 40, .y = 44, .profile = 0x0A})),
            ReportKind::kStatus);
  EXPECT_EQ(in.context.current_profile.load(), 2);  // bits 0-2 of byte 5
  EXPECT_EQ(in.context.current_dpi_level.load(), 4);
  EXPECT_EQ(in.status.DpiValues(4), (std::array<uint8_t, 2>{40, 44}));
  EXPECT_EQ(in.events, (std::vector<std::string>{"profile 2", "close prompt", "level 4", "values 4 40 44"}));
  EXPECT_EQ(in.osd.View().profile, 0x0A);  // the display keeps the whole byte
  EXPECT_EQ(in.upgrade_replies, 1);

  // The same profile again closes no prompt.
  in.events.clear();
  in.dispatcher.Dispatch(StatusReportBytes({.level = 4, .x = 40, .y = 44, .profile = 2}));
  EXPECT_EQ(in.events, (std::vector<std::string>{"values 4 40 44"}));
}

TEST(ReportDispatcher, WrongTagBadChecksumOrShortReportChangesNothing) {
  Intake in;
  auto wrong_tag = StatusReportBytes({.level = 2, .profile = 3}, 0);
  auto bad_xor = StatusReportBytes({.level = 2, .profile = 3});
  bad_xor[3] ^= 1;
  auto short_report = StatusReportBytes({.level = 2, .profile = 3}, 21, 10);
  for (const auto& r : {wrong_tag, bad_xor, short_report}) {
    EXPECT_EQ(in.dispatcher.Dispatch(r), ReportKind::kIgnored);
  }
  EXPECT_EQ(in.context.current_profile.load(), -1);
  EXPECT_EQ(in.context.current_dpi_level.load(), 0);
  EXPECT_TRUE(in.events.empty());
  EXPECT_EQ(in.osd.View().flags, 0);
  EXPECT_EQ(in.osd.Pass().draw, false);
  // Only the report with a good checksum reached the upgrade.
  EXPECT_EQ(in.upgrade_replies, 1);
}

TEST(ReportDispatcher, MovementReportsNeedNoChecksumAndHostActionsAreCarriedOut) {
  Intake in;
  std::vector<uint8_t> move(16, 0);
  move[0] = 11;
  move[1] = 11;
  move[2] = 1;
  move[4] = 0xFE;  // dx = -2
  move[5] = 0xFF;
  move[6] = 5;
  move[9] = 0xFD;  // tilt -3
  move[15] = 0x5A;  // not a checksum
  EXPECT_EQ(in.dispatcher.Dispatch(move), ReportKind::kMovement);
  ASSERT_EQ(in.moves.size(), 1u);
  EXPECT_TRUE(in.moves[0].touch);
  EXPECT_EQ(in.moves[0].dx, -2);
  EXPECT_EQ(in.moves[0].dy, 5);
  EXPECT_EQ(in.moves[0].tilt, -3);

  for (uint8_t action : {1, 2, 3}) {
    std::vector<uint8_t> host(64, 0);
    host[0] = 1;
    host[1] = 13;
    host[2] = action;
    SealReport(host);
    EXPECT_EQ(in.dispatcher.Dispatch(host), ReportKind::kHostAction);
  }
  EXPECT_EQ(in.events, (std::vector<std::string>{"show", "minimise"}));
}

TEST(ReportDispatcher, SensorLevelRedrawsOnlyBeyondTwo) {
  Intake in;
  in.status.SetSensorReadingCapable(true);
  auto with_sensor = [](uint8_t lo, uint8_t hi, uint8_t level) {
    auto r = StatusReportBytes({});
    r[11] = lo;
    r[12] = hi;
    r[13] = level;
    SealReport(r);
    return r;
  };
  in.dispatcher.Dispatch(with_sensor(10, 2, 2));
  EXPECT_EQ(in.status.SensorReading(), 10 + 2 * 255);
  EXPECT_FALSE(in.context.full_redraw.load());
  EXPECT_EQ(in.status.SensorLevel(), 0);
  in.dispatcher.Dispatch(with_sensor(0, 0, 3));
  EXPECT_TRUE(in.context.full_redraw.load());
  EXPECT_EQ(in.status.SensorLevel(), 3);
}

// The simulated mouse and the program agree on the reports: their tag, their checksum and
// their fields, read by the reader thread of the vendor input interface.
TEST(InputReportReader, ReadsTheSimulatedMouseAndStopsCleanly) {
  for (const char* model : {"level0", "level11"}) {
    sim::SimHidBackend backend(model);
    Intake in;
    std::mutex mu;
    std::vector<ReportKind> kinds;
    const auto interfaces = VendorInputInterfaces(backend.Enumerate(), false);
    ASSERT_EQ(interfaces.size(), 1u) << model;
    {
      InputReportReader reader(backend, [&](const std::string&, std::span<const uint8_t> r) {
        const ReportKind k = in.dispatcher.Dispatch(r);
        std::lock_guard l(mu);
        kinds.push_back(k);
      });
      ASSERT_TRUE(reader.Add(interfaces[0].path));
      EXPECT_FALSE(reader.Add(interfaces[0].path));
      sim::SimMouse& mouse = backend.Mouse(0);
      mouse.PressDpiButton(3);
      mouse.PressProfileButton(2);
      mouse.PushMovement(false, 0, 0, 2);
      mouse.PushHostAction(1);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (reader.Delivered() < 4 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }  // the reader stops and joins here
    std::lock_guard l(mu);
    EXPECT_EQ(kinds, (std::vector<ReportKind>{ReportKind::kStatus, ReportKind::kStatus, ReportKind::kMovement,
                                              ReportKind::kHostAction}))
        << model;
    EXPECT_EQ(in.context.current_profile.load(), 2);
    EXPECT_EQ(in.context.current_dpi_level.load(), 3);
  }
}

TEST(InputReportReader, AMouseDeselectedWithMarkerZeroIsIgnoredAndAnUnplugEndsTheThread) {
  sim::SimHidBackend backend("level11");
  Intake in;
  std::atomic<int> gone{0};
  std::atomic<int> ignored{0};
  const auto interfaces = VendorInputInterfaces(backend.Enumerate());
  ASSERT_EQ(interfaces.size(), 2u);  // the configuration interface shares the vendor page
  InputReportReader reader(
      backend,
      [&](const std::string&, std::span<const uint8_t> r) {
        if (in.dispatcher.Dispatch(r) == ReportKind::kIgnored) ++ignored;
      },
      [&](const std::string&) { ++gone; });
  ASSERT_TRUE(reader.Add(interfaces.back().path));
  // Marker 0: the mouse tags its reports with 0 from now on.
  auto handle = backend.Open("sim/0/if1");
  std::vector<uint8_t> marker(64, 0);
  marker[0] = 1;
  marker[2] = 1;
  marker[3] = 0x12;
  marker[4] = 0;
  uint8_t x = 0;
  for (size_t i = 1; i < 63; ++i) x ^= marker[i];
  marker[63] = x;
  ASSERT_TRUE(handle->SetFeature(marker));
  handle.reset();
  backend.Mouse(0).PressProfileButton(3);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (reader.Delivered() < 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(ignored.load(), 1);
  EXPECT_EQ(in.context.current_profile.load(), -1);
  backend.Mouse(0).SetUnplugged(true);
  while (gone.load() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(gone.load(), 1);
  reader.Stop();
}

}  // namespace
}  // namespace halvric
