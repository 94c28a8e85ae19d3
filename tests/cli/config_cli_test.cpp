#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "cli/ctl_run.h"
#include "cli/function_spec.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

class StateFile : public ::testing::Test {
 protected:
  std::string state = test::TempPath("state");
  void TearDown() override {
    std::filesystem::remove(state);
    std::filesystem::remove(state + ".lock");
  }
  CtlRun Run(const std::string& model, std::vector<std::string> args) {
    args.insert(args.begin(), {"--simulate=" + model, "--sim-state", state});
    return Ctl(args);
  }
};

TEST(ConfigCli, ShowPrintsACompleteConfigurationForEveryModel) {
  // The never-initialised mouse is repaired, after an automatic backup.
  const std::string data = test::TempPath("data");
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  for (const char* model : {"level0", "level5", "level11", "level11-blank"}) {
    CtlRun r = Ctl({std::string("--simulate=") + model, "show"});
    ASSERT_EQ(r.code, 0) << model << ": " << r.err;
    const bool blank = std::string(model) == "level11-blank";
    EXPECT_EQ(r.err.find("automatic backup: "), blank ? 0u : std::string::npos) << model << ": " << r.err;
    EXPECT_NE(r.out.find("report rate: 1000Hz"), std::string::npos) << model;
    EXPECT_NE(r.out.find("5: Profile 5"), std::string::npos) << model;
    EXPECT_NE(r.out.find("Left click"), std::string::npos) << model;
    EXPECT_NE(r.out.find("free memory: "), std::string::npos) << model;
  }
  unsetenv("HALVRIC_DATA_DIR");
  int repairs = 0;
  for (const auto& f : std::filesystem::directory_iterator(std::filesystem::path(data) / "auto-backup")) {
    if (f.path().filename().string().ends_with("_repair.bf")) ++repairs;
  }
  EXPECT_EQ(repairs, 1);
  std::filesystem::remove_all(data);
  CtlRun j = Ctl({"--simulate=level5", "--json", "show", "--profile", "2"});
  ASSERT_EQ(j.code, 0);
  EXPECT_NE(j.out.find("\"name\": \"Profile 2\""), std::string::npos);
  EXPECT_EQ(j.out.find("\"name\": \"Profile 1\""), std::string::npos);
}

TEST_F(StateFile, SettingsChangedInOneRunShowInTheNext) {
  for (const char* model : {"level0", "level11"}) {
    std::filesystem::remove(state);
    ASSERT_EQ(Run(model, {"dpi", "3", "2000", "1000"}).code, 0) << model;
    ASSERT_EQ(Run(model, {"rate", "1"}).code, 0);
    ASSERT_EQ(Run(model, {"snap", "on"}).code, 0);
    ASSERT_EQ(Run(model, {"profile-name", "2", "Sniper"}).code, 0);
    CtlRun b = Run(model, {"button", "2", "1", "key:Ctrl+Shift+A"});
    ASSERT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(b.out, "key 1: Ctrl + Shift + A\n");
    ASSERT_EQ(Run(model, {"profile", "3"}).code, 0);
    CtlRun r = Run(model, {"show", "--profile", "2"});
    ASSERT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("report rate: 500Hz (code 1)"), std::string::npos) << model;
    EXPECT_NE(r.out.find("angle snapping: on"), std::string::npos) << model;
    EXPECT_NE(r.out.find("2: Sniper"), std::string::npos) << model;
    EXPECT_NE(r.out.find("key  1: Ctrl + Shift + A"), std::string::npos) << model;
    const std::string dpi3 = std::string("3: ") + (std::string(model) == "level0" ? "2000 x 1000" : "2000 x 1000");
    EXPECT_NE(r.out.find(dpi3), std::string::npos) << model << "\n" << r.out;
  }
}

TEST_F(StateFile, ResetRestoresTheDefaults) {
  ASSERT_EQ(Run("level5", {"button", "1", "0", "none"}).code, 0);
  ASSERT_EQ(Run("level5", {"reset"}).code, 0);
  CtlRun r = Run("level5", {"show", "--profile", "1"});
  EXPECT_NE(r.out.find("key  0: Left click"), std::string::npos) << r.out;
}

TEST(ConfigCli, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Ctl({"--simulate", "dpi", "6", "800", "800"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "rate", "8"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "snap", "maybe"}).code, 2);
  CtlRun r = Ctl({"--simulate", "button", "1", "0", "key:Hyper+Q"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Hyper"), std::string::npos);
  EXPECT_EQ(Ctl({"--simulate", "button", "1", "0", "macro:4"}).code, 2) << "an empty slot";
}

TEST(FunctionSpec, ReadableForms) {
  WorkingCopy wc;
  wc.macros[4].start = 0x600;
  wc.macros[4].body = 0x621;
  std::string why;
  auto f = [&](const char* s) { return ParseFunctionSpec(s, wc, &why).value_or(ButtonAssignment::Make(255)); };
  EXPECT_EQ(f("left+right"), ButtonAssignment::MouseButtons(3));
  EXPECT_EQ(f("raw:5,0x01,4,0"), ButtonAssignment::Keyboard(1, 4));
  EXPECT_EQ(f("key:RCtrl+F5"), ButtonAssignment::Keyboard(0x10, 0x3E));
  EXPECT_EQ(f("key:Ctrl"), ButtonAssignment::Keyboard(0x01, 0));
  EXPECT_EQ(f("media:0xE9"), ButtonAssignment::Consumer(0xE9));
  EXPECT_EQ(f("macro:4:loop"), ButtonAssignment::Macro(9, 0x621));
  EXPECT_EQ(f("wheel-down"), ButtonAssignment::Wheel(-1));
  EXPECT_FALSE(ParseFunctionSpec("raw:1,2,3", wc, &why));
  EXPECT_FALSE(ParseFunctionSpec("raw:1,2,3,256", wc, &why));
  EXPECT_FALSE(ParseFunctionSpec("media:Nonsense", wc, &why));
}

}  // namespace
}  // namespace halvric
