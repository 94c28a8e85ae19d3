#include "device/intel_hex.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "device/hex_records.h"
#include "device/upgrade_pieces.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::HexEof;
using test::HexFile;
using test::HexRecord;

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

std::string Error(const std::string& text) {
  const auto r = ParseIntelHex(text);
  if (!r) {
    EXPECT_EQ(r.fault().fault, FileFault::kInvalidFormat);
  }
  return r.message();
}

// The image of a file the test expects to be accepted.
FirmwareImage Image(const HexResult& r) {
  EXPECT_TRUE(r.ok()) << r.message();
  return r.ok() ? r.value() : FirmwareImage{};
}
FirmwareImage Parse(const std::string& text) { return Image(ParseIntelHex(text)); }

TEST(IntelHex, DataExtendedAddressAndTheTopOfTheImage) {
  // Extended address 0001 puts the following data at 0x10000: outside the image, but the end grows.
  FirmwareImage ext = Parse(HexRecord(0, 0x0010, {1, 2}) + HexRecord(4, 0, {0x00, 0x01}) +
                            HexRecord(0, 0x0000, {9, 9, 9, 9}) + HexEof());
  EXPECT_EQ(ext.end, 0x10004u);
  EXPECT_EQ(ext.bytes_outside, 4u);
  EXPECT_EQ(ext.bytes[0x10], 1);
  EXPECT_EQ(std::count(ext.bytes.begin(), ext.bytes.end(), 9), 0);
  EXPECT_EQ(FirmwareChecksum(ext), 0x0201);

  // A record reaching 65536 is not stored; one ending just below is.
  FirmwareImage top = Parse(HexRecord(0, 0xFFF0, std::vector<uint8_t>(16, 0xAA)) +
                            HexRecord(0, 0xFFDF, std::vector<uint8_t>(16, 0xBB)) + HexEof());
  EXPECT_EQ(top.bytes[0xFFF0], 0);
  EXPECT_EQ(top.bytes[0xFFEE], 0xBB);
  EXPECT_EQ(top.end, 0x10000u);

  // The checksum sums little-endian words modulo 65536.
  FirmwareImage full = Parse(HexFile(0, std::vector<uint8_t>(0x1000, 0xFF)));
  EXPECT_EQ(FirmwareChecksum(full), static_cast<uint16_t>(0x800 * 0xFFFF));
  EXPECT_EQ(full.end, 0x1000u);
}

TEST(IntelHex, CaseLineEndsAndBlanksDoNotChangeTheImage) {
  const std::string lower = HexFile(0x20, test::NoiseBytes(300, 7));
  const FirmwareImage a = Parse(lower);
  const FirmwareImage b = Parse(Upper(lower));
  std::string crlf;
  for (char c : Upper(lower)) crlf += c == '\n' ? std::string("  \r\n\r\n") : std::string(1, c);
  const FirmwareImage c = Parse("; comment line\n" + crlf);
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_EQ(a.bytes, c.bytes);
  EXPECT_EQ(a.end, 0x20u + 300);
  EXPECT_TRUE(std::equal(a.bytes.begin() + 0x20, a.bytes.begin() + 0x20 + 300, test::NoiseBytes(300, 7).begin()));
}

TEST(IntelHex, DamagedFilesAreRefusedWithTheLine) {
  std::string text = HexFile(0, test::NoiseBytes(64, 3));
  // Line 3: change one data digit, leaving the record checksum as it was.
  const size_t line3 = text.find('\n', text.find('\n') + 1) + 1;
  text[line3 + 12] = text[line3 + 12] == '0' ? '1' : '0';
  const std::string bad_sum = Error(text);
  EXPECT_NE(bad_sum.find("line 3"), std::string::npos) << bad_sum;
  EXPECT_NE(bad_sum.find("checksum"), std::string::npos) << bad_sum;

  EXPECT_NE(Error(HexRecord(0, 0, {1, 2, 3})).find("end-of-file"), std::string::npos);
  EXPECT_NE(Error(":0300000001G203F7\n" + HexEof()).find("hex digit"), std::string::npos);
  EXPECT_NE(Error(":0400000001020304\n" + HexEof()).find("count"), std::string::npos);
  EXPECT_NE(Error(HexRecord(7, 0, {}) + HexEof()).find("record type"), std::string::npos);
  EXPECT_NE(Error("").find("end-of-file"), std::string::npos);
}

TEST(IntelHex, FilesFromObjcopyLoadToTheSameBytes) {
  if (std::system("command -v objcopy >/dev/null 2>&1") != 0) GTEST_SKIP() << "objcopy is not installed";
  const std::filesystem::path dir = test::TempPath("objcopy");
  std::filesystem::create_directories(dir);
  // 70000 bytes: beyond 64 KiB objcopy switches to extended-address records.
  const std::vector<uint8_t> data = test::NoiseBytes(70000, 42);
  {
    std::ofstream bin(dir / "fw.bin", std::ios::binary);
    bin.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  const std::string cmd = "objcopy -I binary -O ihex '" + (dir / "fw.bin").string() + "' '" +
                          (dir / "fw.hex").string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const FirmwareImage image = Image(LoadIntelHexFile((dir / "fw.hex").string()));
  std::filesystem::remove_all(dir);

  EXPECT_EQ(image.end, 70000u);
  // objcopy writes 16-byte records: the one at 0xFFF0 reaches 65536 and stays out, as does
  // everything beyond.
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 0xFFF0, image.bytes.begin()));
  EXPECT_TRUE(std::all_of(image.bytes.begin() + 0xFFF0, image.bytes.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(image.bytes_outside, 70000u - 0xFFF0);
}

TEST(IntelHex, UnreadableFileIsAnError) {
  const auto r = LoadIntelHexFile(test::TempPath("missing") + ".hex");
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.fault().fault, FileFault::kUnreadable);
  EXPECT_EQ(r.fault().problem, HexProblem::kCannotOpen);
  EXPECT_EQ(r.fault().detail, "No such file or directory");
  EXPECT_NE(r.message().find("cannot open"), std::string::npos) << r.message();
}

TEST(UpgradePieces, HolesBoundaryAndLimit) {
  using P = UpgradePiece;
  EXPECT_EQ(PlanUpgradePieces(300),
            (std::vector<P>{{8, 24}, {32, 24}, {56, 24}, {80, 24}, {104, 24}, {128, 24}, {152, 24}, {176, 24},
                            {200, 16}, {220, 24}, {244, 4}, {250, 6}, {256, 24}, {280, 20}}));
  EXPECT_TRUE(PlanUpgradePieces(8).empty());
  // An image ending inside a hole stops before it.
  EXPECT_EQ(PlanUpgradePieces(218).back(), (P{200, 16}));
  EXPECT_EQ(PlanUpgradePieces(249).back(), (P{244, 4}));

  const auto all = PlanUpgradePieces(0x10000);
  EXPECT_LE(all.back().address, kUpgradeLastStart);
  EXPECT_GT(all.back().End(), kUpgradeLastStart);
  uint32_t expect = 8;
  for (const P& p : all) {
    if (expect == 216) expect = 220;
    if (expect == 248) expect = 250;
    ASSERT_EQ(p.address, expect);
    ASSERT_TRUE(p.length >= 1 && p.length <= 24);
    expect = p.End();
  }
}

}  // namespace
}  // namespace halvric
