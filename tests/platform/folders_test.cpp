#include "platform/folders.h"

#include <fstream>
#include <gtest/gtest.h>
#include <stdlib.h>

namespace halvric {
namespace {

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/halvric_folders_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    root_ = templ;
    env_.home = (root_ / "home").string();
    std::filesystem::create_directories(root_ / "home" / ".config");
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void UserDirs(const std::string& text) { std::ofstream(root_ / "home" / ".config" / "user-dirs.dirs") << text; }

  std::filesystem::path root_;
  FolderEnvironment env_;
};

TEST_F(FoldersTest, PathsReadFromALibraryFileStayInItsFolder) {
  namespace fs = std::filesystem;
  const fs::path lib = root_ / "library";
  fs::create_directories(lib / "m");
  fs::create_directories(root_ / "outside");
  std::ofstream(lib / "m" / "a.mf") << "x";
  std::ofstream(root_ / "outside" / "secret.mf") << "x";
  EXPECT_EQ(PathInsideFolder(lib, "m/a.mf"), lib / "m" / "a.mf");
  EXPECT_EQ(PathInsideFolder(lib, "m/not-yet.mf"), lib / "m" / "not-yet.mf");
  for (const char* escape : {"", "../outside/secret.mf", "m/../../outside/secret.mf", "/etc/passwd", ".."}) {
    EXPECT_FALSE(PathInsideFolder(lib, escape).has_value()) << escape;
  }
  // A link inside the folder that leads out of it is no way out.
  fs::create_symlink(root_ / "outside" / "secret.mf", lib / "link.mf");
  fs::create_directory_symlink(root_ / "outside", lib / "out");
  EXPECT_FALSE(PathInsideFolder(lib, "link.mf").has_value());
  EXPECT_FALSE(PathInsideFolder(lib, "out/secret.mf").has_value());
  // A sibling whose name begins with the folder's is outside too.
  fs::create_directories(root_ / "library2");
  fs::create_directory_symlink(root_ / "library2", lib / "two");
  EXPECT_FALSE(PathInsideFolder(lib, "two/x.mf").has_value());
  // The library folder itself may be a link the user made; links within it stay usable.
  fs::create_directory_symlink(lib, root_ / "linked-in");
  fs::create_directory_symlink(lib / "m", lib / "alias");
  EXPECT_EQ(PathInsideFolder(root_ / "linked-in", "m/a.mf"), root_ / "linked-in" / "m" / "a.mf");
  EXPECT_EQ(PathInsideFolder(lib, "alias/a.mf"), lib / "alias" / "a.mf");
}

TEST_F(FoldersTest, DataFolderFollowsUserDirsAndOverride) {
  EXPECT_EQ(DataFolder(env_), root_ / "home" / "Documents" / "TORVANE HALVRIC");
  UserDirs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DataFolder(env_), root_ / "home" / "Dokumente" / "TORVANE HALVRIC");
  UserDirs("XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n");
  EXPECT_EQ(DocumentsFolder(env_), "/srv/docs");
  UserDirs("XDG_DOCUMENTS_DIR=\"$HOME/\"\n");  // disabled entry
  EXPECT_EQ(DocumentsFolder(env_), root_ / "home" / "Documents");
  env_.xdg_config_home = (root_ / "cfg").string();
  std::filesystem::create_directories(root_ / "cfg");
  std::ofstream(root_ / "cfg" / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"";
  EXPECT_EQ(DocumentsFolder(env_), root_ / "home" / "Docs");
  env_.data_dir_override = (root_ / "data").string();
  EXPECT_EQ(DataFolder(env_), root_ / "data");
}

TEST_F(FoldersTest, EnsureDataFolderCreatesFavorite) {
  const auto data = root_ / "a" / "b" / "TORVANE HALVRIC";
  ASSERT_TRUE(EnsureDataFolder(data));
  EXPECT_TRUE(std::filesystem::is_directory(data / "Favorite"));
  EXPECT_TRUE(EnsureDataFolder(data));
  std::ofstream(root_ / "file") << "x";
  std::string error;
  EXPECT_FALSE(EnsureDataFolder(root_ / "file", &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(FoldersTest, ProgramFolderPrefersInstalledShare) {
  const auto prefix = root_ / "usr";
  std::filesystem::create_directories(prefix / "bin");
  env_.executable = (prefix / "bin" / "halvric").string();
  env_.source_dir = (root_ / "src").string();
  EXPECT_EQ(ProgramFolder(env_), root_ / "src" / "resources");
  std::filesystem::create_directories(prefix / "share" / "halvric");
  EXPECT_EQ(ProgramFolder(env_), prefix / "share" / "halvric");
  // Without either, the resources/ of the tree this program was built from.
  FolderEnvironment bare;
  EXPECT_EQ(ProgramFolder(bare).filename(), "resources");
  EXPECT_TRUE(std::filesystem::exists(ProgramFolder(bare).parent_path() / "src" / "platform" / "folders.cpp"));
}

}  // namespace
}  // namespace halvric
