#include "config/describe_assignment.h"

#include <gtest/gtest.h>

#include "config/text_tables.h"
#include "device/memory_map.h"

namespace halvric {
namespace {

struct Case {
  int type, p1, p2, p3;
  const char* text;
};

TEST(DescribeAssignmentTest, TextsPerType) {
  const TextTables t;
  const Case cases[] = {
      {4, 1, 0, 0, "Left click"},
      {4, 3, 0, 0, "Left clickRight click"},
      {4, 0, 255, 0, "Scroll down"},
      {4, 1, 1, 0, "Scroll up"},
      {4, 0, 0, 0, ""},
      {35, 0x11, 0, 0, "Left clickForward (Smart repeat)"},
      {5, 0x02, 0x04, 0, "Shift + A"},
      {5, 0x02, 0, 0, "Shift"},
      {5, 0, 0x04, 0, "A"},
      {5, 0x99, 0x29, 0, "Ctrl + Win + Esc"},
      {6, 0xE9, 0, 0, "Volume +"},
      {6, 0x23, 0x02, 0, "Web Browser"},
      {6, 0xB4, 0, 0, ""},
      {15, 8, 8, 0, "DPI firekey [X:400 , Y:400]"},
      {16, 2, 4, 0x02, "DPI hotkey [X:100 , Y:200] Right click"},
      {15, 0, 255, 0, "Lock X-axis"},
      {15, 255, 0, 0, "Lock Y-axis"},
      {27, 1, 5, 0, "Fire button (50ms)"},
      {27, 3, 5, 2, "Left click Right click x2"},
      {33, 1, 30, 0, "Rapid fire (30ms)"},
      {10, 26, 0, 255, "Double click"},
      {10, 26, 0, 0, "Macro(F) "},
      {8, 10, 0, 255, "Tilt right"},
      {9, 5, 0, 255, "Macro(R) "},
      {2, 1, 0, 1, "Virtual Touch (Windows 8)"},
      {2, 1, 0, 0, "HID Key1"},
      {3, 1, 0, 0, "Launch setting"},
      {3, 2, 0, 0, "Record screen"},
      {24, 0x01, 0x52, 0x51, "[AS] Ctrl + \u2191 / Ctrl + \u2193"},
      {24, 0x01, 0, 0x51, "[AS] Ctrl / Ctrl + \u2193"},
      {25, 0xE9, 0xEA, 0x00, "[AS] Volume + / Volume -"},
      {25, 0x23, 0x94, 0x12, "[AS] Web Browser / My Computer"},
      {34, 0, 0, 0, "XBOX"},
      {34, 0x30, 0, 0, "XBOX LB"},
      {34, 0, 0x20, 0, "XBOX Back"},
      {36, 1, 0, 0, "XBOX Anlog2 toggle"},
      {37, 0, 0, 0, "Light Effects"},
      {17, 9, 9, 9, "Profile switch"},
      {41, 0, 0, 0, "Launch setting"},
      {42, 0, 0, 0, ""},
      {255, 0, 0, 0, ""},
      {-1, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DescribeAssignment(t, c.type, c.p1, c.p2, c.p3), c.text) << c.type << " " << c.p1 << " " << c.p2;
  }
  EXPECT_EQ(DescribeAssignment(t, ButtonAssignment::DpiFirekey(8, 8), DpiUnitForTypeCode(18)),
            "DPI firekey [X:800 , Y:800]");
}

TEST(DescribeAssignmentTest, FollowsTranslatedTexts) {
  TextTables t;
  t.Set(TextFamily::mouse_str, 0, "Links");
  t.Set(TextFamily::consumer_key_str, 6, "Lauter");
  t.Set(TextFamily::type_str, 33, "Dauerfeuer");
  EXPECT_EQ(DescribeAssignment(t, ButtonAssignment::MouseButtons(mouse_button::kLeft)), "Links");
  EXPECT_EQ(DescribeAssignment(t, ButtonAssignment::Consumer(0xE9)), "Lauter");
  EXPECT_EQ(DescribeAssignment(t, ButtonAssignment::RapidFire(20)), "Dauerfeuer (20ms)");
}

TEST(ButtonAssignmentTest, FactoriesLayOutTheBytes) {
  EXPECT_EQ(ButtonAssignment::Consumer(0x223).Bytes(), (std::array<uint8_t, 4>{6, 0x23, 0x02, 0}));
  EXPECT_EQ(ButtonAssignment::Wheel(-1).Bytes(), (std::array<uint8_t, 4>{4, 0, 255, 0}));
  EXPECT_EQ(ButtonAssignment::ScrollHotkeyConsumer(0x223, 0x194).Bytes(),
            (std::array<uint8_t, 4>{25, 0x23, 0x94, 0x12}));
  EXPECT_EQ(ButtonAssignment::BuiltIn(builtin_action::kDoubleClick).Bytes(), (std::array<uint8_t, 4>{10, 26, 0, 255}));
  EXPECT_EQ(ButtonAssignment::Macro(function_type::kMacroRepeat, 0x1234).Bytes(),
            (std::array<uint8_t, 4>{9, 0x34, 0x12, 0}));
  EXPECT_EQ(ButtonAssignment::Gamepad(1 << 13).Bytes(), (std::array<uint8_t, 4>{34, 0, 0x20, 0}));
  EXPECT_EQ(static_cast<int>(MemoryMapFor(0, false).Extension(1)), 0x390 + 21);
  EXPECT_EQ(static_cast<int>(MemoryMapFor(10, false).Extension(0)), 0x3F0);
  EXPECT_EQ(static_cast<int>(MemoryMapFor(11, false).Extension(4)), 0x490 + 84);
  EXPECT_EQ(ButtonAssignment::KeyCycle(function_type::kKeyCycleReverse, 0x4E5).Word(), 0x4E5);
}

}  // namespace
}  // namespace halvric
