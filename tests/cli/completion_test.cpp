// The completion scripts load in their shells and complete commands and options at each level;
// the descriptions zsh and fish show are in the user's language, also through the installed
// scripts, which ask the program for them when loaded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/ctl_run.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    if (pclose(p) != 0) out += "[failed]";
  }
  return out;
}

bool Have(const std::string& shell) { return Shell("command -v " + shell + " >/dev/null 2>&1 && echo yes") == "yes\n"; }

TEST(Completion, EachShellLoadsItsScript) {
  for (const std::string shell : {"bash", "zsh", "fish"}) {
    const auto r = test::Ctl({"completion", shell});
    ASSERT_EQ(r.code, 0) << r.err;
    if (!Have(shell)) continue;
    const std::string path = test::TempPath("completion." + shell);
    std::ofstream(path) << r.out;
    EXPECT_EQ(Shell(shell + " -n " + path + " 2>&1"), "") << shell;
  }
  EXPECT_EQ(test::Ctl({"completion", "tcsh"}).code, 2);
}

TEST(Completion, BashAndFishCompleteCommandsAndOptionsAtEachLevel) {
  const std::string bash = test::TempPath("completion.bash");
  std::ofstream(bash) << test::Ctl({"completion", "bash"}).out;
  auto complete = [&](const std::string& words, int current) {
    return Shell("bash -c 'source " + bash + "; COMP_WORDS=(" + words + "); COMP_CWORD=" + std::to_string(current) +
               "; _halvricctl; echo ${COMPREPLY[@]}'");
  };
  EXPECT_EQ(complete("halvricctl mac", 1), "macro\n");
  EXPECT_EQ(complete("halvricctl --json macro w", 3), "write\n");
  EXPECT_EQ(complete("halvricctl snap o", 2), "on off\n");
  // The program's options also follow a command.
  EXPECT_NE(complete("halvricctl macro write --", 3).find("--bind"), std::string::npos);
  EXPECT_NE(complete("halvricctl macro write --", 3).find("--simulate"), std::string::npos);
  if (!Have("fish")) return;
  const std::string fish = test::TempPath("completion.fish");
  std::ofstream(fish) << test::Ctl({"completion", "fish"}).out;
  const std::string out = Shell("fish -c 'source " + fish + "; complete -C \"halvricctl lighting z\"'");
  EXPECT_EQ(out.rfind("zone\t", 0), 0u) << out;
  // A positional that takes named words completes to them.
  const std::string shells = Shell("fish -c 'source " + fish + "; complete -C \"halvricctl completion \"'");
  EXPECT_NE(shells.find("zsh\t"), std::string::npos) << shells;
}

TEST(Completion, DescriptionsAreInTheUsersLanguage) {
  const std::string german = "Die erkannten Mäuse auflisten";
  const std::string data = test::TempPath("completion-data");
  std::filesystem::create_directories(data);
  const std::string env = "env -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 HALVRIC_DATA_DIR=" + data +
                          " HALVRIC_SOURCE_DIR=" HALVRIC_SOURCE_DIR " PATH=" +
                          std::filesystem::path(HALVRICCTL_PATH).parent_path().string() + ":" + std::getenv("PATH");
  const std::string scripts = HALVRIC_SOURCE_DIR "/packaging/completions/";
  EXPECT_NE(Shell(env + " halvricctl completion zsh").find("'list:" + german + "'"), std::string::npos);
  // JSON mode speaks English whatever the locale; so does its completion script.
  EXPECT_NE(Shell(env + " halvricctl --json completion zsh").find("'list:List the identified mice'"), std::string::npos);
  if (Have("zsh")) {
    EXPECT_EQ(Shell("zsh -n " + scripts + "_halvricctl 2>&1"), "");
  }
  if (Have("fish")) {
    const std::string out = Shell(env + " fish -c 'source " + scripts + "halvricctl.fish; complete -C \"halvricctl li\"'");
    EXPECT_NE(out.find("list\t" + german + "\n"), std::string::npos) << out;
  }
  std::filesystem::remove_all(data);
}

}  // namespace
}  // namespace halvric
