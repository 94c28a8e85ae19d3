#include "config/screen_keyboard.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "platform/folders.h"
#include "platform/key_names.h"
#include "platform/profile_file.h"

namespace halvric {
namespace {

class ScreenKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = ProgramFolder(FolderEnvironment::FromProcess());
    ASSERT_TRUE(scan_.Load((folder_ / UsageToScanTable::kFileName).string()));
  }
  std::filesystem::path folder_;
  UsageToScanTable scan_;
  TextTables texts_;
  NoKeyNames names_;
};

TEST_F(ScreenKeyboardTest, ReferenceKeyboardLoads) {
  const ProfileFile ini((folder_ / ScreenKeyboard::kFileName).string());
  EXPECT_EQ(ini.encoding(), ProfileFile::Encoding::kUtf16Le);
  const ScreenKeyboard kb = LoadScreenKeyboard(ini, texts_, scan_, names_);
  ASSERT_EQ(kb.keys.size(), 117u);
  EXPECT_EQ(kb.origin_x, 20);
  EXPECT_EQ(kb.origin_y, 100);
  int media = 0;
  for (const ScreenKey& k : kb.keys) {
    if (k.consumer_usage == 0) {
      EXPECT_NE(k.usage, 0) << k.name;
      continue;
    }
    EXPECT_EQ(k.x, 75 * media);
    EXPECT_EQ(k.y, 230);
    EXPECT_EQ(k.width, 63);
    EXPECT_GE(k.consumer_row, 0);
    EXPECT_FALSE(k.name.empty());
    ++media;
  }
  EXPECT_EQ(media, 13);
  EXPECT_EQ(kb.width, 75 * 12 + 63 + 1);
  EXPECT_EQ(kb.height, 230 + 31 + 1);
  // Esc: the table name replaces nothing longer; labels shorter than the key text stay.
  EXPECT_EQ(kb.keys[0].name, "Esc");
  EXPECT_EQ(kb.keys[0].usage, 0x29);
  EXPECT_EQ(kb.keys[0].hit, (std::array<int, 4>{22, 102, 57, 127}));
  EXPECT_EQ(kb.KeyAt(22, 102), 0);
  EXPECT_EQ(kb.KeyAt(57, 110), -1);
  const auto prtsc = std::find_if(kb.keys.begin(), kb.keys.end(), [](const ScreenKey& k) { return k.usage == 0x46; });
  ASSERT_NE(prtsc, kb.keys.end());
  EXPECT_EQ(prtsc->name, "PrtSc");
  EXPECT_EQ(prtsc->scan_code, 0xE037);
  const auto rctrl = std::find_if(kb.keys.begin(), kb.keys.end(), [](const ScreenKey& k) { return k.modifier == 0x10; });
  ASSERT_NE(rctrl, kb.keys.end());
  EXPECT_EQ(rctrl->usage, 0xE4);
  EXPECT_EQ(rctrl->name, "Ctrl");  // modifier keys keep their label
}

TEST_F(ScreenKeyboardTest, SparseAndOddFiles) {
  testing::TempFolder dir;
  texts_.Set(TextFamily::consumer_key_str, 6, "Lauter");
  const ProfileFile ini(dir.PutUtf16("keyboard.ini",
      "[KEY 1]\r\nname=LongLabelForA\r\ncode=30\r\nx=10\r\ny=5\r\nwidth=40\r\nheight=30\r\n"
      "[KEY 2]\r\nx=500\r\n"                                       // neither name nor chwcode
      "[KEY 4]\r\nname=?\r\nhwcode=0x64\r\nwidth=40\r\nheight=30\r\n"  // no table name: label stays
      "[KEY 7]\r\nchwcode=0xE9\r\ny=300\r\n"
      "[KEY 9]\r\nname=x\r\nchwcode=0xB4\r\ny=0\r\n"               // not a table usage
      "[KEY 141]\r\nname=beyond\r\n"));
  const ScreenKeyboard kb = LoadScreenKeyboard(ini, texts_, scan_, names_);
  ASSERT_EQ(kb.keys.size(), 4u);
  EXPECT_EQ(kb.origin_x, 0);
  EXPECT_EQ(kb.keys[0].name, "A");
  EXPECT_EQ(kb.keys[0].usage, 0x04);
  EXPECT_EQ(kb.keys[0].hit, (std::array<int, 4>{12, 7, 47, 32}));
  EXPECT_EQ(kb.keys[1].name, "?");
  EXPECT_EQ(kb.keys[2].name, "Lauter");
  EXPECT_EQ(kb.keys[2].consumer_row, 6);
  EXPECT_EQ(kb.keys[3].name, "");
  EXPECT_EQ(kb.keys[3].consumer_row, -1);
  EXPECT_EQ(kb.keys[3].x, 75);
  EXPECT_EQ(kb.keys[3].y, 300);
  EXPECT_EQ(kb.width, 75 + 63 + 1);
  EXPECT_EQ(kb.height, 300 + 31 + 1);
}

}  // namespace
}  // namespace halvric
