// halvricctl in the user's language: texts for people (its --help and the refusals of a command
// line too) follow set.ini's language, else the locale; what scripts read (--json, export) is the
// same in every locale; a translation whose conversions do not match the English text is never
// formatted.

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <vector>

#include "cli/ctl_run.h"
#include "cli/ctl_text.h"
#include "cli/text_format.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::CtlRun;

// Sets the locale variables of one run and puts back those of the test program afterwards.
class CtlLanguage : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LOCPATH", "HALVRIC_DATA_DIR",
                                           "HALVRIC_SOURCE_DIR"};

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
  // Why a firmware file is refused, as the upgrade window says it.
  const std::string hex = data_ + "/fw.hex";
  std::ofstream(hex) << ":0300000001020\n";
  r = Sim({"flash", "--dry-run", hex});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "halvricctl: Ung\u00fcltige HEX-Datei: Zeile 1: ungerade Anzahl von Hex-Ziffern\n");
  // Words the windows have (the zone's mode, the button window's page) read as there.
  EXPECT_EQ(Ctl({"--simulate=level11", "lighting", "zone", "2", "00ff00", "breathe"}).out, "Zone 2: 00FF00 Atmen\n");
  EXPECT_NE(Ctl({"--simulate=level0-gamepad", "functions"}).out.find(": XBOX A  (Erweitert)  [22 01 00 00]\n"),
            std::string::npos);
  r = Ctl({"--simulate=bogus", "list"});
  EXPECT_EQ(r.err.rfind("halvricctl: unbekanntes Modell der simulierten Maus \u201ebogus\u201c (bekannte Modelle: level0, ", 0), 0u)
      << r.err;

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

// The command names that a help text lists under `heading` ("Subcommands:").
std::vector<std::string> ListedCommands(const std::string& help, const std::string& heading) {
  std::vector<std::string> names;
  const size_t at = help.find("\n" + heading + "\n");
  if (at == std::string::npos) return names;
  std::istringstream lines(help.substr(at + heading.size() + 2));
  for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
    names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

// The description column (from column 30) of the lines in the sections of a help text that
// `headings` name ("Options:" ...); what follows them, such as button's list of forms, is not
// CLI11's. A name as wide as the column stands alone, its description on the next line.
std::set<std::string> Descriptions(const std::string& help, const std::set<std::string>& headings) {
  std::vector<std::string> lines;
  std::istringstream in(help);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::string column(30, ' ');
  std::set<std::string> out;
  bool in_section = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] != ' ') in_section = headings.count(line) > 0;
    const bool name_alone = i + 1 < lines.size() && lines[i + 1].rfind(column, 0) == 0;
    if (in_section && line.size() > 30 && line.rfind("  ", 0) == 0 && !name_alone) out.insert(line.substr(30));
  }
  return out;
}

TEST_F(CtlLanguage, HelpDescribesEveryCommandAndOptionInTheUsersLanguage) {
  setenv("LC_ALL", "C", 1);
  const CtlRun english = Ctl({"--help"});
  ASSERT_EQ(english.code, 0);
  EXPECT_EQ(english.out.rfind("halvricctl: configure Halvric mice from the command line\n"
                              "Usage: halvricctl [OPTIONS] SUBCOMMAND\n\nOptions:\n",
                              0),
            0u)
      << english.out;
  EXPECT_NE(english.out.find("\nSubcommands:\n  list                        List the identified mice\n"),
            std::string::npos);
  EXPECT_NE(english.out.find("\n  --sim-latency INT:INT in [0 - 1000]\n"), std::string::npos);
  EXPECT_NE(Ctl({"button", "--help"}).out.find("\nFUNCTION forms:\n  raw:TYPE,P1,P2,P3       the four bytes"),
            std::string::npos);

  Lang("de_DE.UTF-8");
  CtlRun r = Ctl({"--help"});
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("halvricctl: Halvric-Mäuse über die Kommandozeile einstellen\n"
                        "Aufruf: halvricctl [OPTIONEN] BEFEHL\n\nOptionen:\n",
                        0),
            0u)
      << r.out;
  // Names stay as typed; the descriptions keep their column.
  EXPECT_NE(r.out.find("\n  --json                      Maschinenlesbare Ausgabe\n"), std::string::npos) << r.out;
  // The kinds of value and the ranges of numbers are words for people.
  EXPECT_NE(r.out.find("\n  --sim-latency ZAHL:ZAHL von 0 bis 1000\n"), std::string::npos) << r.out;
  // Descriptions keep their column (30) whatever the script of the value names: Cyrillic takes
  // two bytes a column, Japanese three bytes for two columns.
  for (const char* lang : {"ru_RU.UTF-8", "ja_JP.UTF-8"}) {
    Lang(lang);
    std::istringstream lines(Ctl({"--help"}).out);
    std::string line;
    while (std::getline(lines, line) && line.rfind("  --sim-state ", 0) != 0) {
    }
    const size_t description = line.find_first_not_of(' ', line.find(' ', 14));
    ASSERT_NE(description, std::string::npos) << lang;
    EXPECT_EQ(DisplayWidth(line.substr(0, description)), 30u) << lang << ": " << line;
  }
  Lang("de_DE.UTF-8");
  EXPECT_NE(r.out.find("\nBefehle:\n  list                        Die erkannten Mäuse auflisten\n"), std::string::npos);
  r = Ctl({"dpi", "--help"});
  EXPECT_NE(r.out.find("\nArgumente:\n  LEVEL X Y TEXT x 3 ERFORDERLICH\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Stufe 1-5, X und Y in DPI\n"), std::string::npos) << r.out;
  EXPECT_NE(Ctl({"flash", "--help"}).out.find("  --dry-run Nicht mit: --exit-isp\n"), std::string::npos);
  // The forms of a button's function after its options: the forms as typed, their descriptions.
  r = Ctl({"button", "--help"});
  EXPECT_NE(r.out.find("\nFormen von FUNCTION:\n  raw:TYPE,P1,P2,P3       die vier Bytes (dezimal oder 0x-hex)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n  catalogue:N             Eintrag N der Funktionen, die diese Taste bietet (halvricctl "
                       "functions)\n"),
            std::string::npos)
      << r.out;

  // Every command's help, down the whole tree: no English description is left where German has
  // its own words (a few read the same in both).
  const std::set<std::string> same = {"Slot 1-80", "0-8192"};
  std::vector<std::vector<std::string>> commands = {{}};
  for (size_t i = 0; i < commands.size(); ++i) {
    std::vector<std::string> args = commands[i];
    SCOPED_TRACE(::testing::PrintToString(args));
    args.push_back("--help");
    setenv("LC_ALL", "C", 1);
    const CtlRun en = Ctl(args);
    Lang("de_DE.UTF-8");
    const CtlRun de = Ctl(args);
    const std::set<std::string> english_lines = Descriptions(en.out, {"Positionals:", "Options:", "Subcommands:"});
    const std::set<std::string> german_lines = Descriptions(de.out, {"Argumente:", "Optionen:", "Befehle:"});
    EXPECT_EQ(german_lines.size(), english_lines.size());
    for (const std::string& line : german_lines) {
      EXPECT_TRUE(!english_lines.count(line) || same.count(line)) << "still English: " << line;
    }
    for (const std::string& name : ListedCommands(en.out, "Subcommands:")) {
      commands.push_back(commands[i]);
      commands.back().push_back(name);
    }
  }
  EXPECT_GT(commands.size(), 35u);

  Lang("ja_JP.UTF-8");
  r = Ctl({"--help"});
  EXPECT_NE(r.out.find("\u4f7f\u3044\u65b9: halvricctl [\u30aa\u30d7\u30b7\u30e7\u30f3] "
                       "\u30b5\u30d6\u30b3\u30de\u30f3\u30c9\n"),
            std::string::npos)
      << r.out;  // 使い方: halvricctl [オプション] サブコマンド
  EXPECT_NE(r.out.find("\n  --json                      \u6a5f\u68b0\u51e6\u7406\u5411\u3051\u306e\u51fa\u529b\n"),
            std::string::npos)
      << r.out;  // 機械処理向けの出力
}

TEST_F(CtlLanguage, RefusedCommandLinesAreExplainedInTheUsersLanguageWithTheWordsTyped) {
  struct Case {
    std::vector<std::string> args;
    const char* english;
    const char* german;
  };
  const Case cases[] = {
      {{"show", "extra"},
       "unknown option or extra argument: extra",
       "unbekannte Option oder überzähliges Argument: extra"},
      {{"show", "--bogus"},
       "unknown option or extra argument: --bogus",
       "unbekannte Option oder überzähliges Argument: --bogus"},
      {{"dpi"}, "LEVEL X Y is required", "LEVEL X Y fehlt"},
      {{"dpi", "1", "800"}, "LEVEL X Y: values needed: 3, given: 2", "LEVEL X Y: nötige Werte: 3, angegeben: 2"},
      {{"monitor", "--count", "abc"}, "--count: \"abc\" is not a valid value", "--count: „abc“ ist kein gültiger Wert"},
      {{"show", "--profile", "9"},
       "--profile: 9 is not in the range 1 to 5",
       "--profile: 9 liegt nicht im Bereich 1 bis 5"},
      {{"show", "--profile"}, "--profile needs a value", "--profile braucht einen Wert"},
      {{"snap", "maybe"}, "STATE: \"maybe\" is not one of on, off", "STATE: „maybe“ ist nicht eines von on, off"},
      {{"macro"},
       "a command is required (halvricctl macro --help lists them)",
       "ein Befehl fehlt (halvricctl macro --help listet sie auf)"},
      {{"flash", "--exit-isp", "f.hex"},
       "FILE cannot be used with --exit-isp",
       "FILE kann nicht zusammen mit --exit-isp verwendet werden"},
      // A value the command refuses itself comes in the user's language already, unwrapped.
      {{"lighting", "effect", "9"}, "N: effects are 0 to 4", "N: Effekte sind 0 bis 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    setenv("LC_ALL", "C", 1);
    CtlRun r = Sim(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, std::string("halvricctl: ") + c.english + "\n");
    Lang("de_DE.UTF-8");
    r = Sim(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, std::string("halvricctl: ") + c.german + "\n");
  }
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

// The system's reasons come in the locale's language, as from every other program of the
// session, and in English with --json. Needs a German locale, made here, and the C library's
// German messages.
TEST_F(CtlLanguage, SystemReasonsFollowTheLocaleButNotJson) {
  const std::string locales = data_ + "/locales";
  std::filesystem::create_directories(locales);
  if (std::system(("localedef -i de_DE -f UTF-8 " + locales + "/de_DE.UTF-8 >/dev/null 2>&1").c_str()) != 0 ||
      !std::filesystem::exists("/usr/share/locale/de/LC_MESSAGES/libc.mo")) {
    GTEST_SKIP() << "no German locale or C library messages";
  }
  setenv("LOCPATH", locales.c_str(), 1);
  Lang("de_DE.UTF-8");
  const std::string missing = data_ + "/missing.hex";
  CtlRun r = Sim({"flash", "--dry-run", missing});
  EXPECT_EQ(r.err, "halvricctl: " + missing + ": kann nicht gelesen werden (Datei oder Verzeichnis nicht gefunden)\n");
  r = Sim({"--json", "flash", "--dry-run", missing});
  EXPECT_EQ(r.err, "halvricctl: " + missing + ": cannot be read (No such file or directory)\n");
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace halvric
