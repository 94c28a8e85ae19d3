// Why a firmware HEX file is refused, as the upgrade window and halvricctl say it: in English the
// loader's own message for every problem of a damaged file, in German the translated sentence with
// the numbers and the system's reason kept.

#include "config/hex_refusal_text.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

#include "config/temp_folder.h"
#include "device/hex_records.h"
#include "platform/folders.h"

namespace halvric {
namespace {

using test::HexEof;
using test::HexRecord;

TEST(HexRefusalText, EnglishIsTheLoadersMessageForEveryDamage) {
  const std::string good = HexRecord(0, 0, {1, 2, 3});
  std::string bad_sum = good;
  bad_sum[bad_sum.size() - 2] = bad_sum[bad_sum.size() - 2] == '0' ? '1' : '0';
  const std::string damaged[] = {
      ":0300000001020\n" + HexEof(),            // odd number of digits
      ":0300000001G203F7\n" + HexEof(),          // not a digit
      ":0000\n" + HexEof(),                      // too short
      ":0400000001020304\n" + HexEof(),          // count against data
      good + bad_sum + HexEof(),                 // checksum, on line 2
      HexRecord(4, 0, {1}) + HexEof(),           // address record of one byte
      HexRecord(7, 0, {}) + HexEof(),            // record type
      good,                                      // no end record
  };
  const TextTables english;
  std::set<HexProblem> problems;
  for (const std::string& text : damaged) {
    const HexResult r = ParseIntelHex(text);
    ASSERT_FALSE(r.ok()) << text;
    problems.insert(r.fault().problem);
    EXPECT_EQ(HexRefusalText(english, r.fault(), "fw.hex"), r.message());
  }
  EXPECT_EQ(problems.size(), std::size(damaged));
}

TEST(HexRefusalText, GermanKeepsTheNumbersAndTheSystemsReason) {
  TextTables de;
  ASSERT_EQ(de.LoadLanguage((ProgramFolder(FolderEnvironment::FromProcess()) / "language.ini").string(), 1031), 1031);

  std::string text = HexRecord(0, 0, {1, 2, 3}) + HexRecord(0, 3, {4}) + HexEof();
  const size_t second_sum = text.find('\n', text.find('\n') + 1) - 2;
  text.replace(second_sum, 2, "00");
  const HexResult sum = ParseIntelHex(text);
  ASSERT_FALSE(sum.ok());
  EXPECT_EQ(HexRefusalText(de, sum.fault(), "fw.hex"),
            "Ung\u00fcltige HEX-Datei: Zeile 2: Pr\u00fcfsumme des Datensatzes ist 00, n\u00f6tig w\u00e4re F8");
  EXPECT_EQ(HexRefusalText(de, ParseIntelHex("").fault(), "fw.hex"),
            "Ung\u00fcltige HEX-Datei: kein Dateiende-Datensatz (die Datei ist unvollst\u00e4ndig)");

  const testing::TempFolder dir;
  const std::string missing = (dir.path() / "missing.hex").string();
  EXPECT_EQ(HexRefusalText(de, LoadIntelHexFile(missing).fault(), missing),
            missing + ": kann nicht gelesen werden (No such file or directory)");
  // A file far larger than any firmware is refused by its size, before it is read.
  const std::string big = dir.Put("big.hex", "");
  std::filesystem::resize_file(big, kMaxHexFileSize + 1);
  EXPECT_EQ(HexRefusalText(de, LoadIntelHexFile(big).fault(), big),
            big + " ist zu gro\u00df f\u00fcr eine Firmware-HEX-Datei");
}

}  // namespace
}  // namespace halvric
