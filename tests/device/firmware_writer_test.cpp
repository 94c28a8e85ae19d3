#include "device/firmware_writer.h"

#include <gtest/gtest.h>
#include <mutex>
#include <regex>

#include "device/hex_records.h"
#include "device/vendor_input_interface.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using Clock = std::chrono::steady_clock;

// What the callbacks saw, filled on the write thread and read after Wait().
struct Seen {
  std::mutex mutex;
  std::vector<std::string> messages;
  std::vector<UpgradeProgress> progress;
  int acks = 0;
};

UpgradeWriteOptions Watch(Seen& seen, bool enter_isp = true) {
  UpgradeWriteOptions o;
  o.enter_isp = enter_isp;
  o.on_message = [&seen](const std::string& m) {
    std::lock_guard g(seen.mutex);
    seen.messages.push_back(m);
  };
  o.on_progress = [&seen](const UpgradeProgress& p) {
    std::lock_guard g(seen.mutex);
    seen.progress.push_back(p);
  };
  o.on_ack = [&seen](int, const UpgradeAck&) {
    std::lock_guard g(seen.mutex);
    ++seen.acks;
  };
  return o;
}

FirmwareImage NoiseImage(uint32_t end) { return ParseIntelHex(test::HexFile(0, test::NoiseBytes(end, end))).value(); }

struct WriterRig : test::SimRig {
  explicit WriterRig(const std::string& model = "level11") : SimRig(model), writer(*dev) {}
  sim::SimMouse& mouse() { return backend.Mouse(0); }
  FirmwareWriter writer;  // declared last: stopped before the rig goes
};

TEST(FirmwareWriter, WritesTheImageIntoTheMouse) {
  WriterRig rig;
  const FirmwareImage image = NoiseImage(700);
  rig.mouse().NackNextIspWrites(2);  // the opening mark and the first piece are refused once
  Seen seen;
  std::string error;
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), image, Watch(seen), &error)) << error;
  EXPECT_TRUE(rig.writer.Writing());
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kCompleted);
  EXPECT_FALSE(rig.writer.Writing());

  const size_t pieces = PlanUpgradePieces(700).size();
  ASSERT_EQ(seen.messages.size(), 1u);
  EXPECT_TRUE(std::regex_match(seen.messages[0], std::regex("count " + std::to_string(pieces) + ", [0-9]+ms \\(err count=1\\)")))
      << seen.messages[0];
  // Each piece was announced once, plus the resend of the refused one.
  EXPECT_EQ(seen.progress.size(), pieces + 1);
  EXPECT_EQ(FormatProgressLine(seen.progress[0]), "0008, 20   ,24 (err count=0)");
  EXPECT_EQ(seen.progress[1].errors, 1);

  // The flash holds the image from 8 on, except the holes (never written) and 250-251 (sent as 0).
  std::vector<uint8_t> expect(image.bytes.begin(), image.bytes.begin() + 700);
  const std::vector<uint8_t> flash = rig.mouse().Flash(0, 700);
  for (uint32_t a : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 216u, 217u, 218u, 219u, 248u, 249u}) expect[a] = 0xFF;
  expect[250] = expect[251] = 0;
  EXPECT_EQ(flash, expect);
  EXPECT_EQ(rig.mouse().Flash(kUpgradeMarkAddress, 4), (std::vector<uint8_t>{0x05, 0x03, 0x18, 0x12}));
  EXPECT_FALSE(rig.mouse().IspActive());  // restarted at the end
  EXPECT_GE(seen.acks, static_cast<int>(pieces) + 2);
}

TEST(FirmwareWriter, MouseThatNeverAcknowledgesGivesWriteError) {
  WriterRig rig;
  Seen seen;
  UpgradeWriteOptions o = Watch(seen, /*enter_isp=*/false);  // not in programming mode: no answers
  o.timings.open_wait = std::chrono::milliseconds(150);
  rig.backend.ClearTrace();
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(100), o));
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed);
  EXPECT_EQ(seen.messages, std::vector<std::string>{kUpgradeWriteError});
  EXPECT_TRUE(seen.progress.empty());
  EXPECT_EQ(rig.SendsSinceClear().size(), 1u);  // the opening mark and nothing else
}

TEST(FirmwareWriter, AbortEndsAfterTheCurrentPiece) {
  WriterRig rig;
  Seen seen;
  UpgradeWriteOptions o = Watch(seen);
  FirmwareWriter* writer = &rig.writer;
  o.on_progress = [&seen, writer](const UpgradeProgress& p) {
    if (p.pieces_done == 5) writer->Abort();
    std::lock_guard g(seen.mutex);
    seen.progress.push_back(p);
  };
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(2000), o));
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kAborted);
  EXPECT_EQ(seen.messages, std::vector<std::string>{kUpgradeAbortMessage});
  EXPECT_LE(rig.mouse().IspWriteCount(), 7);  // opening mark + at most six pieces
  EXPECT_TRUE(rig.mouse().IspActive());       // no closing mark, no restart
  EXPECT_EQ(rig.mouse().Flash(kUpgradeMarkAddress, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(FirmwareWriter, MouseUnpluggedMidWriteEndsQuickly) {
  WriterRig rig;
  Seen seen;
  rig.mouse().UnplugAfterTransfers(12);
  const auto start = Clock::now();
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(2000), Watch(seen)));
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(seen.messages, std::vector<std::string>{kUpgradeWriteError});
  EXPECT_FALSE(seen.progress.empty());
}

TEST(FirmwareWriter, RefusalsBeforeAnythingIsSent) {
  WriterRig rig;
  std::string error;
  EXPECT_FALSE(rig.writer.Start(rig.PathOf(0), FirmwareImage{}, {}, &error));
  EXPECT_NE(error.find("nothing to write"), std::string::npos);

  // A failed automatic backup stops the write before the mouse is touched.
  Seen seen;
  UpgradeWriteOptions backup = Watch(seen);
  backup.auto_backup = [] { return false; };
  rig.backend.ClearTrace();
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(100), backup));
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed);
  EXPECT_EQ(seen.messages, std::vector<std::string>{kUpgradeBackupError});
  EXPECT_TRUE(rig.SendsSinceClear().empty());

  UpgradeWriteOptions slow;
  slow.timings.open_wait = std::chrono::milliseconds(300);
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(100), slow));
  EXPECT_FALSE(rig.writer.Start(rig.PathOf(0), NoiseImage(100), {}, &error));
  EXPECT_NE(error.find("already running"), std::string::npos);
  // Destroying the rig aborts and joins the running write.
}

TEST(UpgradeAcknowledgement, InputInterfaceAndReportChecks) {
  test::SimRig rig("level0,level11,level11");
  EXPECT_EQ(FindVendorInputInterface(rig.backend, rig.PathOf(2)), "sim/2/if2");
  EXPECT_EQ(FindVendorInputInterface(rig.backend, rig.PathOf(1)), "sim/1/if2");
  EXPECT_EQ(FindVendorInputInterface(rig.backend, rig.PathOf(0)), "sim/0/if1");
  EXPECT_FALSE(FindVendorInputInterface(rig.backend, "sim/9/if1"));

  std::vector<uint8_t> r(64, 0);
  r[0] = 1, r[1] = 0x13, r[2] = 0x13, r[3] = 24, r[4] = 0x34, r[5] = 0x12, r[7] = 0;
  r[63] = 0x13 ^ 0x13 ^ 24 ^ 0x34 ^ 0x12;
  const auto ack = ParseUpgradeAck(r);
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->address, 0x1234u);
  EXPECT_EQ(FormatAckLine(3, *ack), "[3] return addr=1234, flag=00");
  r[63] ^= 1;
  EXPECT_FALSE(ParseUpgradeAck(r));
  EXPECT_FALSE(ParseUpgradeAck(std::span(r).first(10)));
}


// Vendor input reports arrive on both vendor pages: a mouse that acknowledges on its 0xFF18
// configuration interface is written as well as one that uses 0xFF23.
TEST(FirmwareWriter, AcknowledgementsOnTheConfigurationInterface) {
  WriterRig rig("level11-ff18");
  Seen seen;
  UpgradeWriteOptions o = Watch(seen);
  o.timings.open_wait = std::chrono::milliseconds(300);
  o.max_piece_retries = 3;
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(300), o));
  EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kCompleted) << (seen.messages.empty() ? "" : seen.messages[0]);
  const FirmwareImage image = NoiseImage(300);
  EXPECT_EQ(rig.mouse().Flash(280, 20), std::vector<uint8_t>(image.bytes.begin() + 280, image.bytes.begin() + 300));
  EXPECT_FALSE(rig.mouse().IspActive());
  bool acked_on_config = false;
  for (const auto& e : test::ParseTrace(rig.backend.TraceLines())) {
    if (e.kind == 'I' && e.path == rig.PathOf(0) && e.bytes.size() > 2 && e.bytes[1] == 0x13) acked_on_config = true;
  }
  EXPECT_TRUE(acked_on_config);
}

// An acknowledgement with status 0 for another address is no acknowledgement of the piece: the
// same piece goes out again.
TEST(FirmwareWriter, AnAcknowledgementForAnotherAddressIsResent) {
  WriterRig rig;
  Seen seen;
  UpgradeWriteOptions o = Watch(seen);
  sim::SimMouse* mouse = &rig.mouse();
  o.on_progress = [mouse](const UpgradeProgress& p) {
    if (p.pieces_done == 2 && p.errors == 0) mouse->AckIspWritesElsewhere(1);
  };
  rig.backend.ClearTrace();
  ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(200), o));
  ASSERT_EQ(rig.writer.Wait(), UpgradeOutcome::kCompleted);
  EXPECT_TRUE(std::regex_search(seen.messages.at(0), std::regex("err count=1\\)$"))) << seen.messages[0];
  // Pieces as sent: 8, 32, 56 (answered for 80), 56 again, 80, ...
  std::vector<uint32_t> addresses;
  for (const auto& e : rig.SendsSinceClear()) {
    if (e.bytes[1] == 0x19 && e.bytes[4] == 0x02) addresses.push_back(e.bytes[5] | (e.bytes[6] << 8));
  }
  ASSERT_GE(addresses.size(), 6u);
  EXPECT_EQ(std::vector<uint32_t>(addresses.begin(), addresses.begin() + 6),
            (std::vector<uint32_t>{0x5FFC, 8, 32, 56, 56, 80}));
  const FirmwareImage image = NoiseImage(200);
  EXPECT_EQ(rig.mouse().Flash(56, 24), std::vector<uint8_t>(image.bytes.begin() + 56, image.bytes.begin() + 80));
}

// After a failure the mouse leaves programming mode only when it took nothing of the image.
TEST(FirmwareWriter, LeavesProgrammingModeOnlyWhenNothingWasTaken) {
  {
    WriterRig rig;
    rig.mouse().SetIspSilent(true);  // enters programming mode but takes no write
    Seen seen;
    UpgradeWriteOptions o = Watch(seen);
    o.leave_isp_when_untouched = true;
    o.timings.open_wait = std::chrono::milliseconds(150);
    rig.backend.ClearTrace();
    ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(300), o));
    EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed);
    EXPECT_EQ(rig.writer.IspState(), IspAfterWrite::kLeft);
    EXPECT_FALSE(rig.mouse().IspActive());
    const auto sends = rig.SendsSinceClear();
    ASSERT_FALSE(sends.empty());
    EXPECT_EQ(std::vector<uint8_t>(sends.back().bytes.begin() + 1, sends.back().bytes.begin() + 5),
              (std::vector<uint8_t>{0x19, 0x12, 0x12, 0x00}));
  }
  {
    // Refused half-way: it stays in programming mode, and ExitIsp is never sent.
    WriterRig rig;
    rig.mouse().NackIspWritesAfter(4, 1000);
    Seen seen;
    UpgradeWriteOptions o = Watch(seen);
    o.leave_isp_when_untouched = true;
    o.max_piece_retries = 5;
    rig.backend.ClearTrace();
    ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(600), o));
    EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed);
    EXPECT_EQ(rig.writer.IspState(), IspAfterWrite::kStays);
    EXPECT_TRUE(rig.mouse().IspActive());
    for (const auto& e : rig.SendsSinceClear()) EXPECT_FALSE(e.bytes[1] == 0x19 && e.bytes[4] == 0x00);
  }
  {
    // Aborted after the opening mark was taken: it stays too.
    WriterRig rig;
    Seen seen;
    UpgradeWriteOptions o = Watch(seen);
    o.leave_isp_when_untouched = true;
    FirmwareWriter* writer = &rig.writer;
    o.on_progress = [writer](const UpgradeProgress&) { writer->Abort(); };
    ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(600), o));
    EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kAborted);
    EXPECT_EQ(rig.writer.IspState(), IspAfterWrite::kStays);
    EXPECT_TRUE(rig.mouse().IspActive());
  }
  // The mouse stops answering while it is being put into programming mode: it may have entered
  // it, so it is never reported as having left.
  int entered = 0;
  for (uint64_t k = 0; k < 8; ++k) {
    WriterRig rig;
    rig.backend.SetVirtualClock(true);
    rig.mouse().ScheduleFault({sim::FaultKind::kBusyForever, k, 0});
    Seen seen;
    UpgradeWriteOptions o = Watch(seen);
    o.leave_isp_when_untouched = true;
    ASSERT_TRUE(rig.writer.Start(rig.PathOf(0), NoiseImage(300), o));
    EXPECT_EQ(rig.writer.Wait(), UpgradeOutcome::kFailed) << "stuck at " << k;
    EXPECT_NE(rig.writer.IspState(), IspAfterWrite::kLeft) << "stuck at " << k;
    if (rig.mouse().IspActive()) {
      ++entered;
      EXPECT_EQ(rig.writer.IspState(), IspAfterWrite::kStays) << "stuck at " << k;
    }
  }
  EXPECT_GT(entered, 0);
}

}  // namespace
}  // namespace halvric
