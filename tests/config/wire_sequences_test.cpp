// Wire-level checks of what the host sends, read back from the simulated mouse's wire trace:
// the identification sequences with their pauses, the marker echo, the write-guard wrappers, and
// what the strict simulated mice refuse. Addresses and bytes are written out as the mouse sees
// them.

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "config/backup_file.h"
#include "config/backup_restore.h"
#include "config/read_all.h"
#include "config/setting_changes.h"
#include "device/device_commands.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::ParseTrace;
using test::SimRig;
using test::WireEvent;

std::vector<uint8_t> Cmd(const WireEvent& e, size_t n) {
  return std::vector<uint8_t>(e.bytes.begin() + 1, e.bytes.begin() + 1 + static_cast<std::ptrdiff_t>(n));
}

// The pauses that follow the Set Feature at `at`, up to the next Set Feature.
std::vector<int> PausesAfter(const std::vector<WireEvent>& trace, size_t at) {
  std::vector<int> pauses;
  for (size_t i = at + 1; i < trace.size() && trace[i].kind != 'S'; ++i) {
    if (trace[i].kind == 'P') pauses.push_back(trace[i].pause_ms);
  }
  return pauses;
}

TEST(WireSequences, LevelZeroIdentification) {
  SimRig rig("level0");
  const auto trace = ParseTrace(rig.backend.TraceLines());
  std::vector<int> entries;
  bool status_seen = false, hello_seen = false;
  for (size_t i = 0; i < trace.size(); ++i) {
    const WireEvent& e = trace[i];
    if (e.kind != 'S') continue;
    if (Cmd(e, 7) == std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12}) {
      status_seen = true;
      // Delay 15: 2 ms after the send, the 15 ms delay, then (after the answer) 3 ms.
      const auto pauses = PausesAfter(trace, i);
      ASSERT_GE(pauses.size(), 3u);
      EXPECT_EQ(pauses[0], 2);
      EXPECT_EQ(pauses[1], 15);
      EXPECT_EQ(pauses.back(), 3);
    }
    if (e.bytes[1] == 0x00 && e.bytes[2] == 0x02 && e.bytes[3] == 0x04) {
      entries.push_back(e.bytes[4]);
      // Delay 0: no pause of its own, only the 1 ms steps of polling a busy mouse.
      for (int p : PausesAfter(trace, i)) EXPECT_EQ(p, 1);
    }
    if (Cmd(e, 7) == std::vector<uint8_t>{0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x12}) hello_seen = true;
  }
  EXPECT_TRUE(status_seen);
  EXPECT_TRUE(hello_seen);
  std::vector<int> expected;
  for (int i = 0; i < 16; ++i) expected.push_back(i);
  EXPECT_EQ(entries, expected);
}

TEST(WireSequences, LongIdentificationReadsTheRecordOrTheEntries) {
  SimRig rig("level5,level11");
  const auto trace = ParseTrace(rig.backend.TraceLines());
  std::vector<int> words, entries;
  for (size_t i = 0; i < trace.size(); ++i) {
    const WireEvent& e = trace[i];
    if (e.kind != 'S') continue;
    if (e.path == "sim/0/if1" && Cmd(e, 3) == std::vector<uint8_t>{0x01, 0x00, 0x01}) words.push_back(e.bytes[4]);
    if (e.path == "sim/1/if1" && e.bytes[1] == 0x0A && e.bytes[3] == 0x01) entries.push_back(e.bytes[2]);
    // Wake with delay 0, then 12 ms before 01 06 02 02.
    if (Cmd(e, 3) == std::vector<uint8_t>{0x00, 0x12, 0x12} && i + 1 < trace.size()) {
      const auto pauses = PausesAfter(trace, i);
      ASSERT_FALSE(pauses.empty());
      EXPECT_EQ(pauses.back(), 12) << e.path;
    }
  }
  EXPECT_EQ(words, (std::vector<int>{0, 30, 60, 90, 120}));
  std::vector<int> expected;
  for (int i = 0; i < 32; ++i) expected.push_back(i);
  EXPECT_EQ(entries, expected);
}

// A mouse that echoes the marker late is asked again until it does.
TEST(WireSequences, TheMarkerIsSentAgainUntilItIsEchoed) {
  for (const char* model : {"level0", "level5", "level11"}) {
    SimRig rig(model);
    rig.backend.ClearTrace();
    // Four answers come late: the first attempt or two read no echo.
    rig.backend.Mouse(0).SetStaleAnswers(4);
    ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true)) << model;
    int markers = 0;
    for (const auto& e : rig.SendsSinceClear()) {
      const bool level0 = e.bytes.size() == 9;
      if (level0 ? Cmd(e, 3) == std::vector<uint8_t>{0x00, 0x01, 0x15}
                 : Cmd(e, 4) == std::vector<uint8_t>{0x00, 0x01, 0x12, 0x15}) {
        ++markers;
      }
    }
    EXPECT_GT(markers, 1) << model;
    EXPECT_EQ(rig.backend.Mouse(0).Marker(), 0x15) << model;
  }
}

// Levels 1-10: every write-guarded command goes out between two Wakes when the guard is closed;
// the strict mouse refuses it otherwise.
TEST(WireSequences, GuardedCommandsGoOutBetweenWakes) {
  SimRig rig("level5-strict");
  sim::SimMouse& mouse = rig.backend.Mouse(0);
  const Mouse m = MouseAt(*rig.dev, rig.PathOf(0));
  if (mouse.WriteGuardOpen()) {
    ASSERT_TRUE(Wake(m));
  }
  ASSERT_FALSE(mouse.WriteGuardOpen());
  const std::vector<uint8_t> wake{0x00, 0x12, 0x12};
  const std::vector<std::pair<const char*, std::function<bool()>>> commands = {
      {"profile stored", [&] { return SelectProfileStored(m, 2); }},
      {"profile live", [&] { return SelectProfileLive(m, 3); }},
      {"LED mode", [&] { return SetLedMode(m, 2); }},
      {"angle snapping", [&] { return SetFlagBit(m, 1); }},
  };
  for (const auto& [name, send] : commands) {
    rig.backend.ClearTrace();
    ASSERT_TRUE(send()) << name;
    const auto s = rig.SendsSinceClear();
    // ... status request, Wake, the guarded exchanges, Wake (the LED mode's memory write goes
    // before the wrapper).
    size_t status = s.size();
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      if (Cmd(s[i], 3) == std::vector<uint8_t>{0x00, 0x00, 0x00} && Cmd(s[i + 1], 3) == wake) status = i;
    }
    ASSERT_LT(status + 2, s.size()) << name;
    EXPECT_EQ(Cmd(s.back(), 3), wake) << name;
    for (size_t i = status + 2; i + 1 < s.size(); ++i) EXPECT_NE(Cmd(s[i], 3), wake) << name;
    EXPECT_FALSE(mouse.WriteGuardOpen()) << name;
  }
  EXPECT_EQ(mouse.ActiveProfile(), 2);  // the live choice went with the reload of the last Commit
  EXPECT_EQ(mouse.LedMode(), 2);
  EXPECT_EQ(mouse.RejectedRequests(), 0);

  // Sent on its own with the guard closed, the strict mouse refuses it and the host sees it.
  Report bare{0x01, 0x07, 0x02, 0x01};
  EXPECT_FALSE(rig.dev->DeviceTransfer(rig.PathOf(0), bare, nullptr, -1));
  EXPECT_EQ(mouse.RejectedRequests(), 1);
  EXPECT_EQ(mouse.ActiveProfile(), 2);
}

// Strict mice take writes below address 32 only at the bytes a command writes.
TEST(WireSequences, StrictMiceRefuseInventedLowMemoryWrites) {
  SimRig rig("level0-strict,level5-strict,level11-strict");
  struct Case {
    size_t mouse;
    // DPI pairs, settings byte, LED mode, level 0's profile byte and profile record 0, level 11's
    // DPI state and profile enable bits.
    std::vector<uint32_t> allowed;
    std::vector<uint32_t> refused;
  };
  const std::vector<Case> cases = {
      {0, {4, 13, 15, 2, 16, 31}, {0, 3, 14}},
      {1, {3, 12, 14, 17}, {0, 1, 2, 15}},
      {2, {3, 12, 14, 17, 2, 15}, {0, 1, 13, 31}},
  };
  for (const Case& c : cases) {
    const Mouse m = MouseAt(*rig.dev, rig.PathOf(c.mouse));
    sim::SimMouse& mouse = rig.backend.Mouse(c.mouse);
    for (uint32_t a : c.allowed) {
      EXPECT_TRUE(WriteMemoryByte(m, a, 0x01)) << c.mouse << " @" << a;
      EXPECT_EQ(mouse.ReadMemory(a, 1)[0], 0x01) << c.mouse << " @" << a;
    }
    EXPECT_EQ(mouse.RejectedRequests(), 0) << c.mouse;
    for (uint32_t a : c.refused) {
      const uint8_t before = mouse.ReadMemory(a, 1)[0];
      EXPECT_FALSE(WriteMemoryByte(m, a, static_cast<uint8_t>(before ^ 0x5A))) << c.mouse << " @" << a;
      EXPECT_EQ(mouse.ReadMemory(a, 1)[0], before) << c.mouse << " @" << a;
    }
    EXPECT_EQ(mouse.RejectedRequests(), static_cast<int>(c.refused.size())) << c.mouse;
    // A write of the whole low area (the reset, a restore) may change everything.
    const std::vector<uint8_t> low(32, 0x12);
    EXPECT_TRUE(WriteMemory(m, 0, low)) << c.mouse;
    EXPECT_EQ(mouse.ReadMemory(0, 32), low) << c.mouse;
  }
}

// The status request's positions other than the host's are decoys: the DPI state comes from
// byte 8 (levels 1-10) or 15 (level 11) of GetStatus, and from memory byte 2 on level 11.
TEST(WireSequences, TheDpiStateComesFromTheStatedStatusPosition) {
  for (const char* model : {"level5", "level11"}) {
    SimRig rig(model);
    ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
    sim::SimMouse& mouse = rig.backend.Mouse(0);
    mouse.PressDpiButton(2);
    const StatusValues st = GetStatus(MouseAt(*rig.dev, rig.PathOf(0)));
    ASSERT_TRUE(st.ok);
    const uint8_t state = static_cast<uint8_t>(2 | (mouse.DpiMask() << 3));
    EXPECT_EQ(st.values[0], state) << model;
    EXPECT_NE(st.raw[2], state) << model;
    EXPECT_NE(st.raw[8] == state, st.raw[15] == state) << model << ": exactly one position holds it";
    WorkingCopy wc;
    ASSERT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
    EXPECT_EQ(wc.dpi_level, 2) << model;
    EXPECT_EQ(wc.dpi_mask, mouse.DpiMask()) << model;
  }
}

// Level 11: the DPI button skips the levels the enable mask in memory byte 2 turns off.
TEST(WireSequences, LevelElevenDpiButtonSkipsDisabledLevels) {
  SimRig rig("level11");
  sim::SimMouse& mouse = rig.backend.Mouse(0);
  mouse.WriteMemory(2, std::vector<uint8_t>{static_cast<uint8_t>(0 | (0b10011 << 3))});  // levels 0, 1, 4
  mouse.PressDpiButton(2);
  EXPECT_EQ(mouse.DpiLevel(), 4);
  EXPECT_EQ(mouse.ReadMemory(2, 1)[0], 4 | (0b10011 << 3));
  mouse.PressDpiButton(1);
  EXPECT_EQ(mouse.DpiLevel(), 1);
}

// A restore of an image smaller than the mouse's memory writes exactly the image's bytes, in
// 32-byte steps from address 0, and nothing beyond.
TEST(WireSequences, ARestoreOfASmallerImageWritesOnlyItsBytes) {
  SimRig rig("level11-strict");
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
  const std::string file = test::TempPath("small") + ".bf";
  const std::string data = test::TempPath("data");
  std::vector<uint8_t> image = rig.backend.Mouse(0).ReadMemory(0, 4000);
  for (size_t a = 2000; a < image.size(); ++a) image[a] = static_cast<uint8_t>(a * 7);
  ASSERT_TRUE(WriteBackupFile(file, image));
  const std::vector<uint8_t> tail_before = rig.backend.Mouse(0).ReadMemory(4000, 200);
  rig.backend.ClearTrace();
  WorkingCopy wc;
  const BackupResult r = Restore(*rig.dev, wc, file, data);
  EXPECT_TRUE(r.ok()) << r.message;
  uint32_t next = 0;
  for (const auto& e : rig.SendsSinceClear()) {
    if (e.bytes[1] != 0x03) continue;
    const uint32_t address = e.bytes[2] | (e.bytes[3] << 8);
    const uint32_t length = e.bytes[4];
    if (address != next) continue;  // later single-byte writes (the LED mode) are no image steps
    EXPECT_EQ(length, std::min<uint32_t>(32, 4000 - address)) << address;
    next = address + length;
  }
  EXPECT_EQ(next, 4000u);
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(2000, 2000), std::vector<uint8_t>(image.begin() + 2000, image.end()));
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(4000, 200), tail_before);
  EXPECT_EQ(rig.backend.Mouse(0).RejectedRequests(), 0);
  std::filesystem::remove(file);
  std::filesystem::remove_all(data);
}

}  // namespace
}  // namespace halvric
