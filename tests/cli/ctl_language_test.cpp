// halvricctl in the user's language: texts for people follow set.ini's language, else the
// locale; what scripts read (--json, export) is the same in every locale; a translation whose
// conversions do not match the English text is never formatted.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/ctl_run.h"
#include "cli/ctl_text.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

// Sets the locale variables of one run and puts back those of the test program afterwards.
class CtlLanguage : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "HALVRIC_DATA_DIR", "HALVRIC_SOURCE_DIR"};

  void SetUp() override {
    for (const char* name : kNames) {
      const char* v = getenv(name);
      saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    }
    data_ = test::TempPath("lang-data");
    std::filesystem::create_directories(data_);
    setenv("HALVRIC_DATA_DIR", data_.c_str(), 1);
  }
  void TearDown() override {
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        setenv(kNames[i], saved_[i]->c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
    std::filesystem::remove_all(data_);
  }
  // LANG alone decides, as in a desktop session that sets no LC_ variable.
  static void Lang(const char* lang) {
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", lang, 1);
  }
  static CtlRun Sim(std::vector<std::string> args) {
    args.insert(args.begin(), "--simulate");
    return Ctl(args);
  }

  std::vector<std::optional<std::string>> saved_;
  std::string data_;
};

TEST_F(CtlLanguage, MachineReadableOutputIsTheSameInEveryLocale) {
  const std::vector<std::vector<std::string>> commands = {
      {"list", "--json"},           {"info", "--json"},           {"show", "--json"},
      {"functions", "--json"},      {"macro", "list", "--json"},  {"lighting", "show", "--json"},
      {"rate", "1", "--json"},      {"snap", "on", "--json"},     {"lighting", "effect", "2", "--json"},
      {"export", "-"},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0] + (command.size() > 1 ? " " + command[1] : ""));
    setenv("LC_ALL", "C", 1);
    const CtlRun english = Sim(command);
    ASSERT_EQ(english.code, 0) << english.err;
    ASSERT_FALSE(english.out.empty());
    for (const char* lang : {"de_DE.UTF-8", "ja_JP.UTF-8", "ru_RU.UTF-8"}) {
      Lang(lang);
      const CtlRun local = Sim(command);
      EXPECT_EQ(local.code, 0) << lang;
      EXPECT_EQ(local.out, english.out) << lang;
    }
  }
}

TEST_F(CtlLanguage, TextsForPeopleFollowTheLocaleAndTheLanguageChosenInSetIni) {
  setenv("LC_ALL", "C.UTF-8", 1);
  CtlRun r = Sim({"rate", "1"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "report rate: 500Hz (code 1)\n");

  Lang("de_DE.UTF-8");
  // A confirmation, an error of the mouse and one of the command line, and the labels of show.
  EXPECT_EQ(Sim({"rate", "1"}).out, "Polling-Rate: 500Hz (Code 1)\n");
  r = Sim({"macro", "delete", "80"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: Slot 80 ist leer\n");
  r = Sim({"dpi", "9", "800", "800"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("erwartet eine Zahl von 1 bis 5: 9"), std::string::npos) << r.err;
  r = Sim({"show"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* label : {"Modell: ", "\nPfad: ", "\nWinkelkorrektur: aus\n", "\nProfile (aktiv 1):\n", "Freier Speicher: "}) {
    EXPECT_NE(r.out.find(label), std::string::npos) << label << "\n" << r.out;
  }
  EXPECT_NE(Sim({"info"}).out.find("\nProtokoll-Level: 11\n"), std::string::npos);
  EXPECT_EQ(Sim({"monitor", "--sim-events", "tilt:-2", "--count", "1"}).out, "Bewegung Touch 0 dx 0 dy 0 Neigung -2\n");
  // The system's own words for the same failures as the window's.
  r = Sim({"macro", "write", "1", data_ + "/missing.mf"});
  EXPECT_EQ(r.err, "halvricctl: " + data_ + "/missing.mf: kann nicht gelesen werden\n");

  Lang("ja_JP.UTF-8");
  EXPECT_EQ(Sim({"rate", "1"}).out, "\u30ec\u30dd\u30fc\u30c8\u30ec\u30fc\u30c8\uff1a500Hz\uff08\u30b3\u30fc\u30c9 1\uff09\n");
  r = Sim({"show"});
  EXPECT_NE(r.out.find("\u76f4\u7dda\u88dc\u6b63\uff1a\u30aa\u30d5\n"), std::string::npos) << r.out;  // 直線補正：オフ
  Lang("zh_TW.UTF-8");
  EXPECT_EQ(Sim({"macro", "delete", "80"}).err, "halvricctl: \u63d2\u69fd 80 \u662f\u7a7a\u7684\n");  // 插槽 80 是空的

  // LC_ALL decides over LANG; C and C.UTF-8 are English.
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(Sim({"rate", "1"}).out, "report rate: 500Hz (code 1)\n");

  // A language chosen on the window's Other page wins over the locale.
  Lang("de_DE.UTF-8");
  std::ofstream(data_ + "/set.ini") << "[ARG]\nlanguage=1036\n";
  EXPECT_EQ(Sim({"rate", "1"}).out, "taux de rapport : 500Hz (code 1)\n");
}

// The shipped texts come from the program folder; a damaged one is replaced there.
TEST_F(CtlLanguage, ATranslationWithOtherConversionsFallsBackToEnglish) {
  const std::string source = test::TempPath("lang-source");
  std::filesystem::create_directories(source + "/resources");
  std::ofstream(source + "/resources/language.ini")
      << "[1031]\ntype_str1=Keine Funktion\n"
      << "ctl_str" << ctl_text::kReportRate << "=Polling-Rate: %s Hz (Code %d)\n"  // %s for a number
      << "ctl_str" << ctl_text::kDpiLevelSet << "=DPI-Stufe %d: %d x %d %n\n"      // a conversion too many
      << "ctl_str" << ctl_text::kLift << "=LOD: %d\n";
  setenv("HALVRIC_SOURCE_DIR", source.c_str(), 1);
  Lang("de_DE.UTF-8");
  EXPECT_EQ(Sim({"rate", "1"}).out, "report rate: 500Hz (code 1)\n");
  EXPECT_EQ(Sim({"dpi", "2", "800", "1600"}).out, "dpi level 2: 800 x 1600\n");
  EXPECT_EQ(Sim({"lift", "3"}).out, "LOD: 3\n");
  std::filesystem::remove_all(source);

  // The same check for every family the tool shows texts of.
  TextTables t;
  t.Set(TextFamily::msg_str, kMsgFreeMemory, "Libre : %s octets");
  EXPECT_EQ(CtlText(t, TextFamily::msg_str, kMsgFreeMemory, {1234}), "free memory: 1234 bytes");
  t.Set(TextFamily::ctl_str, ctl_text::kShowKey, "Taste %2d");
  EXPECT_EQ(CtlText(t, TextFamily::ctl_str, ctl_text::kShowKey, {7}), "Taste  7");
  t.Set(TextFamily::ctl_str, ctl_text::kShowKey, "Taste %d");  // another width is another conversion
  EXPECT_EQ(CtlText(t, TextFamily::ctl_str, ctl_text::kShowKey, {7}), "key  7");
  EXPECT_TRUE(SameConversions("100%% von %d", "%d of 100%%") == false);
  EXPECT_TRUE(SameConversions("%d sur %d", "%d of %d"));
}

}  // namespace
}  // namespace halvric
