#include "macro/function_library.h"

#include <fstream>
#include <gtest/gtest.h>

#include "macro/macro_file.h"
#include "macro/mf_fixture.h"
#include "platform/folders.h"
#include "support/macro_file_status.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const FunctionLibrary& library) {
  std::vector<std::string> names;
  for (const auto& e : library.entries) names.push_back(e.name);
  return names;
}

TEST(FunctionLibrary, SectionGapsMissingFilesAndFolders) {
  test::TempDir dir;
  fs::create_directories(dir.path() / "library" / "m");
  test::WriteFile(dir.path() / "library" / "m" / "ok.mf",
                  test::MacroFileBytes("6.1", 9, test::Str16("Ok"), 9, {0x21, 0x41}));
  std::ofstream(dir.path() / "library" / "b.ini") << "[DB]\nname=Second\ntag=t2\n"
      "[ITEM0]\nname=Gone macro\ntype=8\npath=m/missing.mf\n"
      "[ITEM1]\nname=No path\ntype=9\n"
      "[ITEM7]\nname=Macro\ndesc=d\ntype=9\npath=m/ok.mf\n"
      "[ITEM8]\nname=Escape\ntype=9\npath=../outside.mf\n"
      "[ITEM9]\nname=Absolute\ntype=9\npath=" + (dir.path() / "outside.mf").string() + "\n"
      "[ITEM159]\nname=Last\ntype=5\nop1=0x02\nop2=4\n"
      "[ITEM160]\nname=Beyond\ntype=1\n";
  // Macro files outside the library folder are never read, whatever the library file says.
  test::WriteFile(dir.path() / "outside.mf", test::MacroFileBytes("6.1", 9, test::Str16("Out"), 9, {0x21, 0x41}));
  std::ofstream(dir.path() / "library" / "a.ini") << "[DB]\nname=First\n[ITEM3]\nname=Only\ntype=1\n";
  std::ofstream(dir.path() / "library" / "c.ini") << "[ITEM0]\nname=No DB name\ntype=1\n";

  const FunctionLibrary library = LoadLibraryFiles(dir.path(), {}, 10);
  EXPECT_EQ(Names(library), (std::vector<std::string>{"@_INTERNAL_0", "Only", "@_INTERNAL_1", "Macro", "Last"}));
  ASSERT_EQ(library.files.size(), 2u);
  EXPECT_EQ(library.files[1].name, "Second");
  EXPECT_EQ(library.files[1].tag, "t2");
  const auto& folder = library.entries[2];
  EXPECT_EQ(folder.type, kEntryFolder);
  EXPECT_EQ(folder.size, 2);
  EXPECT_EQ(folder.id, 12);
  const auto& macro = library.entries[3];
  EXPECT_EQ(macro.parent, folder.id);
  EXPECT_EQ(macro.depth, 2);
  EXPECT_EQ(macro.size, 2 + 33);
  EXPECT_EQ(macro.desc, "d");
  EXPECT_EQ(macro.path, (dir.path() / "library" / "m" / "ok.mf").string());
  EXPECT_EQ(library.entries[4].op1, 2);
  EXPECT_EQ(InternalFolderIndex("@_INTERNAL_1"), 1);
  EXPECT_EQ(InternalFolderIndex("@_INTERNAL_x"), -1);
}

TEST(FunctionLibrary, VariantAndTouchFilters) {
  for (const int variant : {0, 1, 4, 5}) {
    EXPECT_FALSE(LibraryEntryAdmitted(18, 0, {variant, true})) << variant;
    EXPECT_FALSE(LibraryEntryAdmitted(20, 0, {variant, true})) << variant;
  }
  EXPECT_TRUE(LibraryEntryAdmitted(18, 0, {2, true}));
  EXPECT_TRUE(LibraryEntryAdmitted(20, 0, {3, true}));
  EXPECT_TRUE(LibraryEntryAdmitted(18, 0, {6, true}));
  EXPECT_FALSE(LibraryEntryAdmitted(20, 0, {6, true}));
  EXPECT_FALSE(LibraryEntryAdmitted(2, 1, {0, false}));
  EXPECT_TRUE(LibraryEntryAdmitted(2, 2, {0, false}));
  EXPECT_TRUE(LibraryEntryAdmitted(2, 1, {0, true}));
}

// The libraries shipped with the program load completely.
TEST(FunctionLibrary, ShippedLibrariesLoad) {
  const fs::path resources = ProgramFolder(FolderEnvironment::FromProcess());
  const FunctionLibrary library = LoadLibraryFiles(resources, {3, true});
  ASSERT_GE(library.files.size(), 2u);
  EXPECT_EQ(library.files[0].name, "Built-in functions");
  int macros = 0;
  for (const auto& e : library.entries) {
    if (e.type < 8 || e.type > 10 || e.op3 == 255) continue;
    ++macros;
    Macro macro;
    EXPECT_EQ(test::LoadMacro(e.path, macro), MacroFileStatus::kOk) << e.path;
    EXPECT_FALSE(macro.items.empty());
  }
  EXPECT_GE(macros, 4);
  EXPECT_EQ(library.entries[0].size, 8);  // all built-ins admitted for variant 3
}

}  // namespace
}  // namespace halvric
