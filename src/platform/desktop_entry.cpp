#include "platform/desktop_entry.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/profile_file.h"
#include "platform/text.h"

namespace halvric {
namespace {

std::string BaseName(std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string Lower(std::string_view s) { return AsciiLower(s); }

// The first word of a command line, honouring double quotes.
std::string_view NextWord(std::string_view& s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (s.empty()) return {};
  if (s.front() == '"') {
    s.remove_prefix(1);
    const size_t end = s.find('"');
    const std::string_view word = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : s.substr(end + 1);
    return word;
  }
  const size_t end = s.find(' ');
  const std::string_view word = s.substr(0, end);
  s = end == std::string_view::npos ? std::string_view() : s.substr(end);
  return word;
}

// The program an Exec line runs.
std::string ExecProgram(std::string_view exec) {
  std::string_view word = NextWord(exec);
  if (word == "env") {
    word = NextWord(exec);
    while (word.find('=') != std::string_view::npos) word = NextWord(exec);
  }
  return std::string(word);
}

// The .desktop files of `folder` and its subfolders, in name order.
std::vector<std::filesystem::path> DesktopFiles(const std::filesystem::path& folder) {
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (auto it = std::filesystem::recursive_directory_iterator(
           folder, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().extension() == ".desktop" && it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

constexpr std::string_view kSection = "Desktop Entry";

}  // namespace

std::vector<std::filesystem::path> XdgApplicationFolders() {
  std::vector<std::filesystem::path> out;
  const char* home = std::getenv("HOME");
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home && *data_home) {
    out.push_back(std::filesystem::path(data_home) / "applications");
  } else if (home && *home) {
    out.push_back(std::filesystem::path(home) / ".local" / "share" / "applications");
  }
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view list = (dirs && *dirs) ? dirs : "/usr/local/share:/usr/share";
  while (!list.empty()) {
    const size_t colon = list.find(':');
    const std::string_view dir = list.substr(0, colon);
    if (!dir.empty()) out.push_back(std::filesystem::path(dir) / "applications");
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  return out;
}

std::string DesktopEntryName(const std::string& executable, const std::vector<std::filesystem::path>& folders) {
  const std::string wanted = Lower(BaseName(executable));
  if (wanted.empty()) return {};
  for (const auto& folder : folders) {
    for (const auto& file : DesktopFiles(folder)) {
      const ProfileFile entry(file.string());
      if (entry.GetString(kSection, "Hidden", "") == "true") continue;
      const std::string program = ExecProgram(entry.GetString(kSection, "Exec", "", 4096));
      if (program.empty() || Lower(BaseName(program)) != wanted) continue;
      const std::string name = entry.GetString(kSection, "Name", "");
      if (!name.empty()) return name;
    }
  }
  return {};
}

std::string DesktopEntryProgram(const std::string& app_id, const std::vector<std::filesystem::path>& folders) {
  if (app_id.empty() || app_id.find('/') != std::string::npos) return {};
  const std::string id = Lower(app_id);
  const size_t dot = id.rfind('.');
  const std::string last_part = dot == std::string::npos ? std::string() : id.substr(dot + 1);
  // The file names looked for, best first; a StartupWMClass match counts after all of them.
  auto rank = [&](const std::filesystem::path& file, const ProfileFile& entry) {
    const std::string stem = Lower(file.stem().string());
    if (file.stem().string() == app_id) return 0;
    if (stem == id) return 1;
    if (!last_part.empty() && stem == last_part) return 2;
    if (Lower(entry.GetString(kSection, "StartupWMClass", "")) == id) return 3;
    return -1;
  };
  std::string best;
  int best_rank = 4;
  for (const auto& folder : folders) {
    for (const auto& file : DesktopFiles(folder)) {
      const ProfileFile entry(file.string());
      const int r = rank(file, entry);
      if (r < 0 || r >= best_rank || entry.GetString(kSection, "Hidden", "") == "true") continue;
      const std::string program = BaseName(ExecProgram(entry.GetString(kSection, "Exec", "", 4096)));
      if (program.empty()) continue;
      best = program;
      best_rank = r;
    }
    // A folder earlier in the list overrides the later ones for the same file name.
    if (best_rank <= 2) break;
  }
  return best;
}

std::string ProgramDisplayName(const std::string& executable) {
  std::string name = DesktopEntryName(executable, XdgApplicationFolders());
  return name.empty() ? BaseName(executable) : name;
}

}  // namespace halvric
