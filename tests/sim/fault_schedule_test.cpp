// The planned faults of the simulated mouse and the backend's virtual clock.
#include <gtest/gtest.h>

#include <chrono>

#include "sim/fault_schedule.h"
#include "sim/raw_exchange.h"
#include "sim/sim_hid_backend.h"

namespace halvric::sim {
namespace {

using test::LongRequest;

TEST(FaultSchedule, TextForms) {
  const auto busy = ParseFault("busy:7@12");
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->kind, FaultKind::kBusyForAWhile);
  EXPECT_EQ(busy->busy_polls, 7);
  EXPECT_EQ(busy->at, 12u);
  EXPECT_EQ(FaultText(*busy), "busy:7@12");
  for (const char* text : {"garbage@0", "drop@3", "unplug@99", "stuck@1"}) {
    const auto f = ParseFault(text);
    ASSERT_TRUE(f) << text;
    EXPECT_EQ(FaultText(*f), text);
  }
  for (const char* bad : {"", "unplug", "unplug@", "unplug@-1", "fire@2", "busy:0@1", "busy:x@1", "drop@2x"}) {
    EXPECT_FALSE(ParseFault(bad)) << bad;
  }
}

// The exchange counter runs over Get and Set Features; one-shot faults hit the first answer read
// at or after their exchange and lasting ones stay until cleared.
TEST(FaultSchedule, OneShotAndLastingFaultsOnTheWire) {
  SimHidBackend backend("level11");
  SimMouse& m = backend.Mouse(0);
  m.SetBusyPolls(0);
  auto h = backend.Open("sim/0/if1");
  std::vector<uint8_t> a(64);
  const auto get = [&] {
    std::fill(a.begin(), a.end(), 0);
    a[0] = 1;
    return h->GetFeature(a);
  };

  m.ScheduleFault({FaultKind::kDroppedAnswer, 1, 0});
  ASSERT_TRUE(get());                                  // exchange 0
  ASSERT_TRUE(h->SetFeature(LongRequest({0x00})));  // exchange 1: a request, the drop waits
  EXPECT_FALSE(get());                                 // the next answer is dropped
  EXPECT_TRUE(get());
  EXPECT_EQ(m.FeatureExchanges(), 4u);

  m.ScheduleFault({FaultKind::kBusyForAWhile, 0, 3});
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(get());
    EXPECT_EQ(a[1], 0x80) << i;
  }
  ASSERT_TRUE(get());
  EXPECT_EQ(a[1] & 0x80, 0);

  m.ScheduleFault({FaultKind::kBusyForever, 2, 0});
  ASSERT_TRUE(get());
  ASSERT_TRUE(get());
  EXPECT_EQ(a[1] & 0x80, 0);
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(get());
    ASSERT_EQ(a[1], 0x80);
  }
  m.ClearFaults();
  ASSERT_TRUE(get());
  EXPECT_EQ(a[1] & 0x80, 0);

  m.ScheduleFault({FaultKind::kUnplugged, 0, 0});
  EXPECT_FALSE(get());
  EXPECT_TRUE(m.Unplugged());
  EXPECT_TRUE(backend.Enumerate().empty());
  m.ClearFaults();
  EXPECT_FALSE(m.Unplugged());
  EXPECT_TRUE(get());
}

TEST(VirtualClock, PausesAndInputTimeOutsCostNoRealTime) {
  SimHidBackend backend("level11");
  backend.SetVirtualClock(true);
  auto input = backend.Open("sim/0/if2");
  const auto real_start = std::chrono::steady_clock::now();
  const auto start = backend.Now();
  backend.Pause(400);
  std::vector<uint8_t> buf(64);
  EXPECT_EQ(input->ReadInput(buf, 600), 0);
  EXPECT_EQ(backend.Now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(backend.VirtualElapsed(), std::chrono::milliseconds(1000));
  EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::milliseconds(300));
  // A queued report is delivered at once, without advancing the clock.
  backend.Mouse(0).PressProfileButton(2);
  EXPECT_GT(input->ReadInput(buf, 600), 0);
  EXPECT_EQ(backend.VirtualElapsed(), std::chrono::milliseconds(1000));
  EXPECT_EQ(backend.TraceLines().front(), "P 400");
}

}  // namespace
}  // namespace halvric::sim
