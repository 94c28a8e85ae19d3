#include "macro/macro_storage.h"

#include <gtest/gtest.h>

#include "config/button_assignment.h"
#include "config/read_all.h"
#include "config/working_copy.h"
#include "device/device_commands.h"
#include "device/memory_map.h"
#include "macro/macro_bindings.h"
#include "support/sim_fixture.h"
#include "support/literal_addresses.h"

namespace halvric {
namespace {

// A macro whose record takes exactly `record` bytes (33 header bytes, the end byte, and delays).
Macro MacroOfRecordSize(uint32_t record, const std::string& name = "m", int mode = 8) {
  Macro m;
  m.name = name;
  m.mode = mode;
  uint32_t left = record - 34;
  for (uint8_t i = 1; left >= 2; left -= 2, ++i) m.items.push_back(MakeItem({op::kDelay8, i}));
  if (left == 1) m.items.push_back(MakeItem({0x61}));
  return m;
}

struct Mouse {
  explicit Mouse(const std::string& model) : rig(model), path(rig.PathOf(0)) {
    EXPECT_TRUE(rig.dev->SelectDevice(path, true));
    Reload();
  }
  sim::SimMouse& sim() { return rig.backend.Mouse(0); }
  void Reload() {
    wc = WorkingCopy{};
    ASSERT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
  }
  MacroStoreResult Write(int slot, const Macro& m) { return WriteMacroToSlot(MouseAt(*rig.dev, path), wc, slot, m); }
  MacroStoreResult Delete(int slot) { return DeleteMacroSlot(MouseAt(*rig.dev, path), wc, slot); }
  // Binds a button to the slot's macro, in the mouse and in the working copy.
  void Bind(int profile, int key, int slot) {
    const auto bytes = ButtonAssignment::Macro(wc.macros[slot].mode, wc.macros[slot].body).Bytes();
    ASSERT_TRUE(WriteButtonAssignment(MouseAt(*rig.dev, path), profile, key, bytes, false));
    wc.profiles[profile].buttons[key].bytes = bytes;
  }
  std::array<uint8_t, 4> ButtonInMouse(int profile, int key) {
    std::array<uint8_t, 4> b{};
    for (int plane = 0; plane < 4; ++plane) {
      b[plane] = sim().ReadMemory(test::ButtonByte(wc.protocol_level, profile, key, plane), 1)[0];
    }
    return b;
  }
  std::vector<uint8_t> Mem(uint32_t a, size_t n) { return sim().ReadMemory(a, n); }

  test::SimRig rig;
  std::string path;
  WorkingCopy wc;
};

void ExpectSameSlot(const MacroSlot& a, const MacroSlot& b, int s) {
  EXPECT_EQ(a.start, b.start) << "slot " << s;
  EXPECT_EQ(a.length, b.length) << "slot " << s;
  EXPECT_EQ(a.body, b.body) << "slot " << s;
  EXPECT_EQ(a.mode, b.mode) << "slot " << s;
  EXPECT_EQ(a.name, b.name) << "slot " << s;
}

// The table read at a fresh connection matches the one the operations kept.
void ExpectTableTrue(Mouse& m) {
  const MacroSlotTable kept = m.wc.macros;
  m.Reload();
  for (int s = 0; s < kMacroSlots; ++s) ExpectSameSlot(kept[s], m.wc.macros[s], s);
}

TEST(MacroStorage, EmptyShortMouseFreeMemoryAndFirstRecord) {
  Mouse m("level0");
  EXPECT_EQ(m.wc.memory_top, 8191u);
  EXPECT_EQ(m.wc.map.macro_area, 1024u);
  EXPECT_EQ(FreeMemory(m.wc), 7166);

  Macro macro = MacroOfRecordSize(44, "First", 9);
  ASSERT_EQ(SerializeInstructions(macro.items).size(), 10u);
  ASSERT_EQ(m.Write(3, macro), MacroStoreResult::kOk);
  const MacroSlot& s = m.wc.macros[3];
  EXPECT_EQ(s.start, 1024u);
  EXPECT_EQ(s.length, 44u);
  EXPECT_EQ(s.body, 1057u);
  EXPECT_EQ(FreeMemory(m.wc), 7166 - 44);
  EXPECT_EQ(FreeMemory(m.wc, 3), 7166);
  EXPECT_EQ(m.Mem(512 + 12, 4), (std::vector<uint8_t>{0x00, 0x04, 44, 0}));
  EXPECT_EQ(m.Mem(832 + 3, 1)[0], 9);
  EXPECT_EQ(m.Mem(1024, 3), (std::vector<uint8_t>{32, 'F', 0}));
  std::vector<uint8_t> body = SerializeInstructions(macro.items);
  body.push_back(0);
  EXPECT_EQ(m.Mem(1057, 11), body);
  ExpectTableTrue(m);

  Macro back;
  ASSERT_EQ(ReadMacroFromSlot(MouseAt(*m.rig.dev, m.path), m.wc, 3, back), MacroStoreResult::kOk);
  EXPECT_EQ(back.name, "First");
  EXPECT_EQ(back.mode, 9);
  EXPECT_EQ(back.items, macro.items);
}

TEST(MacroStorage, GapsAndBestFit) {
  MacroSlotTable t{};
  t[1].start = 1224;
  t[1].length = 50;
  const auto gaps = FindMacroGaps(t, 1024, 8191);
  EXPECT_EQ(gaps, (std::vector<MacroGap>{{1024, 200}, {1274, 6916}}));
  EXPECT_EQ(BestFit(gaps, 150), 1024u);
  EXPECT_EQ(BestFit(gaps, 300), 1274u);
  EXPECT_EQ(BestFit(gaps, 7000), std::nullopt);
  // Equal gaps: the first one in slot order wins.
  EXPECT_EQ(BestFit({{2000, 60}, {1500, 60}}, 10), 2000u);

  // The same layout made by the program: 1024 (100), 1124 (100), 1224 (50); the first two deleted.
  Mouse m("level0");
  ASSERT_EQ(m.Write(0, MacroOfRecordSize(100)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(2, MacroOfRecordSize(100)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(1, MacroOfRecordSize(50)), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[1].start, 1224u);
  ASSERT_EQ(m.Delete(0), MacroStoreResult::kOk);
  ASSERT_EQ(m.Delete(2), MacroStoreResult::kOk);
  EXPECT_EQ(m.Delete(2), MacroStoreResult::kEmptySlot);
  ASSERT_EQ(m.Write(5, MacroOfRecordSize(150)), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[5].start, 1024u);  // best fit, not the large gap
  ASSERT_EQ(m.Write(6, MacroOfRecordSize(300)), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[6].start, 1274u);
  ExpectTableTrue(m);
}

TEST(MacroStorage, CompactionWhenNoGapFitsAndBoundButtonsFollow) {
  Mouse m("level5");
  const uint32_t area = m.wc.map.macro_area;
  for (int s = 0; s < 6; ++s) ASSERT_EQ(m.Write(s, MacroOfRecordSize(1000, std::string("m").append(std::to_string(s)))), MacroStoreResult::kOk);
  m.Bind(0, 2, 2);
  m.Bind(4, 23, 4);  // the last button of a level-5 profile
  m.Bind(1, 5, 5);
  const uint32_t body5 = m.wc.macros[5].body;
  Macro kept4;
  ASSERT_EQ(ReadMacroFromSlot(MouseAt(*m.rig.dev, m.path), m.wc, 4, kept4), MacroStoreResult::kOk);
  ASSERT_EQ(m.Delete(1), MacroStoreResult::kOk);
  ASSERT_EQ(m.Delete(3), MacroStoreResult::kOk);
  const int64_t free = FreeMemory(m.wc);
  ASSERT_GE(free, 2000);
  for (const MacroGap& g : FindMacroGaps(m.wc.macros, area, m.wc.memory_top)) ASSERT_LT(g.size, 2000u);

  const int commits = m.sim().CommitCount();
  ASSERT_EQ(m.Write(7, MacroOfRecordSize(2000, "big")), MacroStoreResult::kOk);
  EXPECT_GT(m.sim().CommitCount(), commits);
  EXPECT_EQ(m.wc.macros[0].start, area);
  EXPECT_EQ(m.wc.macros[2].start, area + 1000);
  EXPECT_EQ(m.wc.macros[4].start, area + 2000);
  EXPECT_EQ(m.wc.macros[5].start, area + 3000);
  EXPECT_EQ(m.wc.macros[7].start, area + 4000);  // after the packed records
  EXPECT_EQ(FreeMemory(m.wc), free - 2000);

  const auto expect_bound = [&](int profile, int key, int slot) {
    const auto want = ButtonAssignment::Macro(8, m.wc.macros[slot].body).Bytes();
    EXPECT_EQ(m.wc.profiles[profile].buttons[key].bytes, want);
    EXPECT_EQ(m.ButtonInMouse(profile, key), want);
  };
  expect_bound(0, 2, 2);
  expect_bound(4, 23, 4);
  expect_bound(1, 5, 5);
  EXPECT_NE(m.wc.macros[5].body, body5);

  Macro moved4;
  ASSERT_EQ(ReadMacroFromSlot(MouseAt(*m.rig.dev, m.path), m.wc, 4, moved4), MacroStoreResult::kOk);
  EXPECT_EQ(moved4.items, kept4.items);
  EXPECT_EQ(moved4.name, "m4");
  ExpectTableTrue(m);
  EXPECT_EQ(m.wc.profiles[4].buttons[23].bytes, ButtonAssignment::Macro(8, m.wc.macros[4].body).Bytes());
}

TEST(MacroStorage, RewriteReusesItsOwnSpaceAndRebindsWithTheNewMode) {
  Mouse m("level11");
  const uint32_t area = m.wc.map.macro_area;
  ASSERT_EQ(m.Write(0, MacroOfRecordSize(100)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(1, MacroOfRecordSize(50)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(2, MacroOfRecordSize(60)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Delete(1), MacroStoreResult::kOk);
  m.Bind(2, 31, 0);
  // 140 bytes fit only into the slot's own 100 bytes plus the 50 freed after them.
  ASSERT_EQ(m.Write(0, MacroOfRecordSize(140, "again", 10)), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[0].start, area);
  EXPECT_EQ(m.wc.macros[0].mode, 10u);
  const auto want = ButtonAssignment::Macro(10, area + 33).Bytes();
  EXPECT_EQ(m.ButtonInMouse(2, 31), want);
  EXPECT_EQ(m.wc.profiles[2].buttons[31].bytes, want);

  // Too long for that space: it moves, and the button follows it.
  ASSERT_EQ(m.Write(0, MacroOfRecordSize(400, "moved", 9)), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[0].start, area + 210);
  EXPECT_EQ(m.ButtonInMouse(2, 31), ButtonAssignment::Macro(9, area + 210 + 33).Bytes());
  ExpectTableTrue(m);
}

TEST(MacroStorage, LongNamesModeBytesAndLackOfSpace) {
  Mouse m("level0");
  ASSERT_EQ(m.Write(4, MacroOfRecordSize(40, "ABCDEFGHIJKLMNOPQRST")), MacroStoreResult::kOk);
  EXPECT_EQ(m.wc.macros[4].name, "ABCDEFGHIJKLMNOP");
  ExpectTableTrue(m);
  EXPECT_EQ(m.wc.macros[4].name, "ABCDEFGHIJKLMNOP");

  m.sim().WriteMemory(832 + 4, std::vector<uint8_t>{0xFF});
  m.Reload();
  EXPECT_EQ(m.wc.macros[4].mode, 8u);
  Macro back;
  ASSERT_EQ(ReadMacroFromSlot(MouseAt(*m.rig.dev, m.path), m.wc, 4, back), MacroStoreResult::kOk);
  EXPECT_EQ(back.mode, 8);

  // More than the free total: nothing changes in the mouse or the table.
  const auto before = m.Mem(0, 8192);
  const MacroSlot kept = m.wc.macros[4];
  m.Bind(0, 1, 4);
  const auto mem_bound = m.Mem(0, 8192);
  EXPECT_EQ(m.Write(4, MacroOfRecordSize(7200)), MacroStoreResult::kNoSpace);
  EXPECT_EQ(m.Mem(0, 8192), mem_bound);
  ExpectSameSlot(m.wc.macros[4], kept, 4);
  EXPECT_NE(before, mem_bound);
}

TEST(MacroStorage, DeleteUnbindsButtonsToFunctionZero) {
  Mouse m("level5");
  ASSERT_EQ(m.Write(9, MacroOfRecordSize(60, "gone", 9)), MacroStoreResult::kOk);
  m.Bind(m.wc.status[1], 3, 9);  // active profile: reload expected
  m.Bind(4, 0, 9);
  const int commits = m.sim().CommitCount();
  ASSERT_EQ(m.Delete(9), MacroStoreResult::kOk);
  EXPECT_EQ(m.sim().CommitCount(), commits + 1);
  EXPECT_EQ(m.Mem(m.wc.map.directory + 36, 4), (std::vector<uint8_t>(4, 0)));
  EXPECT_EQ(m.Mem(m.wc.map.mode_table + 9, 1)[0], 9);  // the mode byte is left alone
  EXPECT_EQ(m.wc.profiles[4].buttons[0].bytes, (std::array<uint8_t, 4>{}));
  m.Reload();
  EXPECT_EQ(m.wc.macros[9].start, 0u);
  for (const auto& [p, k] : {std::pair{static_cast<int>(m.wc.status[1]), 3}, std::pair{4, 0}}) {
    EXPECT_EQ(m.wc.profiles[p].buttons[k].bytes, (std::array<uint8_t, 4>{}));
  }
}

TEST(MacroStorage, UnplugDuringAWriteLeavesTheTableTrue) {
  // A filler record at the area start, a 50-byte gap, slot 0 (100 bytes, bound to a button) and
  // 200 free bytes at the end: a 240-byte macro needs packing, which moves slot 0 partly over its
  // own old place.
  Mouse m("level11");
  m.sim().SetBusyPolls(0);
  const uint32_t room = m.wc.memory_top - 1 - m.wc.map.macro_area;
  ASSERT_EQ(m.Write(1, MacroOfRecordSize(room - 350, "filler")), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(2, MacroOfRecordSize(50)), MacroStoreResult::kOk);
  ASSERT_EQ(m.Write(0, MacroOfRecordSize(100, "moving")), MacroStoreResult::kOk);
  ASSERT_EQ(m.Delete(2), MacroStoreResult::kOk);
  m.Bind(3, 7, 0);
  const nlohmann::json state = m.sim().Save();
  const WorkingCopy before = m.wc;

  const auto run = [&](int cut) {
    m.sim().SetUnplugged(false);
    m.sim().Load(state);
    m.wc = before;
    m.rig.dev->mirror().Clear();
    m.rig.backend.ClearTrace();
    if (cut >= 0) m.sim().UnplugAfterTransfers(cut);
    return m.Write(5, MacroOfRecordSize(240, "new"));
  };
  ASSERT_EQ(run(-1), MacroStoreResult::kOk);
  ASSERT_EQ(m.wc.macros[0].start, m.wc.map.macro_area + room - 350);  // it did move
  // Cut points: a few while the records are read, most once writing has begun.
  int transfers = 0, first_write = -1;
  for (const auto& e : test::ParseTrace(m.rig.backend.TraceLines())) {
    if (e.kind != 'S' && e.kind != 'G') continue;
    if (first_write < 0 && e.kind == 'S' && e.bytes.size() > 1 && e.bytes[1] == 0x03) first_write = transfers;
    ++transfers;
  }
  ASSERT_GT(first_write, 0);
  std::vector<int> cuts;
  for (int i = 0; i < 4; ++i) cuts.push_back(first_write * i / 4);
  for (int i = 0; i < 18; ++i) cuts.push_back(first_write + (transfers - first_write) * i / 18);
  for (const int cut : cuts) {
    const MacroStoreResult r = run(cut);
    // Only the closing Wake may be lost without the write failing.
    if (r == MacroStoreResult::kOk) {
      EXPECT_GT(cut, transfers - 4);
      EXPECT_NE(m.wc.macros[5].start, 0u);
    } else {
      EXPECT_EQ(r, MacroStoreResult::kFailed);
    }
    m.sim().SetUnplugged(false);
    m.rig.dev->mirror().Clear();
    MacroSlotTable read{};
    ASSERT_TRUE(ReadMacroDirectory(MouseAt(*m.rig.dev, m.path), read));
    for (int s = 0; s < kMacroSlots; ++s) {
      // The table may know less than the mouse holds, never more or other.
      if (m.wc.macros[s].start != 0) ExpectSameSlot(m.wc.macros[s], read[s], s);
    }
    if (HasFailure()) FAIL() << "cut after " << cut << " of " << transfers;
  }
}

TEST(MacroStorage, InstructionPiecesAlignToSixtyFourBytes) {
  EXPECT_EQ(InstructionPieces(1057, 300), (std::vector<uint32_t>{31, 128, 128, 13}));
  EXPECT_EQ(InstructionPieces(1057, 128), (std::vector<uint32_t>{128}));
  EXPECT_EQ(InstructionPieces(1058, 300), (std::vector<uint32_t>{128, 128, 44}));
}

}  // namespace
}  // namespace halvric
