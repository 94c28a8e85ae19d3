#include "macro/instruction_set.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

std::vector<uint8_t> Serialized(const MacroItemList& items) { return SerializeInstructions(items); }

TEST(InstructionSet, LengthRuleCoversEveryOpcodeGroup) {
  struct Case { uint8_t opcode; int size; };
  const Case cases[] = {{0x00, 1}, {0x01, 1}, {0x02, 0}, {0x04, 1}, {0x06, 1}, {0x07, 0}, {0x08, 3},
                        {0x09, 0}, {0x10, 3}, {0x18, 3}, {0x1F, 0}, {0x20, 1}, {0x3F, 1}, {0x5F, 1},
                        {0x7F, 1}, {0x80, 5}, {0x81, 2}, {0x82, 2}, {0x83, 2}, {0x84, 2}, {0x85, 3},
                        {0x86, 0}, {0x87, 0}, {0x88, 2}, {0x89, 3}, {0x8A, 0}, {0x9F, 0}, {0xA0, 5},
                        {0xA1, 0}, {0xBF, 0}, {0xC0, 5}, {0xC1, 1}, {0xC5, 1}, {0xCF, 1}, {0xD0, 0},
                        {0xFF, 0}};
  for (const auto& c : cases) EXPECT_EQ(InstructionSizeOf(c.opcode), c.size) << std::hex << int(c.opcode);

  const uint8_t mode[5] = {0x05, 1, 2, 3, 4};
  _MACRO_ITEM_ item;
  EXPECT_EQ(InstructionLength(mode, item), 2);
  EXPECT_EQ(item.size, 1);
  const uint8_t bad[5] = {0x86, 9, 9, 9, 9};
  EXPECT_EQ(InstructionLength(bad, item), 255);
  EXPECT_EQ(item.size, 0);
  const uint8_t move[5] = {0x80, 1, 2, 3, 4};
  EXPECT_EQ(InstructionLength(move, item), 0);
  EXPECT_EQ(item.size, 5);
  EXPECT_EQ(item.code[4], 4);
}

TEST(InstructionSet, ParsingStopsAtEndByteLimitAndInvalidOpcode) {
  const std::vector<uint8_t> keys = {0x83, 0x04, 0x84, 0x04, 0x00, 0x83, 0x05};
  const MacroItemList items = ParseInstructions(keys);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], MakeItem({0x83, 0x04}));
  EXPECT_EQ(items[1], MakeItem({0x84, 0x04}));

  // The count bound of the mouse reader.
  EXPECT_EQ(ParseInstructions(keys, 1).size(), 1u);
  // An instruction cut by the end of the data is not taken.
  const std::vector<uint8_t> cut = {0x88, 0x10, 0x80, 0x01, 0x00};
  EXPECT_EQ(ParseInstructions(cut).size(), 1u);
  // An invalid opcode ends the walk.
  const std::vector<uint8_t> invalid = {0x20, 0x86, 0x40};
  EXPECT_EQ(ParseInstructions(invalid).size(), 1u);

  const std::vector<uint8_t> mixed = {0x89, 0x2C, 0x01, 0xC0, 0xFF, 0xFF, 0x01, 0x00, 0x61, 0x85, 0xE9, 0x00};
  EXPECT_EQ(Serialized(ParseInstructions(mixed)), mixed);
}

TEST(InstructionSet, DelayChoiceAndHandInsertedItems) {
  _MACRO_ITEM_ item;
  EXPECT_FALSE(DelayInstruction(0, item));
  ASSERT_TRUE(DelayInstruction(255, item));
  EXPECT_EQ(Serialized({item}), (std::vector<uint8_t>{0x88, 0xFF}));
  ASSERT_TRUE(DelayInstruction(256, item));
  EXPECT_EQ(Serialized({item}), (std::vector<uint8_t>{0x89, 0x00, 0x01}));
  ASSERT_TRUE(DelayInstruction(70000, item));
  EXPECT_EQ(Serialized({item}), (std::vector<uint8_t>{0x89, 0x70, 0x11}));

  EXPECT_EQ(Serialized({DefaultDelayItem()}), (std::vector<uint8_t>{0x88, 0x01}));
  const auto keys = KeyStrokePair(0x04);
  EXPECT_EQ(Serialized({keys[0], keys[1]}), (std::vector<uint8_t>{0x83, 0x04, 0x84, 0x04}));
  const auto click = ButtonClickPair(0x03);
  EXPECT_EQ(Serialized({click[0], click[1]}), (std::vector<uint8_t>{0x23, 0x43}));
  EXPECT_EQ(WheelItem(-1).code[0], 0x7F);
  EXPECT_EQ(WheelItem(-40).code[0], 0x70);
  EXPECT_EQ(WheelItem(40).code[0], 0x6F);
  EXPECT_EQ(Serialized({MoveToItem(-1, 1)}), (std::vector<uint8_t>{0xC0, 0xFF, 0xFF, 0x01, 0x00}));
  EXPECT_EQ(Serialized({MoveByItem(-2, 300)}), (std::vector<uint8_t>{0x80, 0xFE, 0xFF, 0x2C, 0x01}));
}

}  // namespace
}  // namespace halvric
