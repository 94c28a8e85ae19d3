// The floors of the source tree: each folder of src/ may include only the folders below it, and
// only the system headers its floor may use (Qt only on the windows' floor and in the program,
// operating-system headers only in the Linux platform folder, the simulated mouse's state file and
// the USB/IP server that plugs the simulated mouse into the kernel).
// The check reads the sources themselves, so a wrong include fails the test suite at once.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kCore = {"platform", "device", "config", "macro", "services", "lighting"};

std::set<std::string> With(std::set<std::string> base, const std::vector<std::string>& more) {
  base.insert(more.begin(), more.end());
  return base;
}

// Folder -> the folders its files may include (besides itself).
std::map<std::string, std::set<std::string>> AllowedFolders() {
  const std::set<std::string> core(kCore.begin(), kCore.end());
  const std::set<std::string> window = With(core, {"ui/kit"});
  return {
      {"platform", {}},
      {"platform/linux", {"platform"}},
      {"sim", {"platform", "platform/linux"}},
      {"sim/usb", {"platform", "platform/linux", "sim"}},
      {"device", {"platform"}},
      {"config", {"platform", "device"}},
      {"lighting", {"platform", "device", "config"}},
      {"macro", {"platform", "device", "config"}},
      {"services", {"platform", "device", "config"}},
      {"ui/kit", core},
      {"ui/button", window},
      {"ui/osd", window},
      {"ui/macro", window},
      {"ui/lighting", window},
      {"ui/upgrade", window},
      {"ui/main", With(window, {"ui/button", "ui/osd", "ui/macro", "ui/lighting", "ui/upgrade"})},
      {"app", With(window, {"ui/button", "ui/osd", "ui/macro", "ui/lighting", "ui/upgrade", "ui/main", "sim",
                            "platform/linux"})},
      {"cli", With(core, {"sim", "platform/linux"})},
  };
}

enum class HeaderKind { kStandard, kQt, kLibrary, kSystem };

// <vector>, <cstdint>: the C++ library. <QWidget>: Qt. <nlohmann/json.hpp>, <CLI/CLI.hpp>: the
// portable libraries the core may use. Everything else (<unistd.h>, <sys/...>, <xcb/...>,
// <libudev.h> ...) belongs to the operating system.
HeaderKind Classify(const std::string& header) {
  if (header.rfind("Q", 0) == 0) return HeaderKind::kQt;
  if (header.rfind("nlohmann/", 0) == 0 || header.rfind("CLI/", 0) == 0) return HeaderKind::kLibrary;
  if (header.find('/') == std::string::npos && header.find('.') == std::string::npos) return HeaderKind::kStandard;
  return HeaderKind::kSystem;
}

bool QtAllowed(const std::string& folder) { return folder == "app" || folder.rfind("ui/", 0) == 0; }

bool SystemAllowed(const std::string& folder, const std::string& file) {
  return folder == "platform/linux" || (folder == "sim" && file == "state_file.cpp") ||
         (folder == "sim/usb" && file == "usbip_server.cpp");
}

struct Include {
  std::string file;  // relative to src/
  int line;
  std::string target;
  bool angle;
};

std::vector<Include> ReadIncludes(const fs::path& src) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<Include> out;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    std::ifstream in(entry.path());
    std::string text;
    int n = 0;
    while (std::getline(in, text)) {
      ++n;
      std::smatch m;
      if (std::regex_search(text, m, kInclude)) {
        out.push_back({fs::relative(entry.path(), src).generic_string(), n, m[2].str(), m[1].str() == "<"});
      }
    }
  }
  std::sort(out.begin(), out.end(), [](const Include& a, const Include& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  return out;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

fs::path SourceDir() { return fs::path(HALVRIC_SOURCE_DIR) / "src"; }

TEST(IncludeGraph, EveryFolderIncludesOnlyFoldersBelowIt) {
  const auto allowed = AllowedFolders();
  std::ostringstream errors;
  for (const Include& inc : ReadIncludes(SourceDir())) {
    const std::string folder = FolderOf(inc.file);
    const auto rule = allowed.find(folder);
    if (rule == allowed.end()) {
      errors << "src/" << inc.file << ": folder " << folder << " has no place among the floors\n";
      continue;
    }
    if (inc.angle) continue;
    const std::string target_folder = FolderOf(inc.target);
    if (target_folder == folder) continue;
    if (!rule->second.count(target_folder)) {
      errors << "src/" << inc.file << ":" << inc.line << ": " << folder << " may not include " << inc.target << "\n";
    }
  }
  EXPECT_EQ(errors.str(), "");
}

TEST(IncludeGraph, SystemHeadersStayOnTheirFloor) {
  std::ostringstream errors;
  for (const Include& inc : ReadIncludes(SourceDir())) {
    if (!inc.angle) continue;
    const std::string folder = FolderOf(inc.file);
    const std::string file = inc.file.substr(folder.size() + 1);
    switch (Classify(inc.target)) {
      case HeaderKind::kStandard:
      case HeaderKind::kLibrary:
        break;
      case HeaderKind::kQt:
        if (!QtAllowed(folder)) errors << "src/" << inc.file << ":" << inc.line << ": Qt below the windows: <" << inc.target << ">\n";
        break;
      case HeaderKind::kSystem:
        if (!SystemAllowed(folder, file)) {
          errors << "src/" << inc.file << ":" << inc.line << ": operating-system header outside platform/linux: <"
                 << inc.target << ">\n";
        }
        break;
    }
  }
  EXPECT_EQ(errors.str(), "");
}

// The rules themselves: no folder may reach back to itself through the folders it may include.
TEST(IncludeGraph, TheFloorsHaveNoLoops) {
  const auto allowed = AllowedFolders();
  std::map<std::string, int> state;  // 0 new, 1 on the path, 2 done
  std::vector<std::string> loops;
  std::function<void(const std::string&, std::vector<std::string>&)> visit = [&](const std::string& f,
                                                                                 std::vector<std::string>& path) {
    state[f] = 1;
    path.push_back(f);
    const auto it = allowed.find(f);
    if (it != allowed.end()) {
      for (const std::string& next : it->second) {
        if (state[next] == 1) {
          std::string loop;
          for (const auto& p : path) loop += p + " -> ";
          loops.push_back(loop + next);
        } else if (state[next] == 0) {
          visit(next, path);
        }
      }
    }
    path.pop_back();
    state[f] = 2;
  };
  for (const auto& [folder, _] : allowed) {
    std::vector<std::string> path;
    if (state[folder] == 0) visit(folder, path);
  }
  EXPECT_TRUE(loops.empty()) << loops.front();
}

// No program is started through a shell or from data: the sources call none of the functions
// that run commands. The one exception is the desktop program starting itself again (after a
// language change): its own executable, by a fixed path, with its own arguments.
TEST(IncludeGraph, NoShellCommandIsEverBuilt) {
  static const std::string kSelfRestart = R"(execv("/proc/self/exe", argv.data()))";
  static const std::regex kRuns(
      R"((^|[^A-Za-z0-9_.>])(system|popen|execl|execlp|execle|execv|execvp|execvpe|posix_spawnp?|wordexp)\s*\(|QProcess|startDetached)");
  for (const auto& entry : fs::recursive_directory_iterator(SourceDir())) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path());
    std::string text;
    int n = 0;
    while (std::getline(in, text)) {
      ++n;
      const size_t comment = text.find("//");
      if (comment != std::string::npos) text.resize(comment);
      if (entry.path().filename() == "process_start.cpp" && text.find(kSelfRestart) != std::string::npos) continue;
      EXPECT_FALSE(std::regex_search(text, kRuns)) << entry.path().string() << ":" << n << ": " << text;
    }
  }
}

TEST(IncludeGraph, TheClassifierTellsHeadersApart) {
  EXPECT_EQ(Classify("vector"), HeaderKind::kStandard);
  EXPECT_EQ(Classify("cstdint"), HeaderKind::kStandard);
  EXPECT_EQ(Classify("QWidget"), HeaderKind::kQt);
  EXPECT_EQ(Classify("nlohmann/json.hpp"), HeaderKind::kLibrary);
  EXPECT_EQ(Classify("unistd.h"), HeaderKind::kSystem);
  EXPECT_EQ(Classify("sys/file.h"), HeaderKind::kSystem);
  EXPECT_EQ(Classify("xcb/xcb.h"), HeaderKind::kSystem);
}

}  // namespace
