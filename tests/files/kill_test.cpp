// Every kind of file the programs write, killed (SIGKILL) at random moments while it is being
// written: afterwards the folder holds the old files or the new ones, byte for byte, and nothing
// a reader would pick up besides; what the killed writer left goes with the next write.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "config/auto_backup.h"
#include "config/text_tables.h"
#include "macro/macro_library.h"
#include "platform/atomic_file.h"
#include "support/sim_fixture.h"

extern char** environ;

namespace halvric {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::string>;  // relative path -> bytes

// Kills per file kind; each run takes a few milliseconds. Under a sanitizer every run starts an
// instrumented writer, many times slower to start: there the runs check the writer's memory and
// threads, and the default build makes the full count.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kRuns = 50;
#else
constexpr int kRuns = 200;
#endif

struct Folder {
  Folder() {
    char templ[] = "/tmp/halvric_kill_XXXXXX";
    if (::mkdtemp(templ) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = templ;
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};


// The folder's files, without the lock files (empty, only ever created) and the writer's
// temporary files, which are counted in `temporaries`.
Snapshot Take(const fs::path& root, int* temporaries = nullptr, std::vector<std::string>* odd = nullptr) {
  Snapshot s;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    const std::string name = e.path().filename().string();
    if (name.ends_with(".lock")) continue;
    if (IsAtomicWriteTemporary(name)) {
      if (temporaries) ++*temporaries;
      continue;
    }
    if (name.starts_with(".") && odd) odd->push_back(name);
    s[fs::relative(e.path(), root).string()] = test::FileBytes(e.path());
  }
  return s;
}

void Restore(const fs::path& root, const Snapshot& s) {
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root);
  for (const auto& [name, bytes] : s) {
    fs::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << bytes;
  }
}

// The writer, started with its standard output on a pipe.
struct Child {
  Child(const std::string& kind, const fs::path& folder, const char* phase) {
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string folder_text = folder.string();
    std::vector<char*> argv = {const_cast<char*>(FILE_WRITER_PATH), const_cast<char*>(kind.c_str()),
                               const_cast<char*>(folder_text.c_str()), const_cast<char*>(phase), nullptr};
    const int r = ::posix_spawn(&pid, FILE_WRITER_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out = fds[0];
    if (r != 0) throw std::runtime_error("cannot start the writer");
  }
  ~Child() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      Wait();
    }
    ::close(out);
  }
  // True once the writer is about to write.
  bool WaitReady() {
    pollfd p{out, POLLIN, 0};
    char c = 0;
    return ::poll(&p, 1, 10000) == 1 && ::read(out, &c, 1) == 1 && c == 'R';
  }
  int Wait() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }
  pid_t pid = -1;
  int out = -1;
};

struct Counts {
  int old_files = 0, new_files = 0, renamed_in_place = 0, mixed = 0, temporaries = 0;
};

// A run without a kill: the snapshot afterwards and the time from "ready" to the end.
Snapshot RunWhole(const std::string& kind, const fs::path& folder, const char* phase, double* seconds) {
  Child child(kind, folder, phase);
  EXPECT_TRUE(child.WaitReady()) << kind << " " << phase;
  const auto start = std::chrono::steady_clock::now();
  const int status = child.Wait();
  if (seconds) *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << kind << " " << phase << " failed";
  return Take(folder);
}

// What a reader of this kind finds in the folder must agree with the snapshot: leftover
// temporary files are never taken for macros or backups.
void CheckReaders(const std::string& kind, const fs::path& folder, const Snapshot& s) {
  if (kind == "macro" || kind == "rename") {
    const TextTables texts;
    MacroLibrary library(folder, texts);
    library.ScanLibrary();
    EXPECT_EQ(library.macros().size(), 1u) << kind;
  }
  if (kind == "auto-backup") {
    size_t in_snapshot = 0;
    for (const auto& [name, bytes] : s) in_snapshot += name.starts_with(kAutoBackupFolderName) ? 1 : 0;
    EXPECT_EQ(ListAutoBackups(folder).size(), in_snapshot);
  }
}

Counts KillRepeatedly(const std::string& kind) {
  Folder work;
  const fs::path folder = work.path / "data";
  fs::create_directories(folder);
  const Snapshot old_files = RunWhole(kind, folder, "old", nullptr);
  double seconds = 0;
  const Snapshot new_files = RunWhole(kind, folder, "new", &seconds);
  EXPECT_NE(old_files, new_files) << kind;

  // A rename rewrites the file in place, then moves it to its new name: the new bytes under the
  // old name are a whole file too.
  Snapshot renamed_in_place;
  if (kind == "rename" && old_files.size() == 1 && new_files.size() == 1) {
    renamed_in_place[old_files.begin()->first] = new_files.begin()->second;
  }

  std::mt19937 random(std::random_device{}());
  // Kills spread over the whole write, with some after its end.
  std::uniform_int_distribution<int> delay_us(0, static_cast<int>(seconds * 1.3e6) + 50);
  Counts counts;
  for (int run = 0; run < kRuns; ++run) {
    Restore(folder, old_files);
    {
      Child child(kind, folder, "new");
      if (!child.WaitReady()) {
        ADD_FAILURE() << kind << ": the writer did not start";
        break;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
      ::kill(child.pid, SIGKILL);
      child.Wait();
    }
    int temporaries = 0;
    std::vector<std::string> odd;
    const Snapshot now = Take(folder, &temporaries, &odd);
    EXPECT_TRUE(odd.empty()) << kind << ": a hidden file that is not the writer's temporary: " << odd.front();
    counts.temporaries += temporaries;
    if (now == old_files) {
      ++counts.old_files;
    } else if (now == new_files) {
      ++counts.new_files;
    } else if (!renamed_in_place.empty() && now == renamed_in_place) {
      ++counts.renamed_in_place;
    } else {
      ++counts.mixed;
      std::string names;
      for (const auto& [name, bytes] : now) names += " " + name + " (" + std::to_string(bytes.size()) + " bytes)";
      ADD_FAILURE() << kind << " run " << run << ": neither the old nor the new files:" << names;
    }
    CheckReaders(kind, folder, now);
  }
  std::printf("[ kill test ] %-12s %d kills: %d old, %d new, %d new under the old name, %d mixed; "
              "%d temporary files left (never read); one write takes %.1f ms\n",
              kind.c_str(), kRuns, counts.old_files, counts.new_files, counts.renamed_in_place, counts.mixed,
              counts.temporaries, seconds * 1000);
  return counts;
}

// What a killed writer leaves beside each file it writes, an hour old, is gone after the next
// write of that file; the temporary file of a write still in progress (a minute old) stays.
void CheckLeftoversRemoved(const std::string& kind) {
  Folder work;
  const fs::path folder = work.path / "data";
  fs::create_directories(folder);
  const Snapshot old_files = RunWhole(kind, folder, "old", nullptr);
  const Snapshot new_files = RunWhole(kind, folder, "new", nullptr);
  Restore(folder, old_files);
  std::vector<fs::path> stale, fresh;
  // A rename writes the file under its old name, then moves it.
  for (const auto& [name, bytes] : kind == "rename" ? old_files : new_files) {
    const fs::path file = folder / name;
    fs::create_directories(file.parent_path());
    // Built by appends: GCC 12 at -O3 warns falsely (-Wrestrict) on "." + string.
    std::string hidden = ".";
    hidden += file.filename().string();
    stale.push_back(file.parent_path() / (hidden + ".tmp.Kil1ed"));
    fresh.push_back(file.parent_path() / (hidden + ".tmp.Wr1t1n"));
    std::ofstream(stale.back()) << "half";
    std::ofstream(fresh.back()) << "half";
    fs::last_write_time(stale.back(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    fs::last_write_time(fresh.back(), fs::file_time_type::clock::now() - std::chrono::minutes(1));
  }
  RunWhole(kind, folder, "new", nullptr);
  for (const fs::path& f : stale) EXPECT_FALSE(fs::exists(f)) << kind << ": " << f;
  for (const fs::path& f : fresh) EXPECT_TRUE(fs::exists(f)) << kind << ": " << f;
}

class KillWhileWriting : public ::testing::TestWithParam<std::string> {};

TEST_P(KillWhileWriting, LeavesTheOldFileOrTheNewOne) {
  const Counts counts = KillRepeatedly(GetParam());
  EXPECT_EQ(counts.mixed, 0);
  EXPECT_EQ(counts.old_files + counts.new_files + counts.renamed_in_place, kRuns);
  CheckLeftoversRemoved(GetParam());
}

INSTANTIATE_TEST_SUITE_P(FileKinds, KillWhileWriting,
                         ::testing::Values("settings", "language", "links", "macro", "rename", "backup",
                                           "auto-backup", "sim-state"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

}  // namespace
}  // namespace halvric
