#include "device/device_commands.h"

#include <gtest/gtest.h>
#include <numeric>

#include "device/memory_size.h"
#include "support/sim_fixture.h"
#include "support/literal_addresses.h"

namespace halvric {
namespace {

using test::SimRig;
using test::WireEvent;

std::vector<uint8_t> Ramp(size_t n, uint8_t first = 1) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

std::vector<WireEvent> WithCommand(const std::vector<WireEvent>& events, std::initializer_list<uint8_t> head) {
  std::vector<WireEvent> out;
  for (const auto& e : events) {
    bool match = e.bytes.size() > head.size();
    size_t i = 1;
    for (uint8_t b : head) match = match && e.bytes[i++] == b;
    if (match) out.push_back(e);
  }
  return out;
}

TEST(MemoryWrite, LongWritesAreCutIntoChunksOf32) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  rig.backend.ClearTrace();
  const auto data = Ramp(33);
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, path), 0x400, data));
  const auto writes = WithCommand(rig.SendsSinceClear(), {0x03});
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes[2] | (writes[0].bytes[3] << 8), 0x400);
  EXPECT_EQ(writes[0].bytes[4], 32);
  EXPECT_EQ(writes[1].bytes[2] | (writes[1].bytes[3] << 8), 0x420);
  EXPECT_EQ(writes[1].bytes[4], 1);
  EXPECT_EQ(writes[1].bytes[5], 33);
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0x400, 33), data);

  rig.backend.ClearTrace();
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, path), 0x500, Ramp(31)));
  EXPECT_EQ(WithCommand(rig.SendsSinceClear(), {0x03}).size(), 1u);
  EXPECT_FALSE(WriteMemory(MouseAt(*rig.dev, path), 0x500, {})) << "an empty write is refused";
}

TEST(MemoryWrite, GroupedLongWritesCarryTheirAddressAfterTheGroupByte) {
  SimRig rig("level5");
  rig.backend.ClearTrace();
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, rig.PathOf(0)), 0x300, Ramp(4, 0x50)));
  const auto writes = WithCommand(rig.SendsSinceClear(), {0x01, 0x03});
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes[3], 0x00);
  EXPECT_EQ(writes[0].bytes[4], 0x03);
  EXPECT_EQ(writes[0].bytes[5], 4);
  EXPECT_EQ(writes[0].bytes[6], 0x50);
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0x300, 4), Ramp(4, 0x50));
}

TEST(MemoryWrite, ShortWritesGoInSixBytePiecesThenOneCommit) {
  SimRig rig("level0");
  const std::string path = rig.PathOf(0);
  rig.backend.ClearTrace();
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, path), 0x123, Ramp(6)));
  auto sends = rig.SendsSinceClear();
  auto pieces = WithCommand(sends, {0x09});
  auto commits = WithCommand(sends, {0x05, 0x02});
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].bytes[2], 0);
  ASSERT_EQ(commits.size(), 1u);
  EXPECT_EQ(commits[0].bytes[3], 0x23);
  EXPECT_EQ(commits[0].bytes[4], 0x01);
  EXPECT_EQ(commits[0].bytes[5], 0x00);
  EXPECT_EQ(commits[0].bytes[6], 6);
  EXPECT_EQ(commits[0].bytes[8], 0x23 ^ 0x01 ^ 6 ^ 0x15) << "checksum of the commit";

  rig.backend.ClearTrace();
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, path), 0x200, Ramp(7)));
  pieces = WithCommand(rig.SendsSinceClear(), {0x09});
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[1].bytes[2], 6);
  EXPECT_EQ(pieces[1].bytes[3], 7);
  for (int i = 4; i <= 8; ++i) EXPECT_EQ(pieces[1].bytes[i], 0) << i;
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(0x200, 7), Ramp(7));
}

TEST(MemoryRead, ShortReadsComeInStepsOfSeven) {
  SimRig rig("level0");
  const std::string path = rig.PathOf(0);
  rig.backend.Mouse(0).WriteMemory(0x300, Ramp(16, 0x30));
  rig.backend.ClearTrace();
  std::vector<uint8_t> buf(10, 0xEE);
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x300, buf, false));
  const auto reads = WithCommand(rig.SendsSinceClear(), {0x05, 0x00});
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].bytes[3], 0x00);
  EXPECT_EQ(reads[1].bytes[3], 0x07);
  EXPECT_EQ(buf, Ramp(10, 0x30));
}

TEST(MemoryRead, TheMirrorServesRepeatsButNeverTheVolatileLowBytes) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  ASSERT_TRUE(rig.dev->SelectDevice(path, true));
  std::vector<uint8_t> a(100), b(100);
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x600, a, true));
  rig.backend.ClearTrace();
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x600, b, true));
  EXPECT_EQ(a, b);
  EXPECT_TRUE(rig.SendsSinceClear().empty());
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x600, b, false));
  EXPECT_EQ(WithCommand(rig.SendsSinceClear(), {0x02}).size(), 2u) << "no-cache reads go to the mouse";

  std::vector<uint8_t> low(32);
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0, low, true));
  rig.backend.ClearTrace();
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0, low, true));
  EXPECT_EQ(WithCommand(rig.SendsSinceClear(), {0x02}).size(), 1u);

  // A write lands in the mirror too.
  ASSERT_TRUE(WriteMemory(MouseAt(*rig.dev, path), 0x600, Ramp(3, 0xA0)));
  rig.backend.ClearTrace();
  ASSERT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x600, b, true));
  EXPECT_EQ(b[0], 0xA0);
  EXPECT_TRUE(rig.SendsSinceClear().empty());
}

TEST(Settings, StoreDpiLevelClampsTheLevel) {
  SimRig rig("level11,level0");
  ASSERT_TRUE(StoreDpiLevel(MouseAt(*rig.dev, rig.PathOf(0)), 7, 0x20, 0x21));
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(3 + 2 * 4, 2), (std::vector<uint8_t>{0x20, 0x21}));
  ASSERT_TRUE(StoreDpiLevel(MouseAt(*rig.dev, rig.PathOf(1)), 2, 0x30, 0x31));
  EXPECT_EQ(rig.backend.Mouse(1).ReadMemory(4 + 2 * 2, 2), (std::vector<uint8_t>{0x30, 0x31}));
}

TEST(Settings, EncodingsPerProtocolLevel) {
  SimRig rig("level0,level5,level11");
  rig.backend.ClearTrace();
  ASSERT_TRUE(ApplyDpiLevel(MouseAt(*rig.dev, rig.PathOf(0)), 2, 0x10, 0x11));
  ASSERT_TRUE(ApplyDpiLevel(MouseAt(*rig.dev, rig.PathOf(1)), 2, 0x10, 0x11));
  ASSERT_TRUE(ApplyDpiLevel(MouseAt(*rig.dev, rig.PathOf(2)), 2, 0x10, 0x11));
  auto s = rig.SendsSinceClear();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(std::vector<uint8_t>(s[0].bytes.begin() + 1, s[0].bytes.begin() + 8),
            (std::vector<uint8_t>{0x04, 0x01, 2, 0x10, 0x11, 0x00, 0x12}));
  EXPECT_EQ(std::vector<uint8_t>(s[1].bytes.begin() + 1, s[1].bytes.begin() + 6),
            (std::vector<uint8_t>{0x01, 0x07, 0x01, 0x10, 0x11}));
  EXPECT_EQ(std::vector<uint8_t>(s[2].bytes.begin() + 1, s[2].bytes.begin() + 4),
            (std::vector<uint8_t>{0x10, 0x10, 0x11}));

  // Selecting a profile changes the live state of every kind of mouse.
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(SelectProfileStored(MouseAt(*rig.dev, rig.PathOf(i)), 3)) << i;
    EXPECT_EQ(rig.backend.Mouse(i).ActiveProfile(), 3) << i;
    ASSERT_TRUE(SelectProfileLive(MouseAt(*rig.dev, rig.PathOf(i)), 1)) << i;
    EXPECT_EQ(rig.backend.Mouse(i).ActiveProfile(), 1) << i;
  }
  EXPECT_EQ(rig.backend.Mouse(0).ReadMemory(2, 1)[0], 3) << "the short mouse records the profile";
}

TEST(Settings, WriteGuardWrapsLevelOneToTenSettings) {
  SimRig rig("level5");
  // Each wake toggles the guard: bring it to the locked state first.
  if (rig.backend.Mouse(0).WriteGuardOpen()) {
    ASSERT_TRUE(Wake(MouseAt(*rig.dev, rig.PathOf(0))));
  }
  ASSERT_FALSE(rig.backend.Mouse(0).WriteGuardOpen());
  rig.backend.ClearTrace();
  ASSERT_TRUE(SelectProfileLive(MouseAt(*rig.dev, rig.PathOf(0)), 2));
  auto s = rig.SendsSinceClear();
  // status request, wake, setting, wake
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].bytes[1], 0x00);
  EXPECT_EQ(s[0].bytes[2], 0x00);
  EXPECT_EQ(s[1].bytes[2], 0x12);
  EXPECT_EQ(s[2].bytes[2], 0x07);
  EXPECT_EQ(s[3].bytes[2], 0x12);
  EXPECT_EQ(rig.backend.Mouse(0).ActiveProfile(), 2);

  // With the guard open the setting goes alone after the status request.
  ASSERT_TRUE(Wake(MouseAt(*rig.dev, rig.PathOf(0))));
  rig.backend.ClearTrace();
  ASSERT_TRUE(SelectProfileLive(MouseAt(*rig.dev, rig.PathOf(0)), 4));
  s = rig.SendsSinceClear();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1].bytes[2], 0x07);
}

TEST(Settings, ReadModifyWriteOfTheSettingsByte) {
  SimRig rig("level11,level0");
  for (size_t i = 0; i < 2; ++i) {
    const std::string path = rig.PathOf(i);
    const uint32_t addr = rig.dev->Map(path).settings_byte;
    rig.backend.Mouse(i).WriteMemory(addr, std::vector<uint8_t>{0x8B});
    ASSERT_TRUE(SetRateBits(MouseAt(*rig.dev, path), 5));
    EXPECT_EQ(rig.backend.Mouse(i).ReadMemory(addr, 1)[0], 0x8B | 0x50) << i;
    ASSERT_TRUE(SetFlagBit(MouseAt(*rig.dev, path), 0));
    EXPECT_EQ(rig.backend.Mouse(i).ReadMemory(addr, 1)[0], 0xDA) << i;
  }
}

TEST(Buttons, AssignmentsLandInTheFourPlanes) {
  SimRig rig("level0,level5,level11");
  const std::array<uint8_t, 4> fn = {0x07, 0x11, 0x22, 0x00};
  for (size_t i = 0; i < 3; ++i) {
    const std::string path = rig.PathOf(i);
    const int level = rig.dev->ProtocolLevel(path);
    ASSERT_TRUE(WriteButtonAssignment(MouseAt(*rig.dev, path), 2, 5, fn, true));
    for (int plane = 0; plane < 4; ++plane) {
      EXPECT_EQ(rig.backend.Mouse(i).ReadMemory(test::ButtonByte(level, 2, 5, plane), 1)[0], fn[plane])
          << "mouse " << i << " plane " << plane;
    }
    ASSERT_TRUE(WriteButtonParameters(MouseAt(*rig.dev, path), 2, 5, 0x0A0B0C));
    EXPECT_EQ(rig.backend.Mouse(i).ReadMemory(test::ButtonByte(level, 2, 5, 1), 1)[0], 0x0C);
    EXPECT_EQ(rig.backend.Mouse(i).ReadMemory(test::ButtonByte(level, 2, 5, 0), 1)[0], 0x07);
  }
  EXPECT_EQ(MemoryMapFor(0, false).Button(1, 3, 3), 96u + 96 + 3);
  EXPECT_EQ(MemoryMapFor(5, false).Button(1, 3, 2), 112u + 128 + 3);
  EXPECT_EQ(MemoryMapFor(11, false).Button(4, 31, 3), 160u + 640 + 31);
}

TEST(Information, MemorySizeIsReportedOrProbed) {
  SimRig rig("level11,level5,level0");
  EXPECT_EQ(GetMemorySize(MouseAt(*rig.dev, rig.PathOf(0))), 0x3FFF);
  EXPECT_EQ(MemoryTop(MouseAt(*rig.dev, rig.PathOf(0))), 0x3FFFu);
  EXPECT_EQ(GetMemorySize(MouseAt(*rig.dev, rig.PathOf(1))), 0);
  EXPECT_EQ(MemoryTop(MouseAt(*rig.dev, rig.PathOf(1))), 0x1FFFu);
  EXPECT_EQ(MemoryTop(MouseAt(*rig.dev, rig.PathOf(2))), 0x1FFFu);
}

TEST(Information, StatusAndInfoAnswers) {
  SimRig rig("level0,level11");
  const StatusValues st = GetStatus(MouseAt(*rig.dev, rig.PathOf(0)));
  ASSERT_TRUE(st.ok);
  const Info0 i0 = GetInfo0(MouseAt(*rig.dev, rig.PathOf(0)));
  ASSERT_TRUE(i0.ok);
  EXPECT_EQ(rig.dev->Info(rig.PathOf(0))->feature_flags, i0.identifier);
  std::array<uint8_t, 4> entry{};
  ASSERT_TRUE(GetInfoEntry(MouseAt(*rig.dev, rig.PathOf(1)), 3, entry));
  EXPECT_LE(entry[0], 50);
  EXPECT_FALSE(SetLedMode(MouseAt(*rig.dev, rig.PathOf(1)), 5));
  EXPECT_TRUE(SetLedMode(MouseAt(*rig.dev, rig.PathOf(1)), 3));
  EXPECT_EQ(rig.dev->CurrentLedMode(), 3);
  EXPECT_EQ(rig.backend.Mouse(1).ReadMemory(0x11, 1)[0], 3);
}

TEST(Faults, NeverIdleMouseFailsTheCommandAndFreesTheLock) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  rig.backend.Mouse(0).SetStuckBusy(true);
  std::vector<uint8_t> buf(8);
  EXPECT_FALSE(ReadMemory(MouseAt(*rig.dev, path), 0x100, buf, false));
  EXPECT_FALSE(WriteMemory(MouseAt(*rig.dev, path), 0x100, Ramp(40)));
  rig.backend.Mouse(0).SetStuckBusy(false);
  EXPECT_TRUE(ReadMemory(MouseAt(*rig.dev, path), 0x100, buf, false));
}

TEST(Faults, UnplugInTheMiddleOfAWriteIsReportedAndLeavesNoFalseMirror) {
  SimRig rig("level11");
  const std::string path = rig.PathOf(0);
  ASSERT_TRUE(rig.dev->SelectDevice(path, true));
  rig.backend.Mouse(0).UnplugAfterTransfers(3);  // the first chunk's exchange gets through
  EXPECT_FALSE(WriteMemory(MouseAt(*rig.dev, path), 0x700, Ramp(96)));
  std::vector<uint8_t> probe(32);
  EXPECT_FALSE(rig.dev->mirror().Serve(0x720, probe)) << "the failed chunk is not believed written";
  EXPECT_FALSE(rig.dev->DeviceTransfer(path, *std::make_unique<Report>(), nullptr, 0));
}

// A handle kept after its path stopped being current, or after the mouse went away, behaves as
// the path alone would: no mirror use while another path is current, and failed exchanges once
// the interface is gone.
TEST(Faults, AHandleOutlivingItsPathFailsAsThePathWould) {
  SimRig rig("level11,level5");
  const Mouse kept = MouseAt(*rig.dev, rig.PathOf(0));
  EXPECT_EQ(kept.encoding, &rig.dev->Encoding(rig.PathOf(0)));
  EXPECT_EQ(kept.map.protocol_level, 11);
  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(0), true));
  std::vector<uint8_t> buf(8);
  ASSERT_TRUE(ReadMemory(kept, 0x600, buf, true));

  ASSERT_TRUE(rig.dev->SelectDevice(rig.PathOf(1), true));
  ASSERT_TRUE(WriteMemory(kept, 0x600, Ramp(8)));
  std::vector<uint8_t> probe(8);
  EXPECT_FALSE(rig.dev->mirror().Serve(0x600, probe)) << "a path that is not current never fills the mirror";
  rig.backend.ClearTrace();
  ASSERT_TRUE(ReadMemory(kept, 0x600, buf, true));
  EXPECT_FALSE(rig.SendsSinceClear().empty()) << "nor is it served from the mirror";
  EXPECT_EQ(buf, Ramp(8));

  rig.backend.Mouse(0).SetUnplugged(true);
  EXPECT_FALSE(WriteMemory(kept, 0x600, Ramp(8)));
  EXPECT_FALSE(ReadMemory(kept, 0x600, buf, true));
  EXPECT_FALSE(Commit(kept));
  EXPECT_EQ(Commit(kept), Commit(MouseAt(*rig.dev, rig.PathOf(0)))) << "as a freshly built handle";
}

// Garbage answers must neither crash nor hang the readers (the sanitizer builds check the
// memory side); the identification of such a mouse must not claim a mouse.
TEST(Faults, GarbageAnswersNeverCrashTheReaders) {
  SimRig rig("level0,level11");
  for (size_t i = 0; i < 2; ++i) {
    rig.backend.Mouse(i).SetGarbageAnswers(true);
    std::vector<uint8_t> buf(100);
    ReadMemory(MouseAt(*rig.dev, rig.PathOf(i)), 0x100, buf, false);
    GetStatus(MouseAt(*rig.dev, rig.PathOf(i)));
    MemoryTop(MouseAt(*rig.dev, rig.PathOf(i)));
    std::array<uint8_t, 4> e{};
    GetInfoEntry(MouseAt(*rig.dev, rig.PathOf(i)), 1, e);
    EXPECT_LE(e[0], 50) << "a first entry value above 50 is given as 1";
  }
}

}  // namespace
}  // namespace halvric
