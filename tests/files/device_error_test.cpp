// A disk that fails (EIO) while a file is written: a failing device reports it when the file is
// flushed, so this test's program makes fsync fail at will. The write then gives the system's
// reason, the old file stays as it was and no temporary file is left; once the device works
// again, the same write goes through.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

#include "config/backup_file.h"
#include "config/program_settings.h"
#include "platform/profile_file.h"
#include "support/sim_fixture.h"

namespace {
std::atomic<int> g_fsync_error{0};
}  // namespace

// Replaces the C library's fsync for this test program: the writers under test call it.
extern "C" int fsync(int fd) {
  if (const int error = g_fsync_error.load()) {
    errno = error;
    return -1;
  }
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace halvric {
namespace {

namespace fs = std::filesystem;

TEST(DeviceError, AFailedFlushKeepsTheOldFileAndSaysWhy) {
  const fs::path folder = test::TempPath("device-error");
  fs::create_directories(folder);
  const fs::path backup = folder / "mouse.bf", ini = folder / "set.ini";
  ASSERT_TRUE(WriteBackupFile(backup.string(), std::vector<uint8_t>(64, 1)));
  ProfileFile set_ini(ini.string());
  ASSERT_TRUE(set_ini.WriteString("ARG", "language", "1033"));
  const std::string backup_bytes = test::FileBytes(backup), ini_bytes = test::FileBytes(ini);

  g_fsync_error = EIO;
  std::string error;
  EXPECT_FALSE(WriteBackupFile(backup.string(), std::vector<uint8_t>(128, 2), &error));
  EXPECT_EQ(error, "cannot write " + backup.string() + ": Input/output error");
  ProgramSettings settings;
  settings.links[0] = {"/usr/bin/game", "Game"};
  EXPECT_FALSE(settings.SaveOptions(set_ini, &error));
  EXPECT_EQ(error, "cannot write " + ini.string() + ": Input/output error");
  g_fsync_error = 0;

  EXPECT_EQ(test::FileBytes(backup), backup_bytes);
  EXPECT_EQ(test::FileBytes(ini), ini_bytes);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"mouse.bf", "set.ini"}));

  EXPECT_TRUE(WriteBackupFile(backup.string(), std::vector<uint8_t>(128, 2), &error)) << error;
  EXPECT_TRUE(settings.SaveOptions(set_ini, &error)) << error;
  EXPECT_NE(test::FileBytes(ini).find("Game"), std::string::npos);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace halvric
