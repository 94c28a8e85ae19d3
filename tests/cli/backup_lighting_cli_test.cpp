#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdlib.h>

#include "cli/ctl_run.h"
#include "platform/profile_file.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

class CtlFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = test::TempPath("data");
    state_ = test::TempPath("state");
    setenv("HALVRIC_DATA_DIR", data_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("HALVRIC_DATA_DIR");
    std::filesystem::remove_all(data_);
    for (const char* ext : {"", ".lock"}) std::filesystem::remove(state_ + ext);
  }
  CtlRun Sim(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--simulate=" + model, "--sim-state", state_});
    return Ctl(args);
  }
  std::string data_, state_;
};

TEST_F(CtlFiles, BackupThenRestoreKeepsAnAutomaticBackupAndRefusesBadFiles) {
  const std::string file = data_ + "/mouse.bf";
  std::filesystem::create_directories(data_);
  CtlRun r = Sim("level11", {"backup", file});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::filesystem::file_size(file), 22u + 16384u);
  EXPECT_TRUE(r.err.empty()) << "no progress bar when standard error is not a terminal";

  r = Sim("level11", {"restore", file});
  ASSERT_EQ(r.code, 0) << r.err;
  r = Ctl({"backup", "--list-auto"});
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("restore"), std::string::npos);

  r = Sim("level11", {"restore", state_});  // a JSON file, not a backup
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: invalid format !!\n");
  EXPECT_EQ(Sim("level11", {"backup"}).code, 2);
}

TEST_F(CtlFiles, LightingZoneAndEffect) {
  CtlRun r = Sim("level11", {"lighting", "zone", "2", "FF0000", "breathe"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = Sim("level11", {"lighting", "effect", "0"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = Sim("level11", {"lighting", "show"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("effect: 0 Customize"), std::string::npos);
  EXPECT_NE(r.out.find("   2  FF0000  Breathe    80 ff 00 00\n"), std::string::npos) << r.out;
  EXPECT_EQ(Sim("level11", {"lighting", "effect", "5"}).code, 2);
  EXPECT_EQ(Sim("level11", {"lighting", "zone", "16", "FF0000"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate=level0", "lighting", "show"}).code, 1);
}

// dpi-level below level 11 sends only ApplyDpiLevel; the level and the enabled levels it set are
// what the next run shows (set.ini), while level 11 reads them back from the mouse.
TEST_F(CtlFiles, DpiLevelAndEnabledLevelsSurviveTheRun) {
  for (const char* model : {"level0", "level5", "level11"}) {
    for (const char* ext : {"", ".lock"}) std::filesystem::remove(state_ + ext);
    ASSERT_EQ(Sim(model, {"dpi-level", "4", "--enable", "1,4"}).code, 0) << model;
    const CtlRun r = Sim(model, {"--json", "show"});
    ASSERT_EQ(r.code, 0) << model << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["dpi"]["current_level"], 4) << model;
    EXPECT_EQ(j["dpi"]["enabled_mask"], 0x09) << model;
  }
  const ProfileFile set_ini((std::filesystem::path(data_) / "set.ini").string());
  EXPECT_EQ(set_ini.Keys("DPI").size(), 4u) << "level and mask of the two mice that keep none";
}

}  // namespace
}  // namespace halvric
