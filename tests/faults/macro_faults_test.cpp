// Writing a macro that needs the memory packed first, and deleting a bound macro, with a fault
// at their exchanges: the macro table and the buttons the program holds must be the mouse's.
#include <gtest/gtest.h>

#include "config/button_assignment.h"
#include "device/device_commands.h"
#include "faults/fault_matrix.h"
#include "macro/macro_storage.h"

namespace halvric {
namespace {

using test::FaultRig;
using test::MatrixCase;
using test::Outcome;

// A macro whose record takes exactly `record` bytes (33 header bytes, the end byte, delays).
Macro MacroOfRecordSize(uint32_t record, const std::string& name) {
  Macro m;
  m.name = name;
  m.mode = 8;
  uint32_t left = record - 34;
  for (uint8_t i = 1; left >= 2; left -= 2, ++i) m.items.push_back(MakeItem({op::kDelay8, i}));
  if (left == 1) m.items.push_back(MakeItem({0x61}));
  return m;
}

// A filler record at the start of the macro area, a 50-byte gap, slot 0 (100 bytes, bound to a
// button) and 200 free bytes at the end: a 240-byte macro needs the records packed, which moves
// slot 0 partly over its own old place.
void Prepare(FaultRig& r) {
  const uint32_t room = r.wc.memory_top - 1 - r.wc.map.macro_area;
  const auto write = [&](int slot, uint32_t size, const std::string& name) {
    ASSERT_EQ(WriteMacroToSlot(r.handle(), r.wc, slot, MacroOfRecordSize(size, name)), MacroStoreResult::kOk);
  };
  write(1, room - 350, "filler");
  write(2, 50, "gap");
  write(0, 100, "moving");
  ASSERT_EQ(DeleteMacroSlot(r.handle(), r.wc, 2), MacroStoreResult::kOk);
  const auto bytes = ButtonAssignment::Macro(r.wc.macros[0].mode, r.wc.macros[0].body).Bytes();
  ASSERT_TRUE(WriteButtonAssignment(r.handle(), 3, 7, bytes, false));
  r.wc.profiles[3].buttons[7].bytes = bytes;
  r.Keep();
}

// After a success, or a one-shot fault, the table is the mouse's. While a lasting fault keeps
// the mouse from answering, a slot whose state cannot be read back is dropped from the table: it
// never claims a macro the mouse does not hold, but may know less until the next read-all. The
// buttons being rebound when the mouse stopped answering may be left half written in the mouse
// while the working copy keeps their old function; every other button must agree.
void CheckTable(FaultRig& r, const Outcome& o, const std::vector<uint8_t>& clean_end) {
  if (o.ok) {
    EXPECT_EQ(r.Memory(), clean_end);
  }
  const WorkingCopy fresh = r.FreshRead();
  if (o.ok || !r.lasting) {
    test::ExpectSameConfiguration(r.wc, fresh);
    return;
  }
  WorkingCopy known = fresh;
  for (size_t s = 0; s < known.macros.size(); ++s) {
    if (r.wc.macros[s].start == 0) known.macros[s] = r.wc.macros[s];
  }
  for (size_t p = 0; p < known.profiles.size(); ++p) {
    for (size_t k = 0; k < known.profiles[p].buttons.size(); ++k) {
      const auto& before = r.kept_wc.profiles[p].buttons[k].bytes;
      if (before[0] >= 8 && before[0] <= 10) known.profiles[p].buttons[k] = r.wc.profiles[p].buttons[k];
    }
  }
  test::ExpectSameConfiguration(r.wc, known);
}

class MacroFaults : public ::testing::TestWithParam<const char*> {};

TEST_P(MacroFaults, WriteWithPackingLeavesTheTableTrue) {
  FaultRig rig(GetParam());
  Prepare(rig);
  ASSERT_FALSE(HasFailure());
  MatrixCase c;
  c.boundaries = 30;
  c.random_sample = 15;
  c.run = [](FaultRig& r) {
    const MacroStoreResult res = WriteMacroToSlot(r.handle(), r.wc, 5, MacroOfRecordSize(240, "new"));
    return Outcome{res == MacroStoreResult::kOk, {}};
  };
  c.check = CheckTable;
  test::RunMatrix(rig, std::string("macro write ") + GetParam(), c);
}

TEST_P(MacroFaults, DeleteLeavesTheTableTrue) {
  FaultRig rig(GetParam());
  Prepare(rig);
  ASSERT_FALSE(HasFailure());
  MatrixCase c;
  c.run = [](FaultRig& r) { return Outcome{DeleteMacroSlot(r.handle(), r.wc, 0) == MacroStoreResult::kOk, {}}; };
  c.check = CheckTable;
  test::RunMatrix(rig, std::string("macro delete ") + GetParam(), c);
}

INSTANTIATE_TEST_SUITE_P(Levels, MacroFaults, ::testing::Values("level0", "level5", "level11"));

}  // namespace
}  // namespace halvric
