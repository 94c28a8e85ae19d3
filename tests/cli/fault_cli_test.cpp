// halvricctl with a fault of the simulated mouse during its command: exit code 1 and a message
// on standard error, never a success that did not land.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "cli/ctl_run.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

class CtlFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    data_ = test::TempPath("data");
    std::filesystem::create_directories(data_);
    setenv("HALVRIC_DATA_DIR", data_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("HALVRIC_DATA_DIR");
    std::filesystem::remove_all(data_);
  }
  // Runs the command on a fresh simulated mouse with `fault` ("" for none); `exchanges` receives
  // the Get and Set Features of the run (all of them identify, select, read and carry out the
  // command, so a clean run gives the command's last exchange).
  CtlRun Run(const std::string& model, const std::string& fault, std::vector<std::string> args,
             size_t* exchanges = nullptr) {
    const std::string state = data_ + "/state.json";
    const std::string trace = data_ + "/trace";
    std::filesystem::remove(state);
    std::filesystem::remove(trace);
    std::vector<std::string> front = {"--simulate=" + model, "--sim-state", state, "--trace", trace};
    if (!fault.empty()) front.push_back("--sim-fault=" + fault);
    args.insert(args.begin(), front.begin(), front.end());
    CtlRun r = Ctl(args);
    if (exchanges != nullptr) {
      *exchanges = 0;
      std::ifstream in(trace);
      for (std::string line; std::getline(in, line);) {
        if (line.starts_with("S ") || line.starts_with("G ")) ++*exchanges;
      }
    }
    return r;
  }
  std::string data_;
};

TEST_F(CtlFaults, LastingFaultsEndTheCommandWithAMessage) {
  struct Case {
    const char* model;
    std::vector<std::string> args;
  };
  const std::string file = data_ + "/mouse.bf";
  const std::vector<Case> cases = {
      {"level11", {"backup", file}},
      {"level5", {"reset"}},
      {"level11", {"lighting", "zone", "2", "FF0000", "breathe"}},
      {"level0", {"dpi", "2", "800", "800"}},
  };
  for (const Case& c : cases) {
    size_t n = 0;
    CtlRun clean = Run(c.model, "", c.args, &n);
    ASSERT_EQ(clean.code, 0) << c.args[0] << ": " << clean.err;
    ASSERT_GT(n, 20u);
    // Late in the command: its own exchanges, after identification and the read.
    for (const std::string kind : {"unplug", "stuck"}) {
      std::filesystem::remove(file);
      const std::string fault = kind + "@" + std::to_string(n - 6);
      const CtlRun r = Run(c.model, fault, c.args);
      EXPECT_EQ(r.code, 1) << c.args[0] << " " << fault << ": " << r.out;
      EXPECT_FALSE(r.err.empty()) << c.args[0] << " " << fault;
      if (c.args[0] == "backup") {
        EXPECT_FALSE(std::filesystem::exists(file)) << fault;
      }
      if (c.args[0] == "reset") {
        // It names the automatic backup that holds the settings from before.
        EXPECT_NE(r.err.find("The settings before the reset are in " + data_ + "/auto-backup/"), std::string::npos) << r.err;
      }
    }
  }
}

TEST_F(CtlFaults, OneShotFaultsAreRidden) {
  size_t n = 0;
  const std::string file = data_ + "/mouse.bf";
  ASSERT_EQ(Run("level11", "", {"backup", file}, &n).code, 0);
  for (const std::string kind : {"drop", "busy:100"}) {
    std::filesystem::remove(file);
    const CtlRun r = Run("level11", kind + "@" + std::to_string(n / 2), {"backup", file});
    EXPECT_EQ(r.code, 0) << kind << ": " << r.err;
    EXPECT_TRUE(std::filesystem::exists(file)) << kind;
  }
}

TEST_F(CtlFaults, TheFaultOptionIsChecked) {
  const CtlRun r = Run("level11", "melt@3", {"list"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--sim-fault"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace halvric
