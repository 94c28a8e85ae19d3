#include "macro/macro_file.h"

#include <gtest/gtest.h>

#include "macro/mf_fixture.h"
#include "support/macro_file_status.h"

namespace halvric {
namespace {

using test::Ascii;
using test::Bytes;
using test::MacroFileBytes;
using test::Str16;
using test::Str8;

class MacroFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Put(const std::string& name, const Bytes& bytes) {
    const auto path = dir_.path() / name;
    test::WriteFile(path, bytes);
    return path;
  }
  test::TempDir dir_;
};

const Bytes kCode = {0x83, 0x04, 0x88, 0x32, 0x84, 0x04};

TEST_F(MacroFileTest, WritesExactVersion62Bytes) {
  Macro macro{"  Fire 1 ", 9, ParseInstructions(kCode)};
  const auto path = dir_.path() / "1.mf";
  ASSERT_EQ(SaveMacroFile(path, macro, 0x0102030405LL), MacroFileStatus::kOk);
  EXPECT_EQ(test::ReadFile(path), MacroFileBytes("6.2", 0x0102030405LL, Str16("Fire 1"), 9, kCode));
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(MacroFileTest, BothVersionsAndStringFormsLoadAlike) {
  const auto v61 = Put("a.mf", MacroFileBytes("6.1", 77, Str16("Combo"), 10, kCode));
  const auto v62 = Put("b.MF", MacroFileBytes("6.2", 77, Str16("Combo"), 10, kCode));
  const auto narrow = Put("c.mf", MacroFileBytes("6.2", 77, Str8(Ascii("Combo"), 3), 10, kCode));
  const auto narrow7 = Put("d.mf", MacroFileBytes("6.1", 77, Str8(Ascii("Combo"), 7), 10, kCode));
  Macro first;
  int64_t time = 0;
  ASSERT_EQ(test::LoadMacro(v61, first, &time), MacroFileStatus::kOk);
  EXPECT_EQ(time, 77);
  EXPECT_EQ(first.name, "Combo");
  EXPECT_EQ(first.mode, 10);
  EXPECT_EQ(SerializeInstructions(first.items), kCode);
  for (const auto& path : {v62, narrow, narrow7}) {
    Macro other;
    ASSERT_EQ(test::LoadMacro(path, other), MacroFileStatus::kOk) << path;
    EXPECT_EQ(other.name, first.name);
    EXPECT_EQ(other.mode, first.mode);
    EXPECT_EQ(other.items, first.items);
  }
  // 8-bit names are Windows-1252: 0x80 is the euro sign, 0xE9 e-acute.
  const auto cp = Put("e.mf", MacroFileBytes("6.1", 1, Str8({0x80, 0xE9}), 8, {}));
  Macro accented;
  ASSERT_EQ(test::LoadMacro(cp, accented), MacroFileStatus::kOk);
  EXPECT_EQ(accented.name, "\u20AC\u00E9");

  _MACRO_LIST_ITEM_ header;
  ASSERT_EQ(test::ReadHeader(v62, header), MacroFileStatus::kOk);
  EXPECT_EQ(header.name, "Combo");
  EXPECT_EQ(header.type, 10);
  EXPECT_EQ(header.time, 77);
  EXPECT_EQ(header.size, 6 + 33);
}

TEST_F(MacroFileTest, InstructionsEndAtZeroByteAndLongNamesRoundTrip) {
  const auto path = Put("z.mf", MacroFileBytes("6.2", 5, Str16("z"), 8, {0x83, 0x04, 0x00, 0x84, 0x04}));
  Macro macro;
  ASSERT_EQ(test::LoadMacro(path, macro), MacroFileStatus::kOk);
  EXPECT_EQ(macro.items.size(), 1u);

  // A name of 300 characters needs the 3-byte count form.
  Macro long_name{std::string(300, 'x') + "\u00E4\U0001F600", 8, {}};
  const auto out = dir_.path() / "long.mf";
  ASSERT_EQ(SaveMacroFile(out, long_name, 1), MacroFileStatus::kOk);
  const Bytes bytes = test::ReadFile(out);
  const std::size_t name_at = 22 + 4 + 8;  // magic, reserved, time
  EXPECT_EQ(Bytes(bytes.begin() + name_at, bytes.begin() + name_at + 6),
            (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2F, 0x01}));  // 303 UTF-16 units
  Macro back;
  ASSERT_EQ(test::LoadMacro(out, back), MacroFileStatus::kOk);
  EXPECT_EQ(back.name, long_name.name);
}

TEST_F(MacroFileTest, MalformedFilesAreRefusedWithoutReadingPastTheData) {
  const Bytes good = MacroFileBytes("6.2", 5, Str16("ok"), 8, kCode);
  struct Case { const char* what; Bytes bytes; MacroFileStatus header; MacroFileStatus load; };
  const std::vector<Case> cases = {
      {"nine bytes", Bytes(good.begin(), good.begin() + 9), MacroFileStatus::kUnreadable, MacroFileStatus::kUnreadable},
      {"wrong magic", MacroFileBytes("6.3", 5, Str16("ok"), 8, kCode), MacroFileStatus::kInvalidFormat,
       MacroFileStatus::kInvalidFormat},
      {"garbage", Bytes(40, 0xFF), MacroFileStatus::kInvalidFormat, MacroFileStatus::kInvalidFormat},
      {"cut in the name", Bytes(good.begin(), good.begin() + 40), MacroFileStatus::kUnreadable,
       MacroFileStatus::kInvalidFormat},
      {"count past the end", MacroFileBytes("6.2", 5, Str16("ok"), 8, kCode, 7), MacroFileStatus::kInvalidFormat,
       MacroFileStatus::kInvalidFormat},
      {"negative count", MacroFileBytes("6.2", 5, Str16("ok"), 8, kCode, -1 - 0x7FFFFFFF),
       MacroFileStatus::kInvalidFormat, MacroFileStatus::kInvalidFormat},
      {"huge string count", [&] {
         Bytes b = Str16("_@_MF6.1_");
         test::Append(b, test::Le(5, 8));
         test::Append(b, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
         return b;
       }(), MacroFileStatus::kUnreadable, MacroFileStatus::kInvalidFormat},
  };
  for (const auto& c : cases) {
    const auto path = Put("bad.mf", c.bytes);
    _MACRO_LIST_ITEM_ item;
    EXPECT_EQ(test::ReadHeader(path, item), c.header) << c.what;
    Macro macro{"stale", 9, ParseInstructions(kCode)};
    EXPECT_EQ(test::LoadMacro(path, macro), c.load) << c.what;
    EXPECT_TRUE(macro.name.empty() && macro.items.empty()) << c.what;
    // A file that is refused is never rewritten by a rename.
    EXPECT_NE(RenameMacroFile(path, "renamed", 1), MacroFileStatus::kOk) << c.what;
    EXPECT_EQ(test::ReadFile(path), c.bytes) << c.what;
  }
  Macro macro;
  EXPECT_EQ(test::LoadMacro(Put("ok.txt", good), macro), MacroFileStatus::kNotMacroPath);
  EXPECT_EQ(RenameMacroFile(dir_.path() / "ok.txt", "x", 1), MacroFileStatus::kNotMacroPath);
  EXPECT_EQ(test::LoadMacro(dir_.path() / "missing.mf", macro), MacroFileStatus::kUnreadable);
}

TEST_F(MacroFileTest, RenameRewritesAs62AndKeepsInstructions) {
  const Bytes code = {0x83, 0x04, 0x00, 0x84, 0x04};
  const auto path = Put("9.mf", MacroFileBytes("6.1", 5, Str16("old"), 9, code));
  ASSERT_EQ(RenameMacroFile(path, " new ", 1234), MacroFileStatus::kOk);
  EXPECT_EQ(test::ReadFile(path), MacroFileBytes("6.2", 1234, Str16("new"), 9, code));

  const auto folder = dir_.path() / "Old folder";
  std::filesystem::create_directory(folder);
  ASSERT_EQ(RenameMacroFile(folder, "New folder", 0), MacroFileStatus::kOk);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "New folder"));
  EXPECT_FALSE(std::filesystem::exists(folder));

  // A folder never takes the name of an existing folder or file: both stay as they were.
  std::filesystem::create_directory(folder);
  Put("Old folder/keep.mf", code);
  EXPECT_EQ(RenameMacroFile(folder, "New folder", 0), MacroFileStatus::kWriteFailed);
  const auto file = Put("taken", code);
  EXPECT_EQ(RenameMacroFile(folder, "taken", 0), MacroFileStatus::kWriteFailed);
  EXPECT_EQ(test::ReadFile(file), code);
  EXPECT_EQ(test::ReadFile(folder / "keep.mf"), code);
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path() / "New folder"));
}

TEST(MacroFileNames, ExportAndImportProposals) {
  EXPECT_EQ(ExportFileName("a/b:c", "2024-03-05"), "a_b_c_2024-03-05");
  EXPECT_EQ(ExportFileName("\\\"<>|?*", "d"), "________d");
  EXPECT_EQ(ImportFileName("2024-03-05"), "macro_2024-03-05");
  EXPECT_EQ(TodayText(0).size(), 10u);
}

}  // namespace
}  // namespace halvric
