#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/ctl_run.h"
#include "cli/text_format.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

std::vector<std::string> ReadLines(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(TextFormat, NumbersHexBytesAndDumps) {
  EXPECT_EQ(ParseNumber("0x100"), 256u);
  EXPECT_EQ(ParseNumber("42"), 42u);
  EXPECT_FALSE(ParseNumber("0x"));
  EXPECT_FALSE(ParseNumber("12a"));
  EXPECT_FALSE(ParseNumber("99999999999"));
  EXPECT_EQ(ParseHexBytes("01 02 ff"), (std::vector<uint8_t>{1, 2, 255}));
  EXPECT_EQ(ParseHexBytes("0102FF"), (std::vector<uint8_t>{1, 2, 255}));
  EXPECT_EQ(ParseHexBytes("0x01,0x02"), (std::vector<uint8_t>{1, 2}));
  EXPECT_FALSE(ParseHexBytes("1 02"));
  EXPECT_FALSE(ParseHexBytes("0g"));
  std::vector<uint8_t> bytes(18);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(HexDump(0x1f0, bytes),
            "0x01f0: 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n0x0200: 10 11\n");
}

TEST(Halvricctl, ListsEverySimulatedMouse) {
  CtlRun r = Ctl({"--simulate=level0,level5,level11", "list"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
  EXPECT_NE(r.out.find("sim/0/if0"), std::string::npos);
  EXPECT_NE(r.out.find("level 11"), std::string::npos);

  r = Ctl({"--simulate=level0,level11", "--json", "list"});
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("\"protocol_level\": 11"), std::string::npos);
}

TEST(Halvricctl, InfoShowsTheAttributesAndTheMemoryTop) {
  CtlRun r = Ctl({"--simulate", "info"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("protocol_level: 11\n"), std::string::npos);
  EXPECT_NE(r.out.find("memory_top: 16383\n"), std::string::npos);
  EXPECT_NE(r.out.find("buttons: 14\n"), std::string::npos);
}

TEST(Halvricctl, MemWriteOnALongMouseSendsTwoChunksAndACommit) {
  const std::string trace = test::TempPath("trace");
  std::string bytes;
  for (int i = 0; i < 40; ++i) {
    if (i > 0) bytes += ' ';
    bytes += "0123456789abcdef"[i / 16];
    bytes += "0123456789abcdef"[i % 16];
  }
  CtlRun r = Ctl({"--simulate=level11", "--trace", trace, "mem", "write", "0x100", bytes});
  ASSERT_EQ(r.code, 0) << r.err;
  auto sends = test::Sends(ReadLines(trace));
  std::filesystem::remove(trace);
  // The last three requests: the two chunks, then the commit.
  ASSERT_GE(sends.size(), 3u);
  const auto& c1 = sends[sends.size() - 3];
  const auto& c2 = sends[sends.size() - 2];
  const auto& commit = sends.back();
  EXPECT_EQ(c1.bytes[1], 0x03);
  EXPECT_EQ(c1.bytes[2] | (c1.bytes[3] << 8), 0x100);
  EXPECT_EQ(c1.bytes[4], 32);
  EXPECT_EQ(c2.bytes[2] | (c2.bytes[3] << 8), 0x120);
  EXPECT_EQ(c2.bytes[4], 8);
  uint8_t x = 0;
  for (int i = 1; i <= 62; ++i) x ^= c2.bytes[i];
  EXPECT_EQ(c2.bytes[63], x);
  EXPECT_EQ(commit.bytes[1], 0x14);
}

TEST(Halvricctl, MemWriteOnAShortMouseUsesSixBytePieces) {
  const std::string trace = test::TempPath("trace");
  CtlRun r = Ctl({"--simulate=level0", "--trace", trace, "mem", "write", "0x100", "01 02 03 04 05 06 07 08"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto sends = test::Sends(ReadLines(trace));
  std::filesystem::remove(trace);
  ASSERT_GE(sends.size(), 4u);
  EXPECT_EQ(sends[sends.size() - 4].bytes[1], 0x09);
  EXPECT_EQ(sends[sends.size() - 3].bytes[1], 0x09);
  EXPECT_EQ(sends[sends.size() - 3].bytes[2], 6);
  EXPECT_EQ(sends[sends.size() - 2].bytes[1], 0x05);
  EXPECT_EQ(sends[sends.size() - 2].bytes[2], 0x02);
  EXPECT_EQ(sends.back().bytes[1], 0x08);
}

TEST(Halvricctl, StateFileKeepsTheMouseBetweenRuns) {
  const std::string state = test::TempPath("state");
  ASSERT_EQ(Ctl({"--simulate=level5", "--sim-state", state, "mem", "write", "0x300", "de ad be ef"}).code, 0);
  CtlRun r = Ctl({"--simulate=level5", "--sim-state", state, "mem", "read", "0x300", "4"});
  std::filesystem::remove(state);
  std::filesystem::remove(state + ".lock");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "0x0300: de ad be ef\n");
}

// The user's file given as a state by mistake, and another model's state: halvricctl says it
// refuses the file, exits 1, and leaves the file exactly as it was.
TEST(Halvricctl, RefusesAStateFileAndLeavesItAlone) {
  const std::string file = test::TempPath("important");
  for (const std::string& text : {std::string("{\"hello\": 1}\n"), std::string("notes, not JSON\n")}) {
    std::ofstream(file) << text;
    CtlRun r = Ctl({"--simulate=level11", "--sim-state", file, "list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is not"), std::string::npos) << r.err;
    EXPECT_EQ(ReadLines(file), (std::vector<std::string>{text.substr(0, text.size() - 1)}));
  }
  std::filesystem::remove(file);
  ASSERT_EQ(Ctl({"--simulate=level0", "--sim-state", file, "mem", "write", "0x100", "12 34"}).code, 0);
  std::ifstream in(file);
  const std::string level0((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CtlRun r = Ctl({"--simulate=level11", "--sim-state", file, "mem", "write", "0x100", "56 78"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("level0"), std::string::npos) << r.err;
  std::ifstream again(file);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), level0);
  r = Ctl({"--simulate=level0", "--sim-state", file, "mem", "read", "0x100", "2"});
  EXPECT_EQ(r.out, "0x0100: 12 34\n") << r.err;
  std::filesystem::remove(file);
  std::filesystem::remove(file + ".lock");
}

TEST(Halvricctl, ErrorsAndExitCodes) {
  EXPECT_EQ(Ctl({}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "mem", "read", "zz", "4"}).code, 2);
  EXPECT_EQ(Ctl({"--simulate", "mem", "write", "0x10", "0g"}).code, 2);
  CtlRun r = Ctl({"--simulate=level99", "list"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("level99"), std::string::npos);
  r = Ctl({"--simulate", "--device", "sim/7/if1", "info"});
  EXPECT_EQ(r.code, 1);
  // This machine has no mice of this vendor.
  r = Ctl({"info"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("halvricctl: No device !!\n", 0), 0u) << r.err;  // the program's words, then what to do
  EXPECT_NE(r.err.find("--simulate"), std::string::npos);
  r = Ctl({"--simulate=level11", "--sim-state", "/nonexistent-dir/x/state.json", "info"});
  EXPECT_NE(r.code, 0);
  // Every error follows the program's name; a misspelt model after a blank is named as such,
  // with the models there are.
  r = Ctl({"--simulate", "bogus", "show"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err.rfind("halvricctl: unknown simulated mouse model \"bogus\"", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("level11"), std::string::npos) << r.err;
  r = Ctl({"--simulate", "macro", "show", "5"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: Slot 5 is empty\n");
  EXPECT_EQ(Ctl({"--simulate", "dpi", "9", "800", "800"}).err.rfind("halvricctl: ", 0), 0u);
  // A word that is no command is named.
  r = Ctl({"frobnicate"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("unknown command \"frobnicate\""), std::string::npos) << r.err;
  // And one that is no option is not called a command.
  r = Ctl({"--frobnicate"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "halvricctl: unknown option or extra argument: --frobnicate\n");
}

// The program's options go before or after the command; --simulate takes its models after a
// blank too, and alone still means the default model.
TEST(Halvricctl, ProgramOptionsAnywhereAndVersion) {
  CtlRun r = Ctl({"show", "--json", "--simulate", "level0"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.front(), '{');
  r = Ctl({"macro", "list", "--simulate=level5", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"slots\""), std::string::npos);
  r = Ctl({"--simulate", "level0,level11", "list"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("sim/1/if1"), std::string::npos);
  r = Ctl({"--simulate", "info"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = Ctl({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("halvricctl ", 0), 0u);
  EXPECT_NE(Ctl({"--help"}).out.find("Usage: halvricctl "), std::string::npos);
}

// Without a language in set.ini the texts follow the locale; machine-readable output does not.
TEST(Halvricctl, TextsFollowTheLocaleJsonStaysEnglish) {
  const std::string data = test::TempPath("locale-data");
  std::filesystem::create_directories(data);
  const std::string old_data = std::getenv("HALVRIC_DATA_DIR") ? std::getenv("HALVRIC_DATA_DIR") : "";
  setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
  unsetenv("LC_ALL");
  setenv("LANG", "de_DE.UTF-8", 1);
  const CtlRun text = Ctl({"--simulate", "show"});
  const CtlRun json = Ctl({"--simulate", "show", "--json"});
  setenv("LC_ALL", "C.UTF-8", 1);
  const CtlRun english = Ctl({"--simulate", "show"});
  setenv("HALVRIC_DATA_DIR", old_data.c_str(), 1);
  EXPECT_NE(text.out.find("Taste  0: Linksklick"), std::string::npos) << text.out;
  EXPECT_NE(json.out.find("\"Left click\""), std::string::npos);
  EXPECT_NE(english.out.find("key  0: Left click"), std::string::npos);
}

TEST(Halvricctl, DevicePicksOneOfSeveralMice) {
  CtlRun r = Ctl({"--simulate=level0,level11", "--device", "SIM/1/IF1", "info"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("path: sim/1/if1\n"), std::string::npos);
  // Named by its node, the mouse is the only one the command talks to.
  const std::string trace = test::TempPath("trace");
  r = Ctl({"--simulate=level0,level11", "--trace", trace, "--device", "sim/1/if1", "dpi", "3", "1600", "1600"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::ifstream in(trace);
  const std::string wire((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(wire.find(" sim/1/if1 "), std::string::npos);
  EXPECT_EQ(wire.find(" sim/0/"), std::string::npos);
  // By the port it is plugged into (which a replug keeps), or by a model name only one mouse has.
  r = Ctl({"--simulate=level11,level5,level5", "--device", "sim-3", "info"});
  EXPECT_NE(r.out.find("path: sim/2/if1\n"), std::string::npos) << r.err;
  r = Ctl({"--simulate=level11,level5,level5", "--device", "halvric m19 rgb", "info"});
  EXPECT_NE(r.out.find("path: sim/0/if1\n"), std::string::npos) << r.err;
  r = Ctl({"--simulate=level11,level5,level5", "--device", "Halvric M11", "info"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("More than one"), std::string::npos);
}

// Two processes writing the same simulated mouse at once: every write lands.
TEST(Halvricctl, TwoProcessesOnOneStateFileLoseNoWrite) {
  const std::string state = test::TempPath("state");
  ASSERT_EQ(Ctl({"--simulate=level11", "--sim-state", state, "info"}).code, 0);
  constexpr int kWrites = 6;
  std::vector<pid_t> children;
  for (int proc = 0; proc < 2; ++proc) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        char addr[16], val[8];
        std::snprintf(addr, sizeof addr, "0x%x", 0x800 + proc * 0x40 + i);
        std::snprintf(val, sizeof val, "%02x", 0x10 * proc + i + 1);
        pid_t c = fork();
        if (c == 0) {
          execl(HALVRICCTL_PATH, "halvricctl", "--simulate=level11", "--sim-state", state.c_str(), "mem", "write",
                addr, val, static_cast<char*>(nullptr));
          _exit(127);
        }
        int st = 0;
        waitpid(c, &st, 0);
        if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) ++failures;
      }
      _exit(failures);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
  for (int proc = 0; proc < 2; ++proc) {
    char addr[16];
    std::snprintf(addr, sizeof addr, "0x%x", 0x800 + proc * 0x40);
    CtlRun r = Ctl({"--simulate=level11", "--sim-state", state, "mem", "read", addr, std::to_string(kWrites)});
    ASSERT_EQ(r.code, 0) << r.err;
    std::string expect = "0x0" + std::string(addr + 2) + ":";
    for (int i = 0; i < kWrites; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, " %02x", 0x10 * proc + i + 1);
      expect += b;
    }
    EXPECT_EQ(r.out, expect + "\n");
  }
  std::filesystem::remove(state);
  std::filesystem::remove(state + ".lock");
}

}  // namespace
}  // namespace halvric
