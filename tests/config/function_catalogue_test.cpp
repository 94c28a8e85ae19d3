#include "config/function_catalogue.h"

#include <gtest/gtest.h>

#include "config/describe_assignment.h"
#include "config/text_tables.h"

namespace halvric {
namespace {

TEST(FunctionCatalogueTest, EntriesDependOnTheDevice) {
  const TextTables t;
  const auto plain = BuildFunctionCatalogue(t, 11, 11, false);
  ASSERT_EQ(plain.size(), 25u);
  EXPECT_EQ(BuildFunctionCatalogue(t, 11, 11, true).size(), 41u);
  const auto old = BuildFunctionCatalogue(t, 15, 9, false);
  ASSERT_EQ(old.size(), 24u);
  EXPECT_EQ(std::count_if(old.begin(), old.end(), [](const _FITEM_& e) { return e.type == 18; }), 0);
  EXPECT_EQ(BuildFunctionCatalogue(t, 15, 10, false).size(), 25u);

  // Every entry's name is what DescribeAssignment shows for it, except the two plain DPI entries
  // whose name is the type name without resolutions.
  for (const _FITEM_& e : BuildFunctionCatalogue(t, 11, 11, true)) {
    EXPECT_EQ(e.enabled, 1);
    EXPECT_TRUE(e.category == kCataloguePageMouse || e.category == kCataloguePageAdvanced);
    if ((e.type == 15 && e.p1 == 8) || e.type == 27 || e.type == 33) continue;
    EXPECT_EQ(DescribeAssignment(t, e.Assignment()), e.name) << e.type << " " << e.p1;
  }
  EXPECT_EQ(plain[3].name, "Forward");
  EXPECT_EQ(plain[3].p1, 16);
  EXPECT_EQ(plain[13].category, kCataloguePageMouse);
  EXPECT_EQ(plain[14].category, kCataloguePageAdvanced);
  EXPECT_EQ(plain[18].name, "Lock Y-axis");
}

TEST(FunctionCatalogueTest, HiddenTypesAndFilter) {
  EXPECT_EQ(HiddenTypesForPosition(14, 0, 0).size(), 8u);
  EXPECT_TRUE(HiddenTypesForPosition(14, 5, 0).empty());
  EXPECT_TRUE(HiddenTypesForPosition(12, 0, 0).empty());
  EXPECT_EQ(HiddenTypesForPosition(13, 0, 1).size(), 8u);
  EXPECT_EQ(HiddenTypesForPosition(22, 10, 0).size(), 8u);
  EXPECT_TRUE(HiddenTypesForPosition(22, 11, 0).empty());
  EXPECT_EQ(HiddenTypesForPosition(31, 11, 0).size(), 8u);
  EXPECT_TRUE(HiddenTypesForPosition(31, 10, 0).empty());

  const TextTables t;
  const auto list = BuildFunctionCatalogue(t, 2, 11, false);
  const auto hidden = HiddenTypesForPosition(30, 11, 0);
  int shown = 0;
  for (const _FITEM_& e : list) shown += IsCatalogueEntryShown(e, 2, hidden);
  EXPECT_EQ(shown, 25 - 8);  // types 15 (x3), 18, 21, 32, 33, 27; no entry has type 2 or 25
  int shown_other = 0;
  for (const _FITEM_& e : list) shown_other += IsCatalogueEntryShown(e, 11, {});
  EXPECT_EQ(shown_other, 24);  // "Adjust lift" only for type codes 2, 3, 6, 15
}

TEST(FunctionCatalogueTest, Preselection) {
  const TextTables t;
  const auto list = BuildFunctionCatalogue(t, 11, 11, false);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::LockXAxis()), 19);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::DpiHotkey(3, 5)), 20);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::FireButton(2, 9, 3)), 12);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::RapidFire(200)), 13);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::BuiltIn(builtin_action::kTiltRight)), 8);
  EXPECT_EQ(PreselectedCatalogueEntry(list, ButtonAssignment::Keyboard(0, 4)), -1);
}

}  // namespace
}  // namespace halvric
