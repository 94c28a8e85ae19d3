#include "config/key_tables.h"

#include <gtest/gtest.h>
#include <map>

#include "config/temp_folder.h"
#include "config/usage_to_scan_table.h"
#include "platform/folders.h"
#include "platform/key_names.h"

namespace halvric {
namespace {

class FakeKeyNames : public KeyNameSource {
 public:
  std::map<int, std::string> names;
  std::string KeyName(int scan_code) const override {
    const auto it = names.find(scan_code);
    return it == names.end() ? std::string() : it->second;
  }
};

std::string ResourcePath(const char* name) {
  return (ProgramFolder(FolderEnvironment::FromProcess()) / name).string();
}

TEST(KeyTablesTest, TablesHaveTheirFixedRows) {
  const auto keys = KeyNameTable();
  ASSERT_EQ(keys.size(), 114u);
  EXPECT_EQ(keys[0].code, 0x04);
  EXPECT_EQ(keys[110].code, 0xE7);
  EXPECT_EQ(keys[113].code, 0x89);
  EXPECT_EQ(KeyTableName(0x04), "A");
  EXPECT_EQ(KeyTableName(0x87), "\u2216");
  EXPECT_EQ(KeyTableName(0x64), "");
  EXPECT_EQ(ConsumerKeyTable().size(), 14u);
  EXPECT_EQ(ConsumerKeyRow(0xE9), 6);
  EXPECT_EQ(ConsumerKeyRow(0xB4), -1);
  EXPECT_EQ(ConsumerUsageName(0x223), "WWW Home");
  EXPECT_EQ(ConsumerUsageName(0x999), "Unknown");
}

TEST(KeyTablesTest, ScanTableResourceLoads) {
  UsageToScanTable t;
  ASSERT_TRUE(t.Load(ResourcePath(UsageToScanTable::kFileName)));
  EXPECT_EQ(t.ScanCode(0x04), 30);
  EXPECT_EQ(t.ScanCode(0xE4), 0xE01D);
  EXPECT_EQ(t.ScanCode(0x46), 0xE037);
  EXPECT_EQ(t.ScanCode(0x64), 0x56);
  EXPECT_EQ(t.ScanCode(0x91), 0x71);
  EXPECT_EQ(t.ScanCode(255), 0);  // the last line has no line break and is not read
  EXPECT_EQ(t.ScanCode(300), 0);
  EXPECT_EQ(t.UsageForScanCode(0xE01D), 0xE4);
  EXPECT_EQ(t.UsageForScanCode(0x2B), 0x31);
  EXPECT_EQ(t.UsageForScanCode(0x7F), 0);
  int mapped = 0;
  for (int u = 0; u < 256; ++u) mapped += t.ScanCode(u) != 0;
  EXPECT_EQ(mapped, 108);
}

TEST(KeyTablesTest, ScanTableParsingRules) {
  const auto t = UsageToScanTable::Parse(
      " 5 48\r\n"      // blank at position 0: skipped
      "6\t46\n"       // no blank: skipped
      "7  \t32 \r\r\n"  // stray CR removed, scan code trimmed
      "999 77\n"      // usage out of range goes to 0
      "8 x\n"
      "9 12");        // no final line break: not read
  EXPECT_EQ(t.ScanCode(5), 0);
  EXPECT_EQ(t.ScanCode(6), 0);
  EXPECT_EQ(t.ScanCode(7), 32);
  EXPECT_EQ(t.ScanCode(0), 77);
  EXPECT_EQ(t.ScanCode(8), 0);
  EXPECT_EQ(t.ScanCode(9), 0);
  testing::TempFolder dir;
  UsageToScanTable missing;
  EXPECT_FALSE(missing.Load((dir.path() / "none.txt").string()));
}

TEST(KeyTablesTest, KeyNameTextPrefersLayoutNames) {
  UsageToScanTable t;
  ASSERT_TRUE(t.Load(ResourcePath(UsageToScanTable::kFileName)));
  FakeKeyNames layout;
  layout.names[0x1E] = std::string("Q");       // a layout that puts Q where A is
  layout.names[0xE053] = std::string("Entf");  // extended key
  const NoKeyNames none;
  EXPECT_EQ(KeyNameText(0x04, 0, t, none), "A");
  EXPECT_EQ(KeyNameText(0x04, 0x03, t, layout), "Ctrl + Shift + Q");
  EXPECT_EQ(KeyNameText(0x4C, 0x80, t, layout), "Win + Entf");
  EXPECT_EQ(KeyNameText(0, 0x01, t, layout), "Ctrl");
  EXPECT_EQ(KeyNameText(0, 0x44, t, layout), "Alt");
  EXPECT_EQ(KeyNameText(0, 0, t, layout), "");
  EXPECT_EQ(KeyNameText(0x8A, 0x10, t, none), "Ctrl + \u5909\u63db");  // no scan code: table name
}

}  // namespace
}  // namespace halvric
