#include "macro/macro_library.h"

#include <gtest/gtest.h>

#include "config/text_tables.h"
#include "macro/macro_file.h"
#include "macro/mf_fixture.h"
#include "platform/folders.h"
#include "support/macro_file_status.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;
using test::MacroFileBytes;
using test::Str16;

class MacroLibraryTest : public ::testing::Test {
 protected:
  MacroLibraryTest() : library_(DataFolderOf(dir_), texts_, Hooks()) {
    EXPECT_TRUE(EnsureDataFolder(DataFolderOf(dir_)));
  }

  // The data folder as the program finds it, pointed at the temporary folder.
  static fs::path DataFolderOf(const test::TempDir& dir) {
    setenv("HALVRIC_DATA_DIR", dir.path().c_str(), 1);
    return DataFolder(FolderEnvironment::FromProcess());
  }

  MacroLibraryHooks Hooks() {
    MacroLibraryHooks hooks;
    hooks.show_message = [this](const std::string& text) { messages_.push_back(text); };
    hooks.confirm = [this](const std::string& text) {
      questions_.push_back(text);
      return answer_;
    };
    hooks.delete_mouse_macro = [this](int slot) {
      deleted_slot_ = slot;
      return true;
    };
    hooks.now = [this] { return now_; };
    return hooks;
  }
  void Put(const fs::path& relative, const std::string& name, int64_t time, int mode = 8) {
    fs::create_directories((library_.tree() / relative).parent_path());
    test::WriteFile(library_.tree() / relative, MacroFileBytes("6.2", time, Str16(name), mode, {0x83, 0x04}));
  }
  const _MACRO_LIST_ITEM_& Entry(const std::string& name) {
    for (const auto& e : library_.macros()) {
      if (e.name == name) return e;
    }
    ADD_FAILURE() << "no entry " << name;
    static const _MACRO_LIST_ITEM_ none;
    return none;
  }

  test::TempDir dir_;
  TextTables texts_;
  int64_t now_ = 1700000000;
  bool answer_ = true;
  int deleted_slot_ = -1;
  std::vector<std::string> messages_;
  std::vector<std::string> questions_;
  MacroLibrary library_;
};

TEST_F(MacroLibraryTest, ScanBuildsTreeIdsAndSortsNewestFirst) {
  Put("Games/1.mf", "Reload", 100);
  Put("Games/2.mf", "Reload", 300);
  Put("Games/Deep/3.mf", "Aim", 50, 10);
  Put("4.mf", "Burst", 10);
  test::WriteFile(library_.tree() / "short.mf", {1, 2, 3, 4, 5, 6, 7, 8, 9});
  test::WriteFile(library_.tree() / "bad.mf", test::Bytes(12, 0x41));
  test::WriteFile(library_.tree() / "notes.txt", MacroFileBytes("6.2", 1, Str16("Txt"), 8, {}));
  library_.ScanLibrary();

  std::vector<std::string> names;
  for (const auto& e : library_.macros()) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Aim", "Burst", "Deep", "Games", "Reload", "Reload"}));
  EXPECT_EQ(messages_, (std::vector<std::string>{"invalid format !!"}));  // the 9-byte file is silent

  const auto& games = Entry("Games");
  const auto& deep = Entry("Deep");
  EXPECT_EQ(games.type, kEntryFolder);
  EXPECT_EQ(games.depth, 1);
  EXPECT_EQ(games.parent, 0);
  EXPECT_EQ(games.size, 3);  // Deep and two macros
  EXPECT_EQ(deep.depth, 2);
  EXPECT_EQ(deep.parent, games.id);
  EXPECT_EQ(Entry("Aim").parent, deep.id);
  EXPECT_EQ(Entry("Aim").depth, 3);
  EXPECT_EQ(Entry("Aim").type, 10);
  EXPECT_EQ(Entry("Aim").size, 2 + 33);
  EXPECT_EQ(Entry("Burst").parent, 0);
  EXPECT_EQ(library_.macros()[4].time, 300);  // equal names: newest first
  EXPECT_EQ(library_.macros()[5].time, 100);
  std::vector<int> ids;
  for (const auto& e : library_.macros()) ids.push_back(e.id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(MacroLibraryTest, FoldersAreCleanedOpenedAndRenamedWithTheirState) {
  const auto folder = library_.NewFolder({}, "a:b");
  ASSERT_TRUE(folder);
  EXPECT_EQ(*folder, library_.tree() / "a_b");
  EXPECT_TRUE(library_.IsExpanded(folder->string()));
  EXPECT_FALSE(library_.NewFolder({}, ".."));
  const auto inner = library_.NewFolder(*folder, "inner");
  ASSERT_TRUE(inner);
  library_.SetExpanded(inner->string(), false);

  const auto renamed = library_.RenameEntry(Entry("a_b"), "x/y");
  ASSERT_TRUE(renamed);
  EXPECT_EQ(*renamed, (library_.tree() / "x_y").string());
  EXPECT_TRUE(fs::is_directory(library_.tree() / "x_y" / "inner"));
  EXPECT_TRUE(library_.IsExpanded(*renamed));
  EXPECT_FALSE(library_.IsExpanded((library_.tree() / "x_y" / "inner").string()));
  EXPECT_EQ(Entry("inner").parent, Entry("x_y").id);
}

TEST_F(MacroLibraryTest, RenamedMacroMovesToAFreshNumberWithoutOverwriting) {
  Put("100.mf", "Old", 5, 9);
  Put("1700000001.mf", "Other", 6);
  library_.ScanLibrary();
  auto path = library_.RenameEntry(Entry("Old"), "New name that is too long");
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, (library_.tree() / "1700000000.mf").string());
  EXPECT_FALSE(fs::exists(library_.tree() / "100.mf"));
  // Twice within one second: the file already has that name.
  path = library_.RenameEntry(Entry("New name that i"), "Again");
  EXPECT_EQ(*path, (library_.tree() / "1700000000.mf").string());
  Macro macro;
  ASSERT_EQ(test::LoadMacro(*path, macro), MacroFileStatus::kOk);
  EXPECT_EQ(macro.name, "Again");
  EXPECT_EQ(macro.mode, 9);
  EXPECT_EQ(SerializeInstructions(macro.items), (test::Bytes{0x83, 0x04}));

  // A second later the fresh name belongs to another macro, which must survive.
  now_ += 1;
  path = library_.RenameEntry(Entry("Again"), "Third");
  ASSERT_TRUE(path);
  EXPECT_NE(*path, (library_.tree() / "1700000001.mf").string());
  EXPECT_EQ(library_.macros().size(), 2u);
  EXPECT_GE(library_.FindEntry((library_.tree() / "1700000001.mf").string()), 0);
}

TEST_F(MacroLibraryTest, LinkedInFoldersAreListedWithoutLooping) {
  Put("Games/1.mf", "Reload", 100);
  const fs::path elsewhere = dir_.path() / "elsewhere";
  fs::create_directories(elsewhere);
  test::WriteFile(elsewhere / "2.mf", MacroFileBytes("6.2", 5, Str16("Shared"), 8, {0x83, 0x04}));
  fs::create_directory_symlink(elsewhere, library_.tree() / "Linked");
  fs::create_directory_symlink(library_.tree(), library_.tree() / "Games" / "Loop");
  fs::create_symlink(dir_.path() / "nowhere", library_.tree() / "Games" / "0-broken.mf");
  library_.ScanLibrary();
  std::vector<std::string> names;
  for (const auto& e : library_.macros()) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Games", "Linked", "Reload", "Shared"}));
  EXPECT_EQ(Entry("Shared").path, (library_.tree() / "Linked" / "2.mf").string());
}

TEST_F(MacroLibraryTest, DeleteAsksAndOnlyRemovesEmptyFolders) {
  Put("Full/1.mf", "Kept", 1);
  Put("2.mf", "Gone", 2);
  fs::create_directories(library_.tree() / "Empty");
  library_.ScanLibrary();

  answer_ = false;
  EXPECT_FALSE(library_.DeleteEntry(Entry("Gone")));
  EXPECT_EQ(questions_.back(), "Delete macro 'Gone' ?");
  answer_ = true;
  EXPECT_TRUE(library_.DeleteEntry(Entry("Gone")));
  EXPECT_FALSE(fs::exists(library_.tree() / "2.mf"));
  EXPECT_EQ(library_.FindEntry((library_.tree() / "2.mf").string()), -1);

  EXPECT_FALSE(library_.DeleteEntry(Entry("Full")));
  EXPECT_EQ(questions_.back(), "Delete folder 'Full' ?");
  EXPECT_TRUE(fs::exists(library_.tree() / "Full" / "1.mf"));
  EXPECT_TRUE(library_.DeleteEntry(Entry("Empty")));
  EXPECT_FALSE(fs::exists(library_.tree() / "Empty"));

  _MACRO_LIST_ITEM_ mouse;
  mouse.inMouse = 1;
  mouse.slot = 7;
  mouse.type = 9;
  mouse.name = "In mouse";
  EXPECT_TRUE(library_.DeleteEntry(mouse));
  EXPECT_EQ(deleted_slot_, 7);
}

TEST_F(MacroLibraryTest, SaveRefreshesEntriesOfThatPath) {
  Put("1.mf", "Before", 1);
  library_.ScanLibrary();
  const std::string path = Entry("Before").path;
  now_ = 42;
  Macro macro{"After", 10, ParseInstructions(test::Bytes{0x21, 0x41, 0x61})};
  ASSERT_TRUE(library_.SaveMacro(path, macro));
  const auto& entry = library_.macros()[static_cast<std::size_t>(library_.FindEntry(path))];
  EXPECT_EQ(entry.name, "After");
  EXPECT_EQ(entry.time, 42);
  EXPECT_EQ(entry.type, 10);
  EXPECT_EQ(entry.size, 36);
  EXPECT_EQ(library_.NewMacroPath(library_.tree()), library_.tree() / "42.mf");
}

}  // namespace
}  // namespace halvric
