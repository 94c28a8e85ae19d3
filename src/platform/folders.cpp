#include "platform/folders.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/environment.h"

namespace halvric {
namespace {

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs text ("$HOME/..." or an absolute path),
// or empty when the file does not set it.
std::string DocumentsFromUserDirs(const std::string& text, const std::string& home) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (!line.starts_with(kKey)) continue;
    std::string_view value = line.substr(kKey.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) {
      value.remove_suffix(1);
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    std::string out;
    if (value.starts_with("$HOME")) {
      out = home + std::string(value.substr(5));
    } else if (!value.empty() && value.front() == '/') {
      out = std::string(value);
    } else {
      continue;  // relative paths are not allowed in this file
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    // A documents folder equal to the home folder means "not set" for user-dirs.
    if (out == home) continue;
    return out;
  }
  return {};
}

}  // namespace

FolderEnvironment FolderEnvironment::FromProcess() {
  FolderEnvironment env;
  env.home = Env("HOME");
  env.xdg_config_home = Env("XDG_CONFIG_HOME");
  env.data_dir_override = Env("HALVRIC_DATA_DIR");
  env.source_dir = Env("HALVRIC_SOURCE_DIR");
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) env.executable = exe.string();
  return env;
}

std::filesystem::path DocumentsFolder(const FolderEnvironment& env) {
  const std::filesystem::path config =
      env.xdg_config_home.empty() ? std::filesystem::path(env.home) / ".config" : std::filesystem::path(env.xdg_config_home);
  std::string text;
  if (ReadWholeFile((config / "user-dirs.dirs").string(), text)) {
    const std::string docs = DocumentsFromUserDirs(text, env.home);
    if (!docs.empty()) return docs;
  }
  return std::filesystem::path(env.home) / "Documents";
}

std::filesystem::path DataFolder(const FolderEnvironment& env) {
  if (!env.data_dir_override.empty()) return env.data_dir_override;
  return DocumentsFolder(env) / kDataFolderName;
}

bool EnsureDataFolder(const std::filesystem::path& data_folder, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(data_folder / kFavoriteFolderName, ec);
  if (ec || !std::filesystem::is_directory(data_folder / kFavoriteFolderName)) {
    if (error) *error = "cannot create " + (data_folder / kFavoriteFolderName).string() + ": " + ec.message();
    return false;
  }
  return true;
}

std::filesystem::path ProgramFolder(const FolderEnvironment& env) {
  std::error_code ec;
  if (!env.executable.empty()) {
    const auto installed = std::filesystem::path(env.executable).parent_path() / ".." / "share" / "halvric";
    if (std::filesystem::is_directory(installed, ec)) return installed.lexically_normal();
  }
  if (!env.source_dir.empty()) return std::filesystem::path(env.source_dir) / "resources";
  // The source tree's resources, as the build recorded them (a relative __FILE__ under a
  // compiler cache or a packager's -ffile-prefix-map could not be relied on).
  return std::filesystem::path(HALVRIC_RESOURCE_DIR);
}

std::optional<std::filesystem::path> PathInsideFolder(const std::filesystem::path& folder, std::string_view relative) {
  namespace fs = std::filesystem;
  const fs::path rel(relative);
  if (relative.empty() || rel.is_absolute() || rel.has_root_name() || rel.has_root_directory()) return std::nullopt;
  for (const fs::path& part : rel) {
    if (part == "..") return std::nullopt;
  }
  std::error_code ec;
  const fs::path base = fs::canonical(folder, ec);
  if (ec) return std::nullopt;
  const fs::path resolved = fs::weakly_canonical(base / rel, ec);
  if (ec) return std::nullopt;
  // Compared part by part, so that "/lib2" is not taken for a place inside "/lib".
  auto r = resolved.begin();
  for (auto b = base.begin(); b != base.end(); ++b, ++r) {
    if (r == resolved.end() || *r != *b) return std::nullopt;
  }
  if (r == resolved.end()) return std::nullopt;  // the folder itself is no file of it
  return folder / rel;
}

}  // namespace halvric
