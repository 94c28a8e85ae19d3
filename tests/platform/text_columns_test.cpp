#include "platform/text_columns.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

TEST(TextColumns, WideCharactersTakeTwoColumnsAndInvalidBytesOne) {
  EXPECT_EQ(DisplayWidth("level11"), 7u);
  EXPECT_EQ(DisplayWidth("Größe"), 5u);
  EXPECT_EQ(DisplayWidth("テキスト"), 8u);
  EXPECT_EQ(DisplayWidth("텍스트"), 6u);
  EXPECT_EQ(DisplayWidth("\xFF\xC3"), 2u);  // a stray byte and a sequence cut off at the end
}

TEST(TextColumns, LinesBreakAtBlanksOrBetweenIdeographsButNeverBeforeClosingMarks) {
  EXPECT_EQ(WrapColumns("print the version and end", 12),
            (std::vector<std::string>{"print the", "version and", "end"}));
  // No blanks in Chinese: the break falls between ideographs, and "。" stays with its phrase.
  EXPECT_EQ(WrapColumns("显示此文本并退出。", 10), (std::vector<std::string>{"显示此文本", "并退出。"}));
  // Nor does a line end with an opening bracket; after "、" it may break.
  EXPECT_EQ(WrapColumns("动作（level0、level5）", 12), (std::vector<std::string>{"动作", "（level0、", "level5）"}));
  // A word of Latin letters inside CJK text stays whole.
  EXPECT_EQ(WrapColumns("将模拟鼠标保存在 FILE 中", 18), (std::vector<std::string>{"将模拟鼠标保存在", "FILE 中"}));
  // Korean is written with blanks: its words stay whole.
  EXPECT_EQ(WrapColumns("이 텍스트를 출력하고 종료", 14), (std::vector<std::string>{"이 텍스트를", "출력하고 종료"}));
  // A word wider than the line stands alone; nothing is lost.
  EXPECT_EQ(WrapColumns("a level11-blank b", 6), (std::vector<std::string>{"a", "level11-blank", "b"}));
  EXPECT_TRUE(WrapColumns("", 10).empty());
}

}  // namespace
}  // namespace halvric
