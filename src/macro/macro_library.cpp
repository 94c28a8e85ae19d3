#include "macro/macro_library.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "config/text_tables.h"
#include "macro/macro_file.h"
#include "config/safe_format.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/text_encoding.h"

namespace halvric {

namespace fs = std::filesystem;

namespace {

// Message texts used here.
constexpr int kMsgInvalidFormat = msg_text::kInvalidFormat;
constexpr int kMsgDeleteMacro = 25;
constexpr int kMsgDeleteFolder = 27;

// Deeper trees than this are not scanned (they can only come from a loop or a prank).
constexpr int kMaxDepth = 64;

bool IsMacroPath(const fs::path& path) { return HasMacroExtension(path); }

// A folder name the file system accepts as a new child: cleaned, limited, not "." or "..".
std::optional<std::string> FolderName(std::string_view name) {
  std::string clean = Utf8Prefix(CleanFileName(name), kMaxFolderNameChars);
  if (clean.empty() || clean == "." || clean == "..") return std::nullopt;
  return clean;
}

}  // namespace

std::vector<int> VisibleTreeOrder(const MacroList& list, const std::function<bool(const _MACRO_LIST_ITEM_& folder)>& is_open) {
  // Folder ids present in the list; an entry whose parent is not among them is shown at the top.
  std::map<int32_t, std::size_t> folder_at;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].IsFolder() && list[i].id != 0) folder_at.emplace(list[i].id, i);
  }
  std::map<int32_t, std::vector<int>> children;
  std::vector<int> top;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const _MACRO_LIST_ITEM_& e = list[i];
    const auto parent = folder_at.find(e.parent);
    if (e.parent != 0 && parent != folder_at.end() && parent->second != i) children[e.parent].push_back(static_cast<int>(i));
    else top.push_back(static_cast<int>(i));
  }
  std::vector<int> order;
  std::vector<bool> placed(list.size(), false);
  // Each entry is placed once, so ids that point at each other cannot make this loop.
  std::function<void(const std::vector<int>&)> add = [&](const std::vector<int>& entries) {
    for (const int i : entries) {
      if (placed[static_cast<std::size_t>(i)]) continue;
      placed[static_cast<std::size_t>(i)] = true;
      order.push_back(i);
      const _MACRO_LIST_ITEM_& e = list[static_cast<std::size_t>(i)];
      if (!e.IsFolder() || e.id == 0 || !is_open(e)) continue;
      const auto kids = children.find(e.id);
      if (kids != children.end()) add(kids->second);
    }
  };
  add(top);
  return order;
}

MacroLibrary::MacroLibrary(fs::path data_folder, const TextTables& texts, MacroLibraryHooks hooks)
    : tree_(std::move(data_folder) / kFavoriteFolderName), texts_(texts), hooks_(std::move(hooks)) {}

int64_t MacroLibrary::Now() const { return hooks_.now ? hooks_.now() : UnixNow(); }

void MacroLibrary::Report(int msg_index) const {
  if (hooks_.show_message) hooks_.show_message(texts_.Get(TextFamily::msg_str, msg_index));
}

void MacroLibrary::ScanLibrary() {
  macros_.clear();
  next_id_ = 1;
  std::error_code ec;
  fs::create_directories(tree_, ec);
  scanning_ = {fs::canonical(tree_, ec)};
  ScanFolder(tree_, 1, 0);
  scanning_.clear();
  std::stable_sort(macros_.begin(), macros_.end(), [](const _MACRO_LIST_ITEM_& a, const _MACRO_LIST_ITEM_& b) {
    if (a.name != b.name) return a.name < b.name;
    return a.time > b.time;
  });
}

void MacroLibrary::ScanFolder(const fs::path& folder, int depth, int parent) {
  if (depth > kMaxDepth) return;
  std::vector<fs::path> folders;
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const auto status = it->symlink_status(ec);
    if (ec) break;
    // Folders the user links into the library are listed like the others; a link back to a
    // folder the scan is already inside is skipped, so links cannot make the scan loop.
    // (A link that leads nowhere must not end the listing, hence an error code of its own.)
    std::error_code entry_ec;
    if (fs::is_directory(status) || (fs::is_symlink(status) && fs::is_directory(it->path(), entry_ec))) {
      const fs::path resolved = fs::canonical(it->path(), entry_ec);
      if (fs::is_symlink(status) && std::count(scanning_.begin(), scanning_.end(), resolved) != 0) continue;
      folders.push_back(it->path());
    } else if (IsMacroPath(it->path()) && !fs::is_directory(it->path(), entry_ec)) {
      files.push_back(it->path());
    }
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());

  for (const auto& sub : folders) {
    _MACRO_LIST_ITEM_ entry;
    entry.type = kEntryFolder;
    entry.name = sub.filename().string();
    entry.path = sub.string();
    entry.depth = depth;
    entry.parent = parent;
    entry.id = next_id_++;
    const std::size_t index = macros_.size();
    macros_.push_back(entry);
    const std::size_t before = macros_.size();
    scanning_.push_back(fs::canonical(sub, ec));
    ScanFolder(sub, depth + 1, entry.id);
    scanning_.pop_back();
    // Direct children only: the folder counts the entries whose parent it is.
    macros_[index].size = static_cast<int32_t>(std::count_if(
        macros_.begin() + static_cast<std::ptrdiff_t>(before), macros_.end(),
        [&](const _MACRO_LIST_ITEM_& e) { return e.parent == entry.id; }));
  }
  for (const auto& file : files) {
    auto header = ReadMacroHeader(file);
    if (header.fault() == MacroFileStatus::kInvalidFormat) Report(kMsgInvalidFormat);
    if (!header) continue;
    _MACRO_LIST_ITEM_ entry = std::move(header).value();
    entry.depth = depth;
    entry.parent = parent;
    entry.id = next_id_++;
    macros_.push_back(entry);
  }
}

std::optional<fs::path> MacroLibrary::NewFolder(const fs::path& parent_folder, std::string_view name) {
  const auto clean = FolderName(name);
  if (!clean) return std::nullopt;
  const fs::path folder = (parent_folder.empty() ? tree_ : parent_folder) / *clean;
  std::error_code ec;
  const bool made = fs::create_directory(folder, ec);
  SetExpanded(folder.string(), true);
  ScanLibrary();
  if (ec || (!made && !fs::is_directory(folder, ec))) return std::nullopt;
  return folder;
}

std::optional<std::string> MacroLibrary::RenameEntry(const _MACRO_LIST_ITEM_& entry, std::string_view new_name) {
  if (entry.inMouse != 0) {
    const std::string name = Utf8Prefix(new_name, kMaxMacroNameChars);
    if (!hooks_.rename_mouse_macro || !hooks_.rename_mouse_macro(entry.slot, name)) return std::nullopt;
    return entry.path;
  }
  if (entry.IsFolder()) {
    const auto clean = FolderName(new_name);
    if (!clean) return std::nullopt;
    const fs::path old_path(entry.path);
    const fs::path new_path = old_path.parent_path() / *clean;
    if (new_path == old_path) return entry.path;
    if (RenameMacroFile(old_path, *clean, Now()) != MacroFileStatus::kOk) {
      ScanLibrary();
      return std::nullopt;
    }
    // The folder and every folder below it keep their open state under the new path.
    const std::string old_prefix = old_path.string() + "/";
    std::map<std::string, bool> moved;
    for (auto it = expanded_.begin(); it != expanded_.end();) {
      if (it->first == old_path.string()) {
        moved[new_path.string()] = it->second;
        it = expanded_.erase(it);
      } else if (it->first.starts_with(old_prefix)) {
        moved[new_path.string() + "/" + it->first.substr(old_prefix.size())] = it->second;
        it = expanded_.erase(it);
      } else {
        ++it;
      }
    }
    if (!moved.contains(new_path.string())) moved[new_path.string()] = true;
    expanded_.merge(moved);
    ScanLibrary();
    return new_path.string();
  }
  const std::string name = Utf8Prefix(new_name, kMaxMacroNameChars);
  const fs::path old_path(entry.path);
  const MacroFileStatus status = RenameMacroFile(old_path, name, Now());
  if (status == MacroFileStatus::kInvalidFormat) Report(kMsgInvalidFormat);
  if (status != MacroFileStatus::kOk) return std::nullopt;
  for (auto& e : macros_) {
    if (e.path == entry.path) e.name = name;
  }
  // The file moves to a fresh numeric name; renaming twice within one second finds its own name.
  // A file that appears under the new name meanwhile is never replaced: the macro then keeps
  // its old file name.
  fs::path target = old_path.parent_path() / (std::to_string(Now()) + ".mf");
  std::error_code ec;
  if (target != old_path && fs::exists(target, ec)) target = NewMacroPath(old_path.parent_path());
  if (target != old_path && !RenameNoReplace(old_path.string(), target.string())) target = old_path;
  ScanLibrary();
  return target.string();
}

bool MacroLibrary::DeleteEntry(const _MACRO_LIST_ITEM_& entry) {
  const bool folder = entry.IsFolder();
  const std::string question =
      SafeFormat(texts_.Get(TextFamily::msg_str, folder ? kMsgDeleteFolder : kMsgDeleteMacro), {entry.name});
  if (!hooks_.confirm || !hooks_.confirm(question)) return false;

  std::error_code ec;
  if (entry.inMouse != 0) {
    if (entry.type < kMacroModeOnce || entry.type > kMacroModeFire || !hooks_.delete_mouse_macro) return false;
    return hooks_.delete_mouse_macro(entry.slot);
  }
  if (folder) {
    // Only an empty folder goes; remove() also refuses a folder that holds unlisted files.
    bool removed = false;
    if (entry.size == 0 && fs::is_directory(entry.path, ec)) removed = fs::remove(entry.path, ec) && !ec;
    if (removed) expanded_.erase(entry.path);
    ScanLibrary();
    return removed;
  }
  if (!IsMacroPath(entry.path) || !fs::remove(entry.path, ec) || ec) return false;
  std::erase_if(macros_, [&](const _MACRO_LIST_ITEM_& e) { return e.path == entry.path; });
  return true;
}

bool MacroLibrary::SaveMacro(const fs::path& path, const Macro& macro) {
  if (SaveMacroFile(path, macro, Now()) != MacroFileStatus::kOk) return false;
  RefreshEntries(path.string());
  return true;
}

fs::path MacroLibrary::NewMacroPath(const fs::path& folder) const {
  int64_t stamp = Now();
  std::error_code ec;
  fs::path path = folder / (std::to_string(stamp) + ".mf");
  while (fs::exists(path, ec)) path = folder / (std::to_string(++stamp) + ".mf");
  return path;
}

void MacroLibrary::RefreshEntries(const std::string& path) {
  for (auto& e : macros_) {
    if (e.path != path || e.IsFolder()) continue;
    if (const auto header = ReadMacroHeader(path)) {
      e.name = header->name;
      e.time = header->time;
      e.type = header->type;
      e.size = header->size;
    }
  }
}

bool MacroLibrary::IsExpanded(const std::string& folder_path) const {
  const auto it = expanded_.find(folder_path);
  return it != expanded_.end() && it->second;
}

void MacroLibrary::SetExpanded(const std::string& folder_path, bool open) { expanded_[folder_path] = open; }

int MacroLibrary::FindEntry(const std::string& path) const {
  for (std::size_t i = 0; i < macros_.size(); ++i) {
    if (macros_[i].path == path) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace halvric
