#include "macro/instruction_words.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

// Every valid instruction, with operands that reach the edges of their fields, reads back from
// its words to the same bytes.
TEST(InstructionWords, EveryInstructionReadsBackToItsBytes) {
  const KeyLabels keys;
  std::vector<_MACRO_ITEM_> items;
  for (int opcode = 1; opcode < 256; ++opcode) {
    if (InstructionSizeOf(static_cast<uint8_t>(opcode)) == 0) continue;
    for (const std::array<uint8_t, 4> operands :
         {std::array<uint8_t, 4>{0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}, {0x04, 0x00, 0x80, 0x7F}, {0x2C, 0x01, 0x01, 0x80}}) {
      items.push_back(MakeItem({static_cast<uint8_t>(opcode), operands[0], operands[1], operands[2], operands[3]}));
    }
  }
  for (const _MACRO_ITEM_& item : items) {
    const std::string words = InstructionWords(item, keys);
    std::string why;
    const auto back = ParseInstructionWords(words, keys, &why);
    ASSERT_TRUE(back) << words << ": " << why;
    EXPECT_EQ(SerializeInstructions({*back}), SerializeInstructions({item})) << words;
  }
}

TEST(InstructionWords, ReadableFormsAndTheirFallbacks) {
  const KeyLabels keys;
  EXPECT_EQ(InstructionWords(MakeItem({0x83, 0x04}), keys), "key-down A");
  EXPECT_EQ(InstructionWords(MakeItem({0x23}), keys), "button-down left+right");
  // A key name with a blank is the rest of the line.
  EXPECT_EQ(InstructionWords(MakeItem({0x84, 0xE0}), keys), "key-up " + keys.KeyName(0xE0));
  EXPECT_EQ(InstructionWords(MakeItem({0x7F}), keys), "wheel -1");
  EXPECT_EQ(InstructionWords(MakeItem({0x80, 0xFF, 0xFF, 0x05, 0x00}), keys), "move -1 5");
  EXPECT_EQ(InstructionWords(MakeItem({0x89, 0x2C, 0x01}), keys), "wait 300");
  EXPECT_EQ(InstructionWords(MakeItem({0x85, 0x00, 0x00}), keys), "media-up");
  // A 16-bit wait of less than 256 ms has no word of its own: "wait 16" would be the short form.
  EXPECT_EQ(InstructionWords(MakeItem({0x89, 0x10, 0x00}), keys), "raw 89 10 00");
  EXPECT_EQ(InstructionWords(MakeItem({0xC5}), keys), "raw c5");
}

TEST(InstructionWords, MistakesAreRefusedWithAReason) {
  const KeyLabels keys;
  std::string why;
  for (const char* bad : {"", "jump", "wait 0", "wait 65536", "wheel 16", "key-down Nokey", "button-down left+elbow",
                          "raw 83", "raw 00", "raw zz", "move 1", "fly 3"}) {
    why.clear();
    EXPECT_FALSE(ParseInstructionWords(bad, keys, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  EXPECT_EQ(SerializeInstructions({*ParseInstructionWords("KEY-UP 0x04", keys)}), (std::vector<uint8_t>{0x84, 0x04}));
}

}  // namespace
}  // namespace halvric
