// The texts by which the windows and halvricctl show a button's function: one function for all of
// them, naming the stored macro a button plays and the keys as the user's layout labels them.

#include <gtest/gtest.h>

#include "config/describe_assignment.h"
#include "config/key_labels.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "platform/folders.h"
#include "support/fake_key_names.h"

namespace halvric {
namespace {

using testing::kUsageUsA;
using testing::kUsageUsQ;
using testing::kUsageUsW;
using testing::kUsageUsZ;

KeyLabels AzertyLabels() {
  UsageToScanTable scan;
  EXPECT_TRUE(scan.Load((ProgramFolder(FolderEnvironment::FromProcess()) / UsageToScanTable::kFileName).string()));
  return KeyLabels(scan, std::make_shared<testing::AzertyKeyNames>());
}

TEST(ButtonTextTest, AButtonThatPlaysAStoredMacroShowsTheMacrosName) {
  const TextTables texts;
  const KeyLabels keys;
  MacroSlotTable macros{};
  macros[3] = MacroSlot{"Copy", 1200, 1233, 48, 8};
  macros[7] = MacroSlot{"Old", 0, 1300, 0, 8};  // deleted: its body no longer names it
  auto text = [&](ButtonAssignment a) { return ButtonFunctionText(texts, keys, a, 50, macros); };
  EXPECT_EQ(text(ButtonAssignment::Macro(8, 1233)), "Macro Copy");
  EXPECT_EQ(text(ButtonAssignment::Macro(9, 1233)), "Macro(R) Copy");
  EXPECT_EQ(text(ButtonAssignment::Macro(10, 1233)), "Macro(F) Copy");
  // Bound to no stored macro, a built-in action, or a third byte that is not 0: no name.
  EXPECT_EQ(text(ButtonAssignment::Macro(8, 1300)), "Macro ");
  EXPECT_EQ(text(ButtonAssignment::Make(10, 26, 0, 255)), "Double click");
  EXPECT_EQ(text(ButtonAssignment::Make(8, 1233 & 0xFF, 1233 >> 8, 1)), "Macro ");
  // Every other function is its description.
  EXPECT_EQ(text(ButtonAssignment::Keyboard(0x02, kUsageUsA)), "Shift + A");
  EXPECT_EQ(BoundMacroName(ButtonAssignment::Macro(9, 1233), macros), "Copy");
}

TEST(ButtonTextTest, KeysAreNamedAsTheLayoutLabelsThem) {
  const TextTables texts;
  const KeyLabels azerty = AzertyLabels();
  const MacroSlotTable macros{};
  EXPECT_EQ(ButtonFunctionText(texts, azerty, ButtonAssignment::Keyboard(0x01, kUsageUsA), 50, macros), "Ctrl + Q");
  EXPECT_EQ(DescribeAssignment(texts, azerty, ButtonAssignment::Keyboard(0, kUsageUsQ)), "A");
  EXPECT_EQ(DescribeAssignment(texts, azerty, ButtonAssignment::Make(24, 0x02, kUsageUsW, kUsageUsZ)),
            "[AS] Shift + Z / Shift + W");
  // Keys the layout does not name keep the table's names; without labels the table names stand.
  EXPECT_EQ(DescribeAssignment(texts, azerty, ButtonAssignment::Keyboard(0x04, 0x29)), "Alt + Esc");
  EXPECT_EQ(DescribeAssignment(texts, ButtonAssignment::Keyboard(0x01, kUsageUsA)), "Ctrl + A");
  EXPECT_EQ(azerty.KeyName(0x64), "");  // no row in the key name table
  // A name reads back as the key shown under it; names the layout lacks are the table's.
  EXPECT_EQ(azerty.UsageOfName("a"), kUsageUsQ);
  EXPECT_EQ(azerty.UsageOfName("Esc"), 0x29);
  EXPECT_EQ(azerty.UsageOfName("Hyper"), std::nullopt);
}

}  // namespace
}  // namespace halvric
