// Every kind of file the programs write, written to a full disk (a small tmpfs in a mount
// namespace of this test's own): the write fails with the system's reason, and the old file and
// the folder are exactly as they were.

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

#include "cli/ctl_app.h"
#include "config/auto_backup.h"
#include "config/backup_file.h"
#include "config/program_settings.h"
#include "macro/instruction_set.h"
#include "macro/macro_file.h"
#include "platform/atomic_file.h"
#include "platform/profile_file.h"
#include "sim/sim_hid_backend.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;


std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    // A mount namespace of this process only, so the tmpfs is nobody else's business and goes
    // away with the process. Needs root (CI runs as root); elsewhere the test is skipped.
    if (::unshare(CLONE_NEWNS) != 0) GTEST_SKIP() << "no mount namespace here: " << std::strerror(errno);
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      GTEST_SKIP() << "cannot make mounts private: " << std::strerror(errno);
    }
    char templ[] = "/tmp/halvric_full_XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    root_ = templ;
    if (::mount("tmpfs", root_.c_str(), "tmpfs", 0, "size=256k,mode=0700") != 0) {
      fs::remove(root_);
      GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    mounted_ = true;
    fs::create_directories(root_ / "Favorite");
  }
  void TearDown() override {
    if (mounted_) ::umount2(root_.c_str(), MNT_DETACH);
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
  }

  // Fills the file system to the last byte.
  void Fill() {
    const int fd = ::open((root_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  }

  // After a failed write: the old file unchanged and no other file in the folder.
  void ExpectUntouched(const fs::path& file, const std::string& old_bytes, const std::vector<std::string>& before) {
    EXPECT_EQ(test::FileBytes(file), old_bytes) << file;
    EXPECT_EQ(Names(root_), before);
  }

  fs::path root_;
  bool mounted_ = false;
};

TEST_F(FullDisk, EveryWriterFailsCleanlyAndKeepsTheOldFile) {
  const fs::path ini = root_ / "set.ini";
  const fs::path macro = root_ / "Favorite" / "1.mf";
  const fs::path backup = root_ / "mouse.bf";
  const fs::path state = root_ / "state.json";
  {
    ProfileFile set_ini(ini.string());
    ASSERT_TRUE(set_ini.WriteString("ARG", "language", "1033"));
    Macro m;
    m.name = "Old";
    ASSERT_EQ(SaveMacroFile(macro, m, 1000), MacroFileStatus::kOk);
    ASSERT_TRUE(WriteBackupFile(backup.string(), std::vector<uint8_t>(64, 1)));
    sim::SimHidBackend sim("level11");
    sim.SetStateFile(state.string());
    sim.SaveState();
  }
  const std::string ini_bytes = test::FileBytes(ini), macro_bytes = test::FileBytes(macro), backup_bytes = test::FileBytes(backup),
                    state_bytes = test::FileBytes(state);
  Fill();
  const std::vector<std::string> before = Names(root_);

  // The set.ini writers: settings, links, language.
  ProfileFile set_ini(ini.string());
  ProgramSettings settings;
  settings.links[0] = {std::string(300000, 'p'), "Program"};
  std::string error;
  EXPECT_FALSE(settings.SaveOptions(set_ini, &error));
  EXPECT_EQ(error, "cannot write " + ini.string() + ": No space left on device");
  ExpectUntouched(ini, ini_bytes, before);
  EXPECT_FALSE(WriteLanguageOption(set_ini, std::string(300000, '1'), &error));
  ExpectUntouched(ini, ini_bytes, before);
  EXPECT_EQ(set_ini.GetString("ARG", "language", ""), "1033") << "the object keeps the file's content";

  // A macro file.
  Macro big;
  big.name = "New";
  big.items = ParseInstructions(std::vector<uint8_t>(300000, 0x01));
  EXPECT_EQ(SaveMacroFile(macro, big, 2000), MacroFileStatus::kWriteFailed);
  ExpectUntouched(macro, macro_bytes, before);

  // A backup and an automatic backup.
  const std::vector<uint8_t> image(kMaxBackupImage, 2);
  EXPECT_FALSE(WriteBackupFile(backup.string(), image, &error));
  EXPECT_EQ(error, "cannot write " + backup.string() + ": No space left on device");
  ExpectUntouched(backup, backup_bytes, before);
  fs::create_directories(AutoBackupFolder(root_));
  const std::vector<std::string> with_folder = Names(root_);
  const AutoBackupResult automatic = WriteAutoBackup(image, root_, "reset");
  EXPECT_FALSE(automatic.ok);
  EXPECT_NE(automatic.error.find("No space left on device"), std::string::npos) << automatic.error;
  EXPECT_EQ(Names(root_), with_folder);

  // The simulated mouse's state.
  sim::SimHidBackend sim("level11");
  sim.SetStateFile(state.string());
  sim.Mouse(0).WriteMemory(0, std::vector<uint8_t>(4096, 0x5A));
  try {
    sim.SaveState();
    ADD_FAILURE() << "the state was saved on a full disk";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
  }
  ExpectUntouched(state, state_bytes, with_folder);

  // halvricctl changing the simulated mouse: the change cannot be kept, and it says so.
  std::ostringstream out, err;
  ::setenv("HALVRIC_DATA_DIR", (root_ / "data").c_str(), 1);
  EXPECT_EQ(RunHalvricCtl({"--simulate=level11", "--sim-state", state.string(), "dpi", "1", "900", "900"}, out, err), 1);
  EXPECT_NE(err.str().find("state was not saved"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("No space left on device"), std::string::npos) << err.str();
  EXPECT_EQ(test::FileBytes(state), state_bytes);

  // Room again: the same writes go through.
  fs::remove(root_ / "filler");
  EXPECT_TRUE(WriteBackupFile(backup.string(), image, &error)) << error;
  EXPECT_EQ(test::FileBytes(backup).size(), kBackupHeaderSize + image.size());
}

}  // namespace
}  // namespace halvric
