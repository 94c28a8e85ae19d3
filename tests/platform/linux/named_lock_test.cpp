#include "platform/named_lock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/runtime_folder.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() : path_(fs::temp_directory_path() / ("halvric-lock-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(NamedLock, ASecondHolderWaitsUntilTheFirstUnlocks) {
  TempFolder dir;
  const std::string file = (dir.path() / "transfer.lock").string();
  auto first = OpenNamedLock(file, 0600);
  auto second = OpenNamedLock(file, 0600);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  ASSERT_TRUE(first->Lock());
  std::atomic<bool> taken{false};
  std::thread waiter([&] {
    second->Lock();
    taken = true;
    second->Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(taken.load()) << "two holders at once";
  first->Unlock();
  waiter.join();
  EXPECT_TRUE(taken.load());
  // Taken again once free.
  ASSERT_TRUE(first->Lock());
  first->Unlock();
}

TEST(NamedLock, ALockFileThatCannotBeCreatedIsReportedWithTheReason) {
  TempFolder dir;
  std::string reason;
  EXPECT_FALSE(OpenNamedLock((dir.path() / "missing" / "x.lock").string(), 0600, &reason));
  EXPECT_EQ(reason, "No such file or directory");
}

TEST(RuntimeFolder, IsTheHalvricFolderOfXdgRuntimeDirMadePrivate) {
  TempFolder dir;
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  const fs::path expected = dir.path() / "halvric";
  EXPECT_EQ(RuntimeFolder(), expected.string());
  EXPECT_EQ(fs::status(expected).permissions() & fs::perms::all, fs::perms::owner_all);
  // A folder that someone opened up is closed again.
  fs::permissions(expected, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(RuntimeFolder(), expected.string());
  EXPECT_EQ(fs::status(expected).permissions() & fs::perms::all, fs::perms::owner_all);

  ::setenv("XDG_RUNTIME_DIR", "", 1);
  EXPECT_EQ(RuntimeFolder(), "/tmp/halvric-" + std::to_string(::getuid()));
  if (old != nullptr) {
    ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

}  // namespace
}  // namespace halvric
