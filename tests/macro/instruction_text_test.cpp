#include "macro/instruction_text.h"

#include <gtest/gtest.h>

#include "config/text_tables.h"

namespace halvric {
namespace {

class InstructionTextTest : public ::testing::Test {
 protected:
  std::string Text(std::array<uint8_t, 5> code) { return InstructionText(code, texts_, names_); }
  TextTables texts_;
  InstructionNames names_ = TableInstructionNames();
};

TEST_F(InstructionTextTest, OperandsAreFormattedWithTheirSigns) {
  EXPECT_EQ(Text({0x7F}), "Wheel Scrolling  -1 count(unit)");
  EXPECT_EQ(Text({0x6F}), "Wheel Scrolling  15 count(unit)");
  EXPECT_EQ(Text({0x70}), "Wheel Scrolling  -16 count(unit)");
  EXPECT_EQ(Text({0x80, 0xFF, 0xFF, 0x01, 0x00}), "Mouse Movement (-1 , 1)");
  EXPECT_EQ(Text({0xA0, 0xFF, 0xFF, 0x01, 0x00}), "Mouse Move to (65535 , 1)");
  EXPECT_EQ(Text({0xC0, 0xFF, 0xFF, 0x01, 0x00}), "Mouse Move to (-1 , 1)");
  EXPECT_EQ(Text({0x10, 0x34, 0x12}), "Set ACC=ACC-1, if ACC!=0 then jump to address 4660");
  EXPECT_EQ(Text({0x89, 0x2C, 0x01}), "Wait 300 ms");
  EXPECT_EQ(Text({0x05}), "Loop mode");
  EXPECT_EQ(EditorModeLabel(10, texts_), "Firekey mode");
  EXPECT_EQ(EditorModeLabel(77, texts_), "One time mode");
}

TEST_F(InstructionTextTest, NamesButtonsAndEmptyTexts) {
  EXPECT_EQ(Text({0x83, 0x04}), "Press & hold Keyboard  A");
  EXPECT_EQ(Text({0x84, 0xE1}), "Release Keyboard  Left Shift");
  EXPECT_EQ(Text({0x85, 0x00, 0x00}), "Release Consumer-key");
  EXPECT_EQ(Text({0x85, 0xE9, 0x00}), "Press & hold Consumer-key  Volume +");
  EXPECT_EQ(Text({0x85, 0x24, 0x02}), "Press & hold Consumer-key  Back");
  EXPECT_EQ(Text({0x38}), "Press & hold mouse button [B4][B5]");
  EXPECT_EQ(Text({0x43}), "Release mouse button [Left][Right]");
  EXPECT_EQ(Text({0xC5}), "System command");
  EXPECT_EQ(Text({0x86}), "");
  EXPECT_EQ(Text({0x81, 0x10}), "");
  EXPECT_EQ(Text({0x00}), "Stop");
}

TEST_F(InstructionTextTest, TranslatedTextsAreFormattedSafely) {
  // A translation with a conversion the instruction does not supply must not crash.
  texts_.Set(TextFamily::macro_str, 11, "Bewegung %s / %d / %d / %n %%");
  EXPECT_EQ(Text({0x80, 0x02, 0x00, 0x03, 0x00}), "Bewegung 2 / 3 /  /  %");
  texts_.Set(TextFamily::macro_bt_str, 0, "Links");
  EXPECT_EQ(Text({0x21}), "Press & hold mouse button [Links]");
}

}  // namespace
}  // namespace halvric
