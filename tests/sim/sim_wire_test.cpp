// The wire behaviour of the simulated mouse: interfaces, identification strings, framing and
// checksum checks, the busy bit, faults and the trace.

#include <gtest/gtest.h>
#include <string>
#include <thread>

#include "raw_exchange.h"
#include "sim/sim_hid_backend.h"

namespace halvric::sim {
namespace {

using test::Exchange;
using test::LongRequest;
using test::ShortRequest;

TEST(SimWire, InterfacesFollowTheReportSize) {
  SimHidBackend backend("level0, level11");
  const auto all = backend.Enumerate();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].path, "sim/0/if0");
  EXPECT_EQ(all[0].usage_page, 1);
  EXPECT_EQ(all[0].usage, 2);
  EXPECT_EQ(all[0].feature_report_length, 9);
  EXPECT_EQ(all[1].usage_page, 0xFF23);
  EXPECT_EQ(all[1].feature_report_length, 0);
  EXPECT_EQ(all[2].path, "sim/1/if0");
  EXPECT_EQ(all[2].feature_report_length, 0);
  EXPECT_EQ(all[3].path, "sim/1/if1");
  EXPECT_EQ(all[3].interface_number, 1);
  EXPECT_EQ(all[3].usage_page, 0xFF18);
  EXPECT_EQ(all[3].usage, 1);
  EXPECT_EQ(all[3].feature_report_length, 64);
  EXPECT_EQ(all[4].usage_page, 0xFF23);
  for (const auto& i : all) EXPECT_EQ(i.vendor_id, 0x0C45);

  EXPECT_THROW(SimHidBackend("level0,level99"), std::invalid_argument);
  EXPECT_EQ(SimHidBackend("").MouseCount(), 0u);
}

TEST(SimWire, IdentificationStrings) {
  SimHidBackend backend("level0,level5,level11");
  std::vector<uint8_t> s(512);

  auto h0 = backend.Open("sim/0/if0");
  ASSERT_TRUE(h0);
  ASSERT_TRUE(h0->IndexedString(199, s));
  EXPECT_EQ(std::string(s.begin() + 2, s.begin() + 5), "ARG");
  EXPECT_GT(s[5], 27);
  ASSERT_TRUE(h0->IndexedString(198, s));
  EXPECT_EQ(s[0], 1);   // type code
  EXPECT_EQ(s[1], 11);  // class
  EXPECT_FALSE(h0->IndexedString(7, s));

  auto h5 = backend.Open("sim/1/if1");
  ASSERT_TRUE(h5->IndexedString(199, s));
  EXPECT_EQ(std::string(s.begin() + 2, s.begin() + 4), "AG");
  EXPECT_EQ(s[4], 5);
  EXPECT_EQ(s[7], 11);
  EXPECT_EQ(s[8], 11);
  EXPECT_EQ(s[21], 1);

  auto h11 = backend.Open("sim/2/if1");
  ASSERT_TRUE(h11->IndexedString(199, s));
  EXPECT_EQ(s[4], 11);
  EXPECT_EQ(s[7], 19);
  EXPECT_EQ(s[11] & 0x40, 0x40);  // upgrade possible

  const auto lines = backend.TraceLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().rfind("T sim/0/if0 199 01 00 41 52 47 1e ", 0), 0u) << lines.front();
}

TEST(SimWire, ChecksumAndFramingAreChecked) {
  SimHidBackend backend("level0,level5");
  SimMouse& m0 = backend.Mouse(0);
  auto h = backend.Open("sim/0/if0");

  // Marker command with a wrong checksum: not executed, error answer visible after masking.
  auto bad = ShortRequest({0x00, 0x01, 0x15, 0, 0, 0, 0x12});
  bad[8] ^= 0xFF;
  auto ans = Exchange(*h, bad);
  ASSERT_EQ(ans.size(), 9u);
  EXPECT_EQ(ans[1] & 0x3F, 0x3F);
  EXPECT_EQ(ans[2], 1);
  EXPECT_EQ(ans[3], 0x00);
  EXPECT_EQ(m0.Marker(), 0);
  EXPECT_EQ(m0.RejectedRequests(), 1);

  // Command 9 carries data in byte 8, so any byte 8 is accepted.
  EXPECT_EQ(Exchange(*h, ShortRequest({0x09, 0, 1, 2, 3, 4, 5, 0xEE}, true))[1] & 0x3F, 0x09);
  EXPECT_EQ(m0.RejectedRequests(), 1);

  // Wrong report id or length: the transfer itself fails.
  auto wrong_id = ShortRequest({0x00, 0x00, 0, 0, 0, 0, 0x12});
  wrong_id[0] = 1;
  EXPECT_FALSE(h->SetFeature(wrong_id));
  EXPECT_FALSE(h->SetFeature(LongRequest({0x00})));

  // Unknown command.
  ans = Exchange(*h, ShortRequest({0x33, 0, 0, 0, 0, 0, 0x12}));
  EXPECT_EQ(ans[2], 2);

  auto h5 = backend.Open("sim/1/if1");
  auto long_bad = LongRequest({0x00, 0x01, 0x12, 0x15});
  long_bad[63] ^= 1;
  ans = Exchange(*h5, long_bad);
  EXPECT_EQ(ans[1] & 0x3F, 0x3F);
  EXPECT_EQ(ans[2], 1);
  EXPECT_TRUE(test::XorIsZero(ans, 1, 63));  // long answers carry their checksum
  EXPECT_EQ(backend.Mouse(1).Marker(), 0);

  // Feature transfers on interfaces without features fail.
  auto input = backend.Open("sim/1/if2");
  EXPECT_FALSE(input->SetFeature(LongRequest({0x00})));
}

TEST(SimWire, BusyPollsThenAnswerWithStatusBit) {
  SimHidBackend backend("level11");
  SimMouse& m = backend.Mouse(0);
  m.SetBusyPolls(3);
  auto h = backend.Open("sim/0/if1");
  ASSERT_TRUE(h->SetFeature(LongRequest({0x00})));
  std::vector<uint8_t> a(64);
  for (int i = 0; i < 3; ++i) {
    a[0] = 1;
    ASSERT_TRUE(h->GetFeature(a));
    EXPECT_EQ(a[1], 0x80) << i;
  }
  a[0] = 1;
  ASSERT_TRUE(h->GetFeature(a));
  EXPECT_EQ(a[1], 0x40);  // status request echoed (0) with status bit 6
  // Ready checks between requests see the idle answer again.
  ASSERT_TRUE(h->GetFeature(a));
  EXPECT_EQ(a[1] & 0x80, 0);

  m.SetStuckBusy(true);
  EXPECT_TRUE(Exchange(*h, LongRequest({0x00}), 500).empty());
  m.SetStuckBusy(false);
  EXPECT_FALSE(Exchange(*h, LongRequest({0x00})).empty());

  // Report id 0 is not this interface's report.
  std::vector<uint8_t> wrong(64, 0);
  EXPECT_FALSE(h->GetFeature(wrong));
}

TEST(SimWire, UnpluggedAndDroppedAndGarbage) {
  SimHidBackend backend("level0");
  SimMouse& m = backend.Mouse(0);
  auto h = backend.Open("sim/0/if0");
  auto input = backend.Open("sim/0/if1");
  ASSERT_TRUE(h && input);

  m.SetDropAnswers(true);
  EXPECT_TRUE(h->SetFeature(ShortRequest({0x00, 0x00, 0, 0, 0, 0, 0x12})));
  std::vector<uint8_t> a(9, 0);
  EXPECT_FALSE(h->GetFeature(a));
  m.SetDropAnswers(false);

  m.SetGarbageAnswers(true);
  bool differs = false;
  for (int i = 0; i < 4; ++i) {
    auto ans = Exchange(*h, ShortRequest({0x05, 0x00, 0, 0, 0, 0, 0x12}));
    ASSERT_EQ(ans.size(), 9u);
    if (ans[2] != 0x12) differs = true;  // memory byte 0 is 0x12
  }
  EXPECT_TRUE(differs);
  m.SetGarbageAnswers(false);

  m.UnplugAfterTransfers(2);
  EXPECT_TRUE(h->SetFeature(ShortRequest({0x00, 0x00, 0, 0, 0, 0, 0x12})));
  EXPECT_TRUE(h->GetFeature(a));
  EXPECT_FALSE(h->GetFeature(a));
  EXPECT_TRUE(m.Unplugged());
  EXPECT_EQ(input->ReadInput(a, 1000), -1);
  std::string why;
  EXPECT_EQ(backend.Open("sim/0/if0", &why), nullptr);
  EXPECT_EQ(why, "no such device");
  EXPECT_TRUE(backend.Enumerate().empty());

  m.SetUnplugged(false);
  EXPECT_NE(backend.Open("sim/0/if0"), nullptr);
  EXPECT_EQ(backend.Open("sim/7/if0"), nullptr);
}

TEST(SimWire, TraceLinesAndFile) {
  const std::string file = ::testing::TempDir() + "sim_trace_test.txt";
  std::remove(file.c_str());
  SimHidBackend backend("level0");
  backend.SetTraceFile(file);
  backend.Mouse(0).SetBusyPolls(1);
  {
    auto h = backend.Open("sim/0/if0");
    Exchange(*h, ShortRequest({0x00, 0x01, 0x15, 0, 0, 0, 0x12}));
    backend.Mouse(0).PressDpiButton(2);
    auto input = backend.Open("sim/0/if1");
    std::vector<uint8_t> r(64);
    EXPECT_EQ(input->ReadInput(r, 100), 16);
  }
  const auto lines = backend.TraceLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "S sim/0/if0 00 00 01 15 00 00 00 12 06");
  EXPECT_EQ(lines[1], "G sim/0/if0 00 80 00 00 00 00 00 00 00");
  EXPECT_EQ(lines[2], "G sim/0/if0 00 40 00 00 00 00 00 00 00");
  EXPECT_EQ(lines[3].rfind("I sim/0/if1 0b 0c 02 20 20 00 ", 0), 0u) << lines[3];
  EXPECT_EQ(lines[3].size(), std::string("I sim/0/if1 ").size() + 16 * 3 - 1);

  std::FILE* f = std::fopen(file.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buf[256];
  int n = 0;
  while (std::fgets(buf, sizeof buf, f) != nullptr) {
    if (n == 0) {
      EXPECT_STREQ(buf, "S sim/0/if0 00 00 01 15 00 00 00 12 06\n");
    }
    ++n;
  }
  std::fclose(f);
  EXPECT_EQ(n, 4);

  backend.ClearTrace();
  EXPECT_TRUE(backend.TraceLines().empty());
}

}  // namespace
}  // namespace halvric::sim

namespace halvric::sim {
namespace {

// Enumeration, exchanges, button presses and an input reader at once on one mouse: every report
// reaches the reader once and every exchange gets its own answer.
TEST(SimWire, ParallelUse) {
  SimHidBackend backend("level11");
  SimMouse& m = backend.Mouse(0);
  constexpr int kPresses = 200;
  int received = 0;
  std::thread reader([&] {
    auto input = backend.Open("sim/0/if2");
    std::vector<uint8_t> r(64);
    while (received < kPresses) {
      const int n = input->ReadInput(r, 1000);
      if (n <= 0) break;
      ++received;
    }
  });
  std::thread presser([&] {
    for (int i = 0; i < kPresses; ++i) m.PressDpiButton(i % 5);
  });
  std::thread exchanger([&] {
    for (int i = 0; i < 200; ++i) {
      backend.Enumerate();
      auto h = backend.Open("sim/0/if1");
      const auto addr = static_cast<uint8_t>(i);
      auto ans = test::Exchange(*h, test::LongRequest({0x02, addr, 0x10}));
      ASSERT_EQ(ans.size(), 64u);
      EXPECT_EQ(ans[1], 0x42);
    }
  });
  presser.join();
  exchanger.join();
  reader.join();
  EXPECT_EQ(received, kPresses);
}

}  // namespace
}  // namespace halvric::sim
