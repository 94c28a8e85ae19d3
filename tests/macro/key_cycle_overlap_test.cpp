// The mode table of macro slots 16-79 and the five key-cycle records share their bytes on levels
// 1 and above (levels 1-10: 1008-1071, level 11: 1168-1231). Neither may change the other.

#include <gtest/gtest.h>

#include "config/button_assignment.h"
#include "config/read_all.h"
#include "config/reset_defaults.h"
#include "config/setting_changes.h"
#include "config/working_copy.h"
#include "device/device_commands.h"
#include "macro/macro_storage.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

struct Case {
  const char* model;
  uint32_t key_cycles;  // first byte of profile 0's record
};
constexpr Case kCases[] = {{"level5", 1008}, {"level11", 1168}};

struct Rig {
  explicit Rig(const std::string& model) : rig(model), path(rig.PathOf(0)) {
    EXPECT_TRUE(rig.dev->SelectDevice(path, true));
    EXPECT_EQ(ResetToDefaults(*rig.dev, wc, ResetOptions{}), ResetResult::kDone);
  }
  sim::SimMouse& sim() { return rig.backend.Mouse(0); }
  std::vector<uint8_t> Records(uint32_t at) { return sim().ReadMemory(at, 5 * 21); }
  void Reload() {
    wc = WorkingCopy{};
    ASSERT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
  }
  Mouse mouse() { return MouseAt(*rig.dev, path); }

  test::SimRig rig;
  std::string path;
  WorkingCopy wc;
};

Macro SmallMacro(const std::string& name, int mode) {
  Macro m;
  m.name = name;
  m.mode = mode;
  m.items.push_back(MakeItem({op::kDelay8, 5}));
  return m;
}

TEST(KeyCycleOverlap, AResetMouseHasNoKeyCycleOnAnyProfile) {
  for (const Case& c : kCases) {
    Rig r(c.model);
    EXPECT_EQ(r.Records(c.key_cycles), std::vector<uint8_t>(5 * 21, 0)) << c.model;
    for (int p = 0; p < kProfileCount; ++p) {
      EXPECT_EQ(r.wc.profiles[p].extension, (std::array<uint8_t, kExtensionSize>{})) << c.model << " profile " << p;
    }
    // Slots whose mode byte lies inside a record still read as mode 8.
    for (int s = 0; s < kMacroSlots; ++s) EXPECT_EQ(r.wc.macros[s].mode, 8u) << c.model << " slot " << s;
  }
}

TEST(KeyCycleOverlap, MacrosInHighSlotsLeaveTheKeyCyclesAlone) {
  for (const Case& c : kCases) {
    Rig r(c.model);
    std::array<uint8_t, kExtensionSize> cycle{};
    cycle[0] = 2;
    cycle[1] = 0x01;  // Ctrl + C, Ctrl + V
    cycle[2] = 0x06;
    cycle[3] = 0x01;
    cycle[4] = 0x19;
    for (int p = 0; p < kProfileCount; ++p) ASSERT_TRUE(ChangeKeyCycleBlock(*r.rig.dev, r.wc, p, cycle));
    const auto records = r.Records(c.key_cycles);

    ASSERT_EQ(WriteMacroToSlot(r.mouse(), r.wc, 40, SmallMacro("forty", 9)), MacroStoreResult::kOk) << c.model;
    ASSERT_EQ(WriteMacroToSlot(r.mouse(), r.wc, 79, SmallMacro("last", 10)), MacroStoreResult::kOk) << c.model;
    EXPECT_EQ(r.Records(c.key_cycles), records) << c.model;
    ASSERT_EQ(DeleteMacroSlot(r.mouse(), r.wc, 40), MacroStoreResult::kOk);
    EXPECT_EQ(r.Records(c.key_cycles), records) << c.model;
    r.Reload();
    for (int p = 0; p < kProfileCount; ++p) EXPECT_EQ(r.wc.profiles[p].extension, cycle) << c.model << " profile " << p;
  }
}

TEST(KeyCycleOverlap, AKeyCycleSavedLeavesEveryMacroModeAlone) {
  for (const Case& c : kCases) {
    Rig r(c.model);
    // Slot 3's mode byte is its own; slot 79's lies in profile 3's record, slot 40's in profile 1's.
    ASSERT_EQ(WriteMacroToSlot(r.mouse(), r.wc, 3, SmallMacro("three", 10)), MacroStoreResult::kOk);
    ASSERT_EQ(WriteMacroToSlot(r.mouse(), r.wc, 40, SmallMacro("forty", 9)), MacroStoreResult::kOk);
    ASSERT_EQ(WriteMacroToSlot(r.mouse(), r.wc, 79, SmallMacro("last", 9)), MacroStoreResult::kOk);
    // Slot 40 plays from a button of profile 2; slot 79 from none (a fresh read takes mode 8 then).
    const auto forty = ButtonAssignment::Macro(9, static_cast<int>(r.wc.macros[40].body)).Bytes();
    ASSERT_TRUE(ChangeButton(*r.rig.dev, r.wc, 2, 5, ButtonAssignment::FromBytes(forty)));
    r.Reload();
    const auto modes = [&] {
      std::array<uint32_t, kMacroSlots> m{};
      for (int s = 0; s < kMacroSlots; ++s) m[s] = r.wc.macros[s].mode;
      return m;
    };
    const auto before = modes();
    EXPECT_EQ(before[3], 10u) << c.model;
    EXPECT_EQ(before[40], 9u) << c.model;

    std::array<uint8_t, kExtensionSize> cycle{};
    cycle[0] = 5;
    for (int i = 0; i < 5; ++i) {
      cycle[1 + 2 * i] = 0x02;
      cycle[2 + 2 * i] = static_cast<uint8_t>(0x1E + i);
    }
    for (int p : {3, 1}) ASSERT_TRUE(ChangeKeyCycleBlock(*r.rig.dev, r.wc, p, cycle)) << c.model;
    EXPECT_EQ(modes(), before) << c.model;
    r.Reload();
    EXPECT_EQ(modes(), before) << c.model;
    EXPECT_EQ(r.wc.profiles[3].extension, cycle) << c.model;
    EXPECT_EQ(r.wc.profiles[1].extension, cycle) << c.model;
  }
}

}  // namespace
}  // namespace halvric
