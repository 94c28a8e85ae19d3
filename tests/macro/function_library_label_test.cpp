#include "macro/function_library.h"

#include <fstream>
#include <gtest/gtest.h>

#include "config/describe_assignment.h"
#include "config/key_labels.h"
#include "config/text_tables.h"
#include "macro/mf_fixture.h"

namespace halvric {
namespace {

TEST(FunctionLibraryLabel, EntriesTakeTheirFunctionTextFoldersNone) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "library");
  std::ofstream(dir.path() / "library" / "a.ini")
      << "[DB]\nname=Keys\n"
         "[ITEM0]\nname=Copy\ntype=5\nop1=0x01\nop2=6\n"
         "[ITEM1]\nname=Lock\ntype=15\nop1=0\nop2=255\n"
         "[ITEM2]\nname=Tilt\ntype=10\nop1=0\nop2=0\nop3=255\n";
  TextTables texts;
  texts.Set(TextFamily::msg_str, 46, "X gesperrt");
  const FunctionLibrary library = LoadLibraryFiles(dir.path(), {}, texts, KeyLabels(), 50);
  ASSERT_EQ(library.entries.size(), 4u);
  EXPECT_EQ(library.entries[0].label, "");  // the folder
  for (size_t i = 1; i < library.entries.size(); ++i) {
    const auto& e = library.entries[i];
    EXPECT_EQ(e.label, DescribeAssignment(texts, e.type, e.op1, e.op2, e.op3, 50)) << e.name;
    EXPECT_FALSE(e.label.empty()) << e.name;
  }
  EXPECT_EQ(library.entries[2].label, "X gesperrt");  // the current language's text
}

}  // namespace
}  // namespace halvric
