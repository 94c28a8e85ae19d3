#pragma once
// The user's macro library on disk: a folder tree of .mf files under the data folder's
// "Favorite" folder, scanned into a flat list of entries with ids, depths and parents, and the
// file operations behind the list (new folder, rename, delete, save).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/instruction_set.h"
#include "macro/macro_list_item.h"

namespace halvric {

class TextTables;

// The order in which a tree display shows `list`: every folder directly followed by its own
// entries (in list order, so a name-sorted list gives name-sorted folders), entries found by their
// `parent` id rather than by their place in the list. The entries below a folder for which
// `is_open` says false are left out. Returns indices into `list`.
std::vector<int> VisibleTreeOrder(const MacroList& list, const std::function<bool(const _MACRO_LIST_ITEM_& folder)>& is_open);

// What the library needs from the program around it.
struct MacroLibraryHooks {
  // Shows a message box with `text`.
  std::function<void(const std::string& text)> show_message;
  // Asks a Yes/No question; true only for Yes. Without it nothing is deleted.
  std::function<bool(const std::string& text)> confirm;
  // Writes a new name for the macro of mouse slot `slot` (together with its macro).
  std::function<bool(int slot, const std::string& name)> rename_mouse_macro;
  // Deletes the macro of mouse slot `slot`.
  std::function<bool(int slot)> delete_mouse_macro;
  // Seconds since 1970; the system clock when not set.
  std::function<int64_t()> now;
};

inline constexpr std::size_t kMaxMacroNameChars = 15;
inline constexpr std::size_t kMaxFolderNameChars = 40;

class MacroLibrary {
 public:
  // `data_folder` is the program's data folder; the tree is its "Favorite" subfolder.
  MacroLibrary(std::filesystem::path data_folder, const TextTables& texts, MacroLibraryHooks hooks = {});

  const std::filesystem::path& tree() const { return tree_; }
  // Replaces the hooks (the windows install theirs once they exist).
  void SetHooks(MacroLibraryHooks hooks) { hooks_ = std::move(hooks); }
  const MacroList& macros() const { return macros_; }

  // Rebuilds the list from disk: folders and readable macros, ids from 1, sorted by name with
  // equal names newest first. Creates the tree folder when missing.
  void ScanLibrary();

  // Creates a folder (name cleaned and limited to 40 characters) inside `parent_folder` (the
  // tree when empty), enters it as open and rescans. Returns its path, or nothing on failure.
  std::optional<std::filesystem::path> NewFolder(const std::filesystem::path& parent_folder, std::string_view name);

  // Renames a folder (cleaned name, open state carried over), a macro file (rewritten with the
  // new name, limited to 15 characters, then moved to a fresh numeric file name in its folder),
  // or a mouse macro (through the hook). Returns the entry's path afterwards (for a macro file
  // the new file, which the editor makes its current file and loads), or nothing on failure.
  std::optional<std::string> RenameEntry(const _MACRO_LIST_ITEM_& entry, std::string_view new_name);

  // Deletes an empty folder, a macro file or a mouse macro after the Yes/No question.
  // Returns true when something was deleted.
  bool DeleteEntry(const _MACRO_LIST_ITEM_& entry);

  // Writes `macro` to `path` as a macro file and re-reads the header of every entry of that path.
  bool SaveMacro(const std::filesystem::path& path, const Macro& macro);

  // A fresh numeric file name "<seconds>.mf" in `folder` that names no existing file.
  std::filesystem::path NewMacroPath(const std::filesystem::path& folder) const;

  // Re-reads the header of every entry whose path is `path`.
  void RefreshEntries(const std::string& path);

  // Open state of folders in the tree display, for the whole run.
  bool IsExpanded(const std::string& folder_path) const;
  void SetExpanded(const std::string& folder_path, bool open);

  // Index of the entry with `path`, or -1.
  int FindEntry(const std::string& path) const;

 private:
  void ScanFolder(const std::filesystem::path& folder, int depth, int parent);
  void Report(int msg_index) const;
  int64_t Now() const;

  std::filesystem::path tree_;
  const TextTables& texts_;
  MacroLibraryHooks hooks_;
  MacroList macros_;
  int next_id_ = 1;
  std::map<std::string, bool> expanded_;
  std::vector<std::filesystem::path> scanning_;  // resolved folders the scan is inside
};

}  // namespace halvric
