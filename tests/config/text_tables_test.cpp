#include "config/text_tables.h"

#include <gtest/gtest.h>

#include "config/key_tables.h"
#include "config/temp_folder.h"

namespace halvric {
namespace {

TEST(TextTablesTest, EnglishDefaultsHaveTheirSlots) {
  const TextTables t;
  struct Expect { TextFamily family; int count; int index; const char* text; };
  const Expect cases[] = {
      {TextFamily::type_str, 43, 4, "Mouse "},
      {TextFamily::type_str, 43, 7, "\u4fdd\u7559"},
      {TextFamily::type_str, 43, 39, ""},
      {TextFamily::type_str, 43, 41, "Launch setting"},
      {TextFamily::type_str, 43, 42, "-- End --"},
      {TextFamily::extra_function_str, 100, 0, "Volume scroll"},
      {TextFamily::cap_input_str, 6, 4, "New macro - enter macro name"},
      {TextFamily::macro_str, 17, 16, "Mouse Move to (%d , %d)"},
      {TextFamily::macro_bt_str, 5, 4, "B5"},
      {TextFamily::mouse_str, 11, 10, "Triple click"},
      {TextFamily::button_str, 60, 39, "New folder"},
      {TextFamily::button_str, 60, 45, "Light effect"},
      {TextFamily::button_str, 60, 59, "Set all lights"},
      {TextFamily::button_tip_str, 60, 24, "Hz"},
      {TextFamily::button_tip_str, 60, 55, "Random 2"},
      {TextFamily::drag_tip_str, 10, 5, "Drag to the right edit area for editing.\r\nDrag to the left list for saving."},
      {TextFamily::msg_str, 70, 20, "invalid format !!"},
      {TextFamily::msg_str, 70, 47, "Lock Y-axis"},
      {TextFamily::msg_str, 70, 64, "Auto"},
      {TextFamily::class_str, 8, 6, "Key Cycle"},
      {TextFamily::menu_str, 2, 1, "Quit"},
      {TextFamily::consumer_key_str, 14, 13, "Fast Forward"},
      {TextFamily::firmware_str, 1, 0, "Firmware version"},
  };
  for (const Expect& e : cases) {
    EXPECT_EQ(t.Count(e.family), e.count) << static_cast<int>(e.family);
    EXPECT_EQ(t.Get(e.family, e.index), e.text) << static_cast<int>(e.family) << " " << e.index;
  }
  EXPECT_EQ(t.Get(TextFamily::msg_str, 70), "");
  EXPECT_EQ(t.Get(TextFamily::msg_str, -1), "");
}

TEST(TextTablesTest, LanguageFileReplacesKeyByKey) {
  testing::TempFolder dir;
  const std::string path = dir.PutUtf16("language.ini",
      "[MISC]\r\nEnableColor=1\r\n"
      "[1033]\r\ntype_str1=No function\r\n"
      "[1028]\r\ntype_str1=\u7121\u529f\u80fd\r\nmsg_str10=\r\n"
      "drag_tip_str0=line one\\nline two\\\\n\r\n"
      "button_tip_str56=Maus\r\nbutton_tip_str57=Tastatur\r\nclass_str1=Keyboard page\r\n"
      "launch_str=Start\r\nconsumer_key_str13=FF\r\nconsumer_key_str14=beyond the table\r\n");
  TextTables t;
  EXPECT_EQ(t.LoadLanguage(path, 1028), 1028);
  EXPECT_EQ(t.enable_color(), 1);
  EXPECT_EQ(t.Get(TextFamily::type_str, 1), "\u7121\u529f\u80fd");
  EXPECT_EQ(t.Get(TextFamily::msg_str, 10), "");               // present and empty
  EXPECT_EQ(t.Get(TextFamily::msg_str, 11), "All setting will be reset !!  continue?");  // absent
  EXPECT_EQ(t.Get(TextFamily::drag_tip_str, 0), "line one\r\nline two\\\r\n");
  EXPECT_EQ(t.Get(TextFamily::class_str, 0), "Maus");
  EXPECT_EQ(t.Get(TextFamily::button_tip_str, 56), "Maus");
  EXPECT_EQ(t.Get(TextFamily::class_str, 1), "Keyboard page");  // its own key wins
  EXPECT_EQ(t.Get(TextFamily::type_str, 41), "Start");
  EXPECT_EQ(t.Get(TextFamily::consumer_key_str, 13), "FF");
  EXPECT_EQ(ConsumerKeyName(t, 0xB3), "FF");
  EXPECT_EQ(t.Count(TextFamily::consumer_key_str), 14);
}

TEST(TextTablesTest, MissingSectionFallsBackTo1033) {
  testing::TempFolder dir;
  // Section 1041 exists but lacks type_str1, so it does not count as present.
  const std::string path = dir.Put("language.ini", "[1033]\ntype_str1=Nothing\n[1041]\nmsg_str0=x\n");
  TextTables t;
  EXPECT_EQ(t.LoadLanguage(path, 1041), 1033);
  EXPECT_EQ(t.Get(TextFamily::type_str, 1), "Nothing");
  EXPECT_EQ(t.Get(TextFamily::msg_str, 0), "Function list");
  TextTables v;
  EXPECT_EQ(v.LoadLanguage((dir.path() / "missing.ini").string(), 1028), 1033);
  EXPECT_EQ(v.Get(TextFamily::type_str, 1), "No function");
  EXPECT_EQ(v.enable_color(), 0);
}

}  // namespace
}  // namespace halvric
