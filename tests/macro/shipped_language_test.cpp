// The macro instruction texts of every language shipped in language.ini, formatted as the macro
// windows format them: each text must come out whole, with every operand in the place its
// conversion holds and nothing of a conversion left over.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/text_tables.h"
#include "macro/instruction_text.h"
#include "platform/folders.h"
#include "platform/profile_file.h"

namespace halvric {
namespace {

// `format` with its %d and %s conversions replaced by `args` in order.
std::string Filled(const std::string& format, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 'd' || format[i + 1] == 's')) {
      out += next < args.size() ? args[next++] : std::string("<missing>");
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

TEST(ShippedLanguageTest, InstructionTextsKeepTheirOperandsInEveryLanguage) {
  const std::string path = (ProgramFolder(FolderEnvironment::FromProcess()) / "language.ini").string();
  const ProfileFile file(path);
  ASSERT_TRUE(file.exists()) << path;
  const InstructionNames names = TableInstructionNames();

  std::vector<std::string> sections = file.Sections();
  sections.push_back("1033");  // the English defaults, as a check of the expectations themselves
  for (const std::string& section : sections) {
    TextTables t;
    const int id = std::stoi(section);
    ASSERT_EQ(t.LoadLanguage(path, id), id);
    const std::string left = "[" + t.Get(TextFamily::macro_bt_str, 0) + "]";
    const std::string right = "[" + t.Get(TextFamily::macro_bt_str, 1) + "]";
    struct Case { std::array<uint8_t, 5> code; int text; std::vector<std::string> args; };
    const Case cases[] = {
        {{0x83, 0x04}, 3, {"A"}},
        {{0x84, 0xE1}, 4, {"Left Shift"}},
        {{0x89, 0x2C, 0x01}, 5, {"300"}},
        {{0x08, 0x39, 0x05}, 6, {"1337"}},
        {{0x10, 0x34, 0x12}, 7, {"4660"}},
        {{0x18, 0x07, 0x00}, 8, {"7"}},
        {{0x85, 0xE9, 0x00}, 10, {"Volume +"}},
        {{0x80, 0x2E, 0xFB, 0x39, 0x05}, 11, {"-1234", "1337"}},
        {{0x7F}, 12, {"-1"}},
        {{0x21}, 13, {left}},
        {{0x43}, 14, {left + right}},
        {{0xC0, 0x2E, 0xFB, 0x39, 0x05}, 16, {"-1234", "1337"}},
    };
    for (const Case& c : cases) {
      const std::string format = t.Get(TextFamily::macro_str, c.text);
      EXPECT_EQ(InstructionText(c.code, t, names), Filled(format, c.args)) << "section " << section << ", macro_str" << c.text;
    }
  }
}

}  // namespace
}  // namespace halvric
