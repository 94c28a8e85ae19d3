// The simulated firmware's commands, driven through hand-built reports.

#include <gtest/gtest.h>

#include "raw_exchange.h"
#include "sim/sim_hid_backend.h"

namespace halvric::sim {
namespace {

using test::Exchange;
using test::LongRequest;
using test::ShortRequest;

TEST(SimCommands, Level0StagedWriteCommitAndRead) {
  SimHidBackend backend("level0");
  SimMouse& m = backend.Mouse(0);
  auto h = backend.Open("sim/0/if0");
  // Seven bytes 0xA0.. at 0x0500: two staged pieces, then the commit write.
  Exchange(*h, ShortRequest({0x09, 0, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}, true));
  Exchange(*h, ShortRequest({0x09, 6, 0xA6, 0, 0, 0, 0, 0}, true));
  EXPECT_EQ(m.ReadMemory(0x500, 1)[0], 0x00);  // nothing written before the commit
  auto ans = Exchange(*h, ShortRequest({0x05, 0x02, 0x00, 0x05, 0x00, 7, 0x12}));
  EXPECT_EQ(ans[1] & 0x3F, 0x05);
  EXPECT_EQ(m.ReadMemory(0x500, 8), (std::vector<uint8_t>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0}));

  // Read back 7 bytes from 0x0501: answer bytes 2-8.
  ans = Exchange(*h, ShortRequest({0x05, 0x00, 0x01, 0x05, 0x00, 0, 0x12}));
  EXPECT_EQ(std::vector<uint8_t>(ans.begin() + 2, ans.end()),
            (std::vector<uint8_t>{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0x00}));

  // Single-byte write, and a commit length above 32 is refused.
  Exchange(*h, ShortRequest({0x05, 0x01, 0x10, 0x05, 0x00, 0x77, 0x12}));
  EXPECT_EQ(m.ReadMemory(0x510, 1)[0], 0x77);
  ans = Exchange(*h, ShortRequest({0x05, 0x02, 0x00, 0x06, 0x00, 33, 0x12}));
  EXPECT_EQ(ans[2], 3);

  // The 8 KiB memory repeats itself: the size probe's mirror comparison finds 0x1FFF.
  Exchange(*h, ShortRequest({0x05, 0x01, 0xFF, 0xFF, 0x00, 0x12, 0x12}));
  EXPECT_EQ(m.ReadMemory(0x1FFF, 1)[0], 0x12);
  EXPECT_EQ(m.ReadMemory(0x7FFF, 1)[0], 0x12);
  EXPECT_NE(m.ReadMemory(0x0FFF, 1)[0], 0x12);
}

TEST(SimCommands, Level0SettingsStatusAndCommit) {
  SimHidBackend backend("level0");
  SimMouse& m = backend.Mouse(0);
  auto h = backend.Open("sim/0/if0");
  EXPECT_EQ(m.ReadMemory(0, 1)[0], 0x12);
  EXPECT_EQ(m.DpiLevel(), 1);

  Exchange(*h, ShortRequest({0x04, 0x01, 3, 40, 41, 0, 0x12}));
  EXPECT_EQ(m.DpiLevel(), 3);
  EXPECT_EQ(m.DpiX(), 40);
  Exchange(*h, ShortRequest({0x04, 0x03, 2, 0, 0, 0, 0x12}));
  Exchange(*h, ShortRequest({0x04, 0x08, 0x34, 0x12, 0, 0, 0x12}));
  auto ans = Exchange(*h, ShortRequest({0x04, 0x00, 0, 0, 0, 0, 0x12}));
  EXPECT_EQ(ans[2] & 7, 3);
  EXPECT_EQ(ans[2] >> 3, 0x1F);
  EXPECT_EQ(ans[3], 2);
  EXPECT_EQ(ans[5] | (ans[6] << 8), 0x1234);

  // Marker echo in byte 7 of the status answer, with sensor values around it.
  Exchange(*h, ShortRequest({0x00, 0x01, 0x15, 0, 0, 0, 0x12}));
  ans = Exchange(*h, ShortRequest({0x00, 0x00, 0, 0, 0, 0, 0x12}));
  EXPECT_EQ(ans[7], 0x15);
  EXPECT_EQ(ans[6], m.Model().sensor_a);

  // Commit reloads the live state from memory: the stored profile wins; the DPI level has no
  // place in memory below level 11 and stays, with its stored pair.
  const auto low = m.ReadMemory(0, 32);
  Exchange(*h, ShortRequest({0x08, 0x00, 0, 0, 0, 0x0C, 0x12}));
  EXPECT_EQ(m.CommitCount(), 1);
  EXPECT_EQ(m.ActiveProfile(), 0);
  EXPECT_EQ(m.DpiLevel(), 3);
  EXPECT_EQ(m.DpiX(), low[4 + 2 * 3]);
  EXPECT_EQ(m.ReadMemory(0, 32), low);

  // Information entries: the factory function of the key (key 0: left click).
  ans = Exchange(*h, ShortRequest({0x00, 0x02, 0x04, 0, 0, 0, 0x12}));
  EXPECT_EQ(std::vector<uint8_t>(ans.begin() + 2, ans.begin() + 6), (std::vector<uint8_t>{4, 1, 0, 0}));
  ans = Exchange(*h, ShortRequest({0x00, 0x02, 0x01, 0, 0, 0, 0x12}));
  EXPECT_EQ(ans[2], 5);
  EXPECT_EQ(ans[3], 4);
}

TEST(SimCommands, LongReadsWritesAndMirror) {
  SimHidBackend backend("level5,level11");
  auto h5 = backend.Open("sim/0/if1");
  auto h11 = backend.Open("sim/1/if1");

  auto w5 = LongRequest({0x01, 0x03, 0x00, 0x06, 3, 0xB1, 0xB2, 0xB3});
  Exchange(*h5, w5);
  auto w11 = LongRequest({0x03, 0x00, 0x06, 2, 0xC1, 0xC2});
  Exchange(*h11, w11);
  EXPECT_EQ(backend.Mouse(0).ReadMemory(0x600, 3), (std::vector<uint8_t>{0xB1, 0xB2, 0xB3}));
  EXPECT_EQ(backend.Mouse(1).ReadMemory(0x600, 2), (std::vector<uint8_t>{0xC1, 0xC2}));

  // 61-byte reads; an address beyond the size reads the mirror.
  auto r5 = Exchange(*h5, LongRequest({0x01, 0x00, 0x00, 0x00, 0x26}));  // 0x2600 = 0x600 + 8 KiB
  EXPECT_EQ(r5[2], 0xB1);
  EXPECT_EQ(r5[4], 0xB3);
  EXPECT_TRUE(test::XorIsZero(r5, 1, 63));
  auto r11 = Exchange(*h11, LongRequest({0x02, 0x00, 0x00}));
  EXPECT_EQ(r11[2], 0x12);  // initialised memory
  auto r11b = Exchange(*h11, LongRequest({0x02, 0x00, 0x46}));  // 0x4600 = 0x600 + 16 KiB
  EXPECT_EQ(r11b[3], 0xC2);

  // Level-11 operations are unknown to a level-5 mouse.
  EXPECT_EQ(Exchange(*h5, LongRequest({0x02, 0x00, 0x00}))[2], 2);
}

TEST(SimCommands, MarkerEchoGuardAndMemorySize) {
  SimHidBackend backend("level5,level11");
  SimMouse& m5 = backend.Mouse(0);
  auto h5 = backend.Open("sim/0/if1");
  auto h11 = backend.Open("sim/1/if1");

  Exchange(*h5, LongRequest({0x00, 0x01, 0x12, 0x15}));
  Exchange(*h11, LongRequest({0x00, 0x01, 0x12, 0x15}));
  auto s5 = Exchange(*h5, LongRequest({0x00}));
  auto s11 = Exchange(*h11, LongRequest({0x00}));
  EXPECT_EQ(s5[6], 0x15);
  EXPECT_EQ(s11[12], 0x15);
  EXPECT_EQ(s5[13] | (s5[14] << 8), 0);        // size is probed on level 5
  EXPECT_EQ(s11[13] | (s11[14] << 8), 0x3FFF);  // highest address on level 11

  // Write guard: clear until a Wake, clear again after the second Wake; only Wake moves it (a
  // Commit leaves it as it is).
  EXPECT_EQ(s5[10] & 0x40, 0);
  Exchange(*h5, LongRequest({0x00, 0x12, 0x12}));
  EXPECT_EQ(Exchange(*h5, LongRequest({0x00}))[10] & 0x40, 0x40);
  Exchange(*h5, LongRequest({0x00, 0x12, 0x12}));
  EXPECT_EQ(Exchange(*h5, LongRequest({0x00}))[10] & 0x40, 0);
  Exchange(*h5, LongRequest({0x00, 0x12, 0x12}));
  Exchange(*h5, LongRequest({0x01, 0x04}));
  EXPECT_TRUE(m5.WriteGuardOpen());
  EXPECT_EQ(m5.WakeCount(), 3);
  EXPECT_EQ(m5.CommitCount(), 1);
}

TEST(SimCommands, LongSettingsRecordAndLighting) {
  SimHidBackend backend("level5,level11");
  SimMouse& m5 = backend.Mouse(0);
  SimMouse& m11 = backend.Mouse(1);
  auto h5 = backend.Open("sim/0/if1");
  auto h11 = backend.Open("sim/1/if1");

  Exchange(*h5, LongRequest({0x01, 0x07, 0x00, 3}));  // stored profile
  EXPECT_EQ(m5.ActiveProfile(), 3);
  EXPECT_EQ(m5.ReadMemory(1, 1)[0], 3);
  Exchange(*h11, LongRequest({0x11, 4}));  // live profile
  EXPECT_EQ(m11.ActiveProfile(), 4);
  EXPECT_EQ(m11.ReadMemory(1, 1)[0], 0);
  Exchange(*h11, LongRequest({0x14}));  // commit reloads the stored profile
  EXPECT_EQ(m11.ActiveProfile(), 0);
  EXPECT_EQ(Exchange(*h11, LongRequest({0x0F, 7}))[2], 3);  // profile out of range

  Exchange(*h11, LongRequest({0x01, 0x07, 0x03, 0x02, 0x10, 0x27, 0, 0, 0x12}));
  EXPECT_EQ(m11.LiftWord(), 0x2710);
  Exchange(*h5, LongRequest({0x01, 0x05, 0x00, 7, 9}));
  EXPECT_EQ(m5.PairSetting(), (std::array<uint8_t, 2>{7, 9}));

  // Device record of level 1-10 (word offset 30 -> bytes 60..119; entry 0 at 72).
  auto rec = Exchange(*h5, LongRequest({0x01, 0x00, 0x01, 30}));
  EXPECT_EQ(std::vector<uint8_t>(rec.begin() + 14, rec.begin() + 18), (std::vector<uint8_t>{4, 1, 0, 0}));
  // Level-11 information entry 1: right click.
  auto e = Exchange(*h11, LongRequest({0x0A, 1, 0x01}));
  EXPECT_EQ(std::vector<uint8_t>(e.begin() + 2, e.begin() + 6), (std::vector<uint8_t>{4, 2, 0, 0}));

  // LED mode, preview and applying the stored zone table.
  Exchange(*h5, LongRequest({0x01, 0x04, 0x03, 0x01, 3}));
  EXPECT_EQ(m5.LedMode(), 3);
  EXPECT_EQ(Exchange(*h11, LongRequest({0x12, 5}))[2], 3);  // refused
  Exchange(*h11, LongRequest({0x13, 2, 0xC0, 1, 2, 3}));
  EXPECT_EQ(m11.LiveZone(2), (std::array<uint8_t, 4>{0xC0, 1, 2, 3}));
  Exchange(*h5, LongRequest({0x01, 0x08, 0x02, 5, 255, 0x80, 9, 8, 7}));
  EXPECT_EQ(m5.LiveZone(5), (std::array<uint8_t, 4>{0x80, 9, 8, 7}));
  Exchange(*h5, LongRequest({0x01, 0x03, 0x74, 0x04, 4, 0x80, 0xFF, 0, 0}));  // zone 5 at 0x474
  Exchange(*h5, LongRequest({0x01, 0x04, 0x03}));
  EXPECT_EQ(m5.LiveZone(5), (std::array<uint8_t, 4>{0x80, 0xFF, 0, 0}));
  EXPECT_EQ(m5.LightingApplyCount(), 1);
}

TEST(SimCommands, InputReportsCarryTagAndChecksum) {
  SimHidBackend backend("level11");
  SimMouse& m = backend.Mouse(0);
  auto input = backend.Open("sim/0/if2");
  std::vector<uint8_t> r(64);

  m.PressProfileButton(2);
  ASSERT_EQ(input->ReadInput(r, 100), 64);
  EXPECT_EQ(r[0], 1);
  EXPECT_EQ(r[1], 12);
  EXPECT_EQ(r[5], 2);
  EXPECT_EQ(r[62], 21);  // tag before any marker command
  EXPECT_TRUE(test::XorIsZero(r, 1, 63));
  EXPECT_EQ(m.ReadMemory(1, 1)[0], 2);

  // A deselected mouse (marker 0) tags its reports with 0.
  auto h = backend.Open("sim/0/if1");
  Exchange(*h, LongRequest({0x00, 0x01, 0x12, 0x00}));
  m.PressDpiButton(7);
  ASSERT_EQ(input->ReadInput(r, 100), 64);
  EXPECT_EQ(r[2], 4);
  EXPECT_EQ(r[62], 0);

  m.PushMovement(true, -2, 300, -3);
  ASSERT_EQ(input->ReadInput(r, 100), 64);
  EXPECT_EQ(r[1], 11);
  EXPECT_EQ(r[2], 1);
  EXPECT_EQ(static_cast<int16_t>(r[4] | (r[5] << 8)), -2);
  EXPECT_EQ(static_cast<int16_t>(r[6] | (r[7] << 8)), 300);
  EXPECT_EQ(static_cast<int8_t>(r[9]), -3);

  EXPECT_EQ(input->ReadInput(r, 10), 0);  // time-out
}

TEST(SimCommands, FirmwareUpgradeAcknowledgements) {
  SimHidBackend backend("level11,level5");
  SimMouse& m = backend.Mouse(0);
  auto h = backend.Open("sim/0/if1");
  auto input = backend.Open("sim/0/if2");
  std::vector<uint8_t> r(64);

  auto write = LongRequest({0x19, 0x12, 0x12, 0x02, 0x08, 0x00, 0x00, 3, 0xDE, 0xAD, 0xBE});
  Exchange(*h, write);
  EXPECT_EQ(input->ReadInput(r, 20), 0);  // outside ISP mode: ignored, no acknowledgement

  Exchange(*h, LongRequest({0x19, 0x12, 0x12, 0x04, 0}));
  Exchange(*h, LongRequest({0x19, 0x12, 0x12, 0x01}));
  EXPECT_TRUE(m.IspActive());
  Exchange(*h, write);
  ASSERT_EQ(input->ReadInput(r, 100), 64);
  EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.begin() + 8),
            (std::vector<uint8_t>{0x01, 0x13, 0x13, 3, 0x08, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(test::XorIsZero(r, 1, 63));
  EXPECT_EQ(m.Flash(8, 3), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE}));

  m.NackNextIspWrites(1);
  Exchange(*h, write);
  ASSERT_EQ(input->ReadInput(r, 100), 64);
  EXPECT_EQ(r[7], 1);
  EXPECT_EQ(m.IspWriteCount(), 1);

  auto channel = Exchange(*h, LongRequest({0x19, 0x12, 0x12, 0x05}));
  EXPECT_EQ(channel[5], 1);  // ISP mode
  Exchange(*h, LongRequest({0x18, 0x12, 0x12, 200}));
  EXPECT_EQ(m.RadioPairValue(), 200);
  Exchange(*h, LongRequest({0x19, 0x12, 0x12, 0x00}));
  EXPECT_FALSE(m.IspActive());

  // Upgrade commands do not exist below level 11.
  auto h5 = backend.Open("sim/1/if1");
  EXPECT_EQ(Exchange(*h5, LongRequest({0x19, 0x12, 0x12, 0x01}))[2], 2);
}

TEST(SimCommands, BlankModelAndFactoryLayout) {
  SimHidBackend backend("level11-blank,level5");
  EXPECT_NE(backend.Mouse(0).ReadMemory(0, 1)[0], 0x12);
  SimMouse& m5 = backend.Mouse(1);
  // Level 1-10 layout: DPI level 2 at bytes 7 and 8, profile records at 32 + 128 P with byte 2 = 7,
  // plane 0 of key 0 of profile 1 at 64 + 128 = left click, mode table 8.
  EXPECT_EQ(m5.ReadMemory(7, 2), (std::vector<uint8_t>{32, 32}));
  EXPECT_EQ(m5.ReadMemory(32 + 128 + 2, 1)[0], 7);
  EXPECT_EQ(m5.ReadMemory(64 + 128, 1)[0], 4);
  EXPECT_EQ(m5.ReadMemory(88 + 128, 1)[0], 1);
  EXPECT_EQ(m5.ReadMemory(672 + 320, 1)[0], 8);
  EXPECT_EQ(m5.ReadMemory(672, 4), (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace halvric::sim
