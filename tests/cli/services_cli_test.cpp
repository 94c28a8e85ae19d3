#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>

#include "cli/ctl_run.h"
#include "platform/profile_file.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

TEST(MonitorCommand, PrintsTheDecodedReportsTheSimulatedMouseSends) {
  CtlRun r = Ctl({"--simulate=level11", "monitor", "--count", "2", "--sim-events", "dpi-up,profile:2"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::istringstream lines(r.out);
  std::string first, second, rest;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, rest));
  EXPECT_EQ(first.rfind("status profile 1 dpi-level 3 ", 0), 0u) << first;
  EXPECT_EQ(second.rfind("status profile 2 dpi-level 3 ", 0), 0u) << second;

  r = Ctl({"--simulate=level0", "monitor", "--count", "3", "--sim-events", "tilt:-2,move:0:0,host:2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "movement touch 0 dx 0 dy 0 tilt -2\n"
            "movement touch 0 dx 0 dy 0 tilt 0\n"
            "host-action 2\n");
}

TEST(MonitorCommand, MissingReportsAndBadEventsFail) {
  CtlRun r = Ctl({"--simulate", "monitor", "--count", "2", "--seconds", "0.2", "--sim-events", "host:1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("only 1 of 2"), std::string::npos);
  EXPECT_EQ(Ctl({"--simulate", "monitor", "--sim-events", "tilt:200"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "monitor", "--sim-events", "dpi:"}).code, 2);
}

TEST(LinkCommand, SetListRemove) {
  const std::string dir = test::TempPath("links");
  setenv("HALVRIC_DATA_DIR", dir.c_str(), 1);
  CtlRun r = Ctl({"link", "set", "4", "C:\\Games\\Shooter.exe"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(Ctl({"link", "set", "2", "/opt/x/app", "--name", ""}).code, 0);
  r = Ctl({"link", "list"});
  EXPECT_EQ(r.out, "1: -\n2: /opt/x/app  ()\n3: -\n4: C:\\Games\\Shooter.exe  (Shooter)\n5: -\n");
  ASSERT_EQ(Ctl({"link", "remove", "4"}).code, 0);
  const ProfileFile ini(dir + "/set.ini");
  EXPECT_EQ(ini.GetString("ARG", "app3", "absent"), "");
  EXPECT_EQ(ini.GetString("ARG", "app1", "absent"), "/opt/x/app");
  EXPECT_EQ(ini.GetString("ARG", "app_name1", "absent"), "");
  EXPECT_EQ(Ctl({"link", "remove", "6"}).code, 2);
  EXPECT_EQ(Ctl({"link", "remove", "0"}).code, 2);
  // A settings file too large to be one is said, not listed as five empty links.
  std::filesystem::resize_file(dir + "/set.ini", ProfileFile::kMaxFileBytes + 1);
  r = Ctl({"link", "list"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("set.ini: cannot be read (larger than"), std::string::npos) << r.err;
  unsetenv("HALVRIC_DATA_DIR");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace halvric
