#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cli/ctl_run.h"
#include "device/hex_records.h"
#include "device/intel_hex.h"
#include "device/upgrade_pieces.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

struct HexOnDisk {
  explicit HexOnDisk(const std::string& text) : path(test::TempPath("fw") + ".hex") {
    std::ofstream(path) << text;
  }
  ~HexOnDisk() {
    std::filesystem::remove(path);
    std::filesystem::remove(trace);
  }
  std::string path;
  std::string trace = test::TempPath("trace");
};

std::vector<std::string> Lines(const std::string& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(FlashCommand, DryRunShowsChecksumAndPiecesAndSendsNothing) {
  HexOnDisk hex(test::HexFile(0, test::NoiseBytes(300, 5)));
  const CtlRun r = Ctl({"--simulate=level11", "--trace", hex.trace, "flash", "--dry-run", hex.path});
  ASSERT_EQ(r.code, 0) << r.err;
  char checksum[16];
  std::snprintf(checksum, sizeof checksum, "%08X", FirmwareChecksum(ParseIntelHex(test::HexFile(0, test::NoiseBytes(300, 5))).value()));
  EXPECT_NE(r.out.find(std::string("checksum ") + checksum), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("00C8-00D7 16\n00DC-00F3 24\n00F4-00F7  4\n00FA-00FF  6\n"), std::string::npos) << r.out;
  EXPECT_TRUE(Lines(hex.trace).empty());
}

TEST(FlashCommand, WritesTheFileIntoASimulatedMouse) {
  const std::vector<uint8_t> data = test::NoiseBytes(400, 9);
  HexOnDisk hex(test::HexFile(0, data));
  const CtlRun r = Ctl({"--simulate=level11", "--trace", hex.trace, "flash", hex.path});
  ASSERT_EQ(r.code, 0) << r.err;
  const size_t pieces = PlanUpgradePieces(400).size();
  EXPECT_TRUE(std::regex_search(r.out, std::regex("^count " + std::to_string(pieces) + ", [0-9]+ms \\(err count=0\\)")))
      << r.out;

  // Rebuild what crossed the wire as programming writes.
  std::vector<int> flash(0x10000, -1);
  for (const auto& e : test::Sends(Lines(hex.trace))) {
    if (e.bytes.size() < 9 || e.bytes[1] != 0x19 || e.bytes[4] != 0x02) continue;
    const uint32_t addr = e.bytes[5] | (e.bytes[6] << 8) | (e.bytes[7] << 16);
    for (uint32_t i = 0; i < e.bytes[8]; ++i) flash[addr + i] = e.bytes[9 + i];
  }
  for (uint32_t a = 0; a < 400; ++a) {
    int expect = data[a];
    if (a < 8 || (a >= 216 && a < 220) || a == 248 || a == 249) expect = -1;
    if (a == 250 || a == 251) expect = 0;
    ASSERT_EQ(flash[a], expect) << "address " << a;
  }
  EXPECT_EQ(flash[400], -1);
}

TEST(FlashCommand, RefusesOtherMiceAndDamagedFiles) {
  HexOnDisk hex(test::HexFile(0, test::NoiseBytes(100, 1)));
  const CtlRun old = Ctl({"--simulate=level5", "flash", hex.path});
  EXPECT_EQ(old.code, 1);
  EXPECT_NE(old.err.find("cannot take a firmware upgrade"), std::string::npos) << old.err;

  std::string text = test::HexFile(0, test::NoiseBytes(100, 1));
  text[10] = text[10] == 'a' ? 'b' : 'a';
  HexOnDisk bad(text);
  const CtlRun r = Ctl({"--simulate=level11", "--trace", bad.trace, "flash", bad.path});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("checksum"), std::string::npos) << r.err;
  EXPECT_TRUE(Lines(bad.trace).empty());
}


// A simulated level-11 mouse in a state file, with the automatic backups in a folder of their own.
struct FlashRig {
  FlashRig() {
    std::filesystem::create_directories(data);
    setenv("HALVRIC_DATA_DIR", data.c_str(), 1);
    EXPECT_EQ(Ctl({"--simulate=level11", "--sim-state", state, "info"}).code, 0);
  }
  ~FlashRig() {
    unsetenv("HALVRIC_DATA_DIR");
    std::filesystem::remove_all(data);
    std::filesystem::remove(state);
    std::filesystem::remove(state + ".lock");
  }
  nlohmann::json Upgrade() const {
    std::ifstream in(state);
    return nlohmann::json::parse(in).at("mice").at(0).at("upgrade");
  }
  void SetUpgrade(const std::string& key, int value) {
    nlohmann::json j;
    {
      std::ifstream in(state);
      j = nlohmann::json::parse(in);
    }
    j["mice"][0]["upgrade"][key] = value;
    std::ofstream(state) << j.dump();
  }
  bool InProgrammingMode() const { return Upgrade().at("isp").get<int>() != 0; }
  CtlRun Flash(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--simulate=level11", "--sim-state", state, "--trace", trace, "flash"};
    all.insert(all.end(), args.begin(), args.end());
    return Ctl(all);
  }
  std::string state = test::TempPath("state");
  std::string data = test::TempPath("data");
  std::string trace = test::TempPath("trace");
};

bool SentExitIsp(const std::string& trace) {
  for (const auto& e : test::Sends(Lines(trace))) {
    if (e.bytes.size() > 4 && e.bytes[1] == 0x19 && e.bytes[2] == 0x12 && e.bytes[4] == 0x00) return true;
  }
  return false;
}

TEST(FlashCommand, ARefusalBeforeAnyPieceLeavesProgrammingMode) {
  FlashRig rig;
  HexOnDisk hex(test::HexFile(0, test::NoiseBytes(300, 3)));
  rig.SetUpgrade("silent", 1);  // the mouse enters programming mode but takes no write
  const CtlRun r = rig.Flash({hex.path});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("write error!!"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("has left programming mode"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("To retry: halvricctl flash " + hex.path), std::string::npos) << r.err;
  EXPECT_FALSE(rig.InProgrammingMode());
  EXPECT_TRUE(SentExitIsp(rig.trace));
  std::filesystem::remove(rig.trace);
}

TEST(FlashCommand, AFailureHalfWayStaysInProgrammingModeAndARetrySucceeds) {
  FlashRig rig;
  const std::vector<uint8_t> data = test::NoiseBytes(1500, 4);
  HexOnDisk hex(test::HexFile(0, data));
  // Ten writes are taken, then 60 refused: one piece is refused more often than halvricctl
  // resends it, and the nine refusals left over are resent by the next run.
  rig.SetUpgrade("acks_before_refusal", 10);
  rig.SetUpgrade("refusals", 60);
  const CtlRun r = rig.Flash({hex.path});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("stays in programming mode"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("halvricctl flash " + hex.path), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("halvricctl flash --exit-isp"), std::string::npos) << r.err;
  EXPECT_TRUE(rig.InProgrammingMode());
  EXPECT_FALSE(SentExitIsp(rig.trace));

  const CtlRun again = rig.Flash({hex.path});
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.out.find("left programming mode"), std::string::npos) << again.out;
  EXPECT_FALSE(rig.InProgrammingMode());
}

TEST(FlashCommand, ExitIspLeavesProgrammingMode) {
  FlashRig rig;
  rig.SetUpgrade("isp", 1);
  ASSERT_TRUE(rig.InProgrammingMode());
  const CtlRun r = rig.Flash({"--exit-isp"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("leaves programming mode"), std::string::npos) << r.out;
  EXPECT_FALSE(rig.InProgrammingMode());
  EXPECT_TRUE(SentExitIsp(rig.trace));

  EXPECT_EQ(rig.Flash({}).code, 2) << "a file or --exit-isp";
  HexOnDisk hex(test::HexFile(0, test::NoiseBytes(100, 1)));
  EXPECT_EQ(rig.Flash({"--exit-isp", hex.path}).code, 2);
}

// Ctrl-C half-way: halvricctl ends after the current piece, says where the mouse is, and leaves
// it in programming mode; the same command then writes the whole file.
TEST(FlashCommand, AnInterruptStopsAfterTheCurrentPieceAndStaysInProgrammingMode) {
  FlashRig rig;
  HexOnDisk hex(test::HexFile(0, test::NoiseBytes(6000, 6)));
  const std::string err_file = test::TempPath("stderr");
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const int fd = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) ::dup2(fd, STDERR_FILENO);
    execl(HALVRICCTL_PATH, "halvricctl", "--simulate=level11", "--sim-state", rig.state.c_str(), "flash",
          hex.path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until some pieces are written, then interrupt.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int writes = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      writes = rig.Upgrade().at("writes").get<int>();
    } catch (const std::exception&) {
      writes = 0;  // read while being replaced
    }
    if (writes >= 10) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_GE(writes, 10);
  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "halvricctl must end on its own, not by the signal";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream in(err_file);
  const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(err_file);
  EXPECT_NE(err.find("abort!! (interrupted)"), std::string::npos) << err;
  EXPECT_NE(err.find("stays in programming mode"), std::string::npos) << err;
  EXPECT_NE(err.find("halvricctl flash " + hex.path), std::string::npos) << err;
  EXPECT_TRUE(rig.InProgrammingMode());
  EXPECT_LT(rig.Upgrade().at("writes").get<int>(), static_cast<int>(PlanUpgradePieces(6000).size()));

  const CtlRun again = rig.Flash({hex.path});
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_FALSE(rig.InProgrammingMode());
  std::filesystem::remove(rig.trace);
}

}  // namespace
}  // namespace halvric
