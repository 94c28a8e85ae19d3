// The profile the mouse plays decides whether a rebinding needs the reload: it is followed as it
// changes after the connection, not taken once from the status read there.

#include <gtest/gtest.h>

#include "config/button_assignment.h"
#include "config/read_all.h"
#include "config/setting_changes.h"
#include "device/device_commands.h"
#include "macro/macro_bindings.h"
#include "macro/macro_storage.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

Macro SmallMacro(int mode) {
  Macro m;
  m.name = std::string("m");  // moved in: GCC 12 at -O3 warns falsely about assigning the literal
  m.mode = mode;
  m.items.push_back(MakeItem({op::kDelay8, 3}));
  return m;
}

TEST(ActiveProfile, ASwitchAfterTheConnectionDecidesTheReload) {
  for (const char* model : {"level0", "level5", "level11"}) {
    test::SimRig rig(model);
    const std::string path = rig.PathOf(0);
    ASSERT_TRUE(rig.dev->SelectDevice(path, true));
    WorkingCopy wc;
    ASSERT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
    sim::SimMouse& sim = rig.backend.Mouse(0);
    const Mouse m = MouseAt(*rig.dev, path);
    const int first = ActiveProfile(wc);
    const int next = (first + 2) % kProfileCount;

    ASSERT_EQ(WriteMacroToSlot(m, wc, 5, SmallMacro(8)), MacroStoreResult::kOk);
    const auto bytes = ButtonAssignment::Macro(8, static_cast<int>(wc.macros[5].body)).Bytes();
    ASSERT_TRUE(ChangeButton(*rig.dev, wc, next, 2, ButtonAssignment::FromBytes(bytes)));

    ASSERT_TRUE(ChangeProfile(*rig.dev, wc, next, false)) << model;
    EXPECT_EQ(ActiveProfile(wc), next) << model;
    int commits = sim.CommitCount();
    ASSERT_EQ(WriteMacroToSlot(m, wc, 5, SmallMacro(9)), MacroStoreResult::kOk);
    EXPECT_EQ(sim.CommitCount(), commits + 1) << model << ": the rewrite rebinds a button of the active profile";

    // The mouse's own profile button: its status report is what the program learns it from.
    sim.PressProfileButton(first);
    NoteActiveProfile(wc, first);
    commits = sim.CommitCount();
    ASSERT_EQ(DeleteMacroSlot(m, wc, 5), MacroStoreResult::kOk);
    EXPECT_EQ(sim.CommitCount(), commits) << model << ": no button of the active profile changed";
  }
}

}  // namespace
}  // namespace halvric
