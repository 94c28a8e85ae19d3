#pragma once
// The program's two folders: the data folder (set.ini, the macro library) under the user's
// documents folder, and the program folder holding the read-only resources (language.ini,
// keyboard.ini, bulitin.ini, library/).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace halvric {

inline constexpr const char* kDataFolderName = "TORVANE HALVRIC";
inline constexpr const char* kFavoriteFolderName = "Favorite";

// The parts of the process environment the folders depend on; tests fill it by hand.
struct FolderEnvironment {
  std::string home;               // $HOME
  std::string xdg_config_home;    // $XDG_CONFIG_HOME (empty: ~/.config)
  std::string data_dir_override;  // $HALVRIC_DATA_DIR: replaces the whole data folder path
  std::string source_dir;         // $HALVRIC_SOURCE_DIR: a source tree whose resources/ to use
  std::string executable;         // path of the running program

  static FolderEnvironment FromProcess();
};

// XDG_DOCUMENTS_DIR from user-dirs.dirs, else ~/Documents.
std::filesystem::path DocumentsFolder(const FolderEnvironment& env);
// HALVRIC_DATA_DIR when set, else "TORVANE HALVRIC" under the documents folder.
std::filesystem::path DataFolder(const FolderEnvironment& env);
// Creates the data folder and its "Favorite" subfolder when missing. False (with a reason in
// `error`) when they cannot be created.
bool EnsureDataFolder(const std::filesystem::path& data_folder, std::string* error = nullptr);

// ../share/halvric/ beside the executable when it exists (installed program); else the resources/
// folder of HALVRIC_SOURCE_DIR when set; else the resources/ folder of the tree this program
// was built from.
std::filesystem::path ProgramFolder(const FolderEnvironment& env);

// A path read from a file of `folder` (a library file naming a macro beside it), resolved so
// that it stays inside the folder: nothing when `relative` is empty, absolute, contains a ".."
// part, or leads out of the folder through a symbolic link. The folder itself may be reached
// through links (a library folder the user linked in); links inside it are followed only while
// they point into it.
std::optional<std::filesystem::path> PathInsideFolder(const std::filesystem::path& folder, std::string_view relative);

}  // namespace halvric
