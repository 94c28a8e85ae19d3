#include "platform/text.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace halvric {
namespace {

TEST(Text, TrimTakesOnlyTheGivenCharactersFromBothEnds) {
  EXPECT_EQ(Trim(" \t\r\n\v\fkey = a b\f\v\n\r\t "), "key = a b");
  EXPECT_EQ(Trim(" \t\r\n "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\r\n x \t", " \t"), "\r\n x");
  EXPECT_EQ(Trim("\x01 x \xa0", " "), "\x01 x \xa0") << "control and non-ASCII bytes are not blanks";
}

TEST(Text, CaseMappingTouchesAsciiLettersOnly) {
  EXPECT_EQ(AsciiLower("/DEV/HidRaw3 [Z@`{]"), "/dev/hidraw3 [z@`{]");
  EXPECT_EQ(AsciiUpper("rgb-az@`{"), "RGB-AZ@`{");
  EXPECT_EQ(AsciiLower("\xc3\x84\xc4"), "\xc3\x84\xc4") << "UTF-8 and Latin-1 bytes stay";
  static_assert(AsciiLower('Q') == 'q' && AsciiUpper('q') == 'Q' && AsciiLower('[') == '[');
}

TEST(Text, HexFormatsAndDigits) {
  const std::vector<uint8_t> bytes = {0x00, 0x0a, 0xf0, 0xff};
  EXPECT_EQ(FormatHex(bytes), "000af0ff");
  EXPECT_EQ(FormatHex(bytes, " "), "00 0a f0 ff");
  EXPECT_EQ(FormatHex(std::array<uint8_t, 3>{0xab, 0x01, 0xc2}, {}, HexCase::kUpper), "AB01C2");
  EXPECT_EQ(FormatHex({}, " "), "");
  std::string line = "S sim/0/if1 ";
  AppendHex(line, bytes, " ");
  EXPECT_EQ(line, "S sim/0/if1 00 0a f0 ff");

  EXPECT_EQ(FormatHexNumber(0x1f, 4), "001f");
  EXPECT_EQ(FormatHexNumber(0xbeef, 2, HexCase::kUpper), "BEEF") << "wider values are not cut";
  EXPECT_EQ(FormatHexNumber(0, 0), "0");
  EXPECT_EQ(FormatHexNumber(0x12345678, 4), "12345678");

  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), -1);
  EXPECT_EQ(HexDigitValue('/'), -1);
  EXPECT_EQ(HexDigitValue(':'), -1);
}

}  // namespace
}  // namespace halvric
