#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

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

}  // namespace
}  // namespace halvric
