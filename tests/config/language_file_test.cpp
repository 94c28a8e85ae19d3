// The language file shipped with the program, checked section by section against the texts the
// program actually reads: each key must land in a slot (a misspelt key would silently leave the
// English text), each slot with an English text must be translated, and each translation must
// keep the printf conversions and line breaks of the English text, because the program formats
// these texts with the arguments the English text asks for.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "config/button_assignment.h"
#include "config/describe_assignment.h"
#include "config/temp_folder.h"
#include "config/text_tables.h"
#include "platform/folders.h"
#include "platform/profile_file.h"

namespace halvric {
namespace {

// language.ini key of each family, in the order of TextFamily.
constexpr const char* kFamilyKeys[] = {
    "type_str", "extra_function_str", "cap_input_str", "macro_str", "macro_bt_str", "mouse_str",
    "button_str", "button_tip_str", "drag_tip_str", "msg_str", "class_str", "end_str",
    "macro_editor_cap_str", "profile_str", "launch_str", "menu_str", "consumer_key_str", "version_str",
    "firmware_str", "ui_str", "ctl_str"};
constexpr int kFamilyCount = sizeof(kFamilyKeys) / sizeof(kFamilyKeys[0]);

// The languages the program ships, by Windows language id.
const std::set<int> kShipped = {1031, 1036, 3082, 1046, 1040, 1045, 1049, 1055, 2052, 1028, 1041, 1042};

using Slot = std::pair<int, int>;  // family, index

TextFamily Family(int f) { return static_cast<TextFamily>(f); }

std::string SlotKey(const TextTables& t, Slot slot) {
  const std::string key = kFamilyKeys[slot.first];
  return t.Count(Family(slot.first)) == 1 ? key : key + std::to_string(slot.second);
}

std::string LanguageFile() { return (ProgramFolder(FolderEnvironment::FromProcess()) / "language.ini").string(); }

// The printf conversions of a text in order, as written ("%d", "%04d", "%%", "%s").
std::vector<std::string> Conversions(const std::string& text) {
  static const std::regex conversion("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?(?:ll|l|h)?[a-zA-Z%]");
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), conversion); it != std::sregex_iterator(); ++it) {
    out.push_back(it->str());
  }
  return out;
}

size_t LineBreaks(const std::string& text) {
  size_t n = 0;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++n;
  return n;
}

// Which slots each key of a section fills: the section is copied with every value replaced by a
// marker of its own and loaded as the program loads it, then the markers are looked up.
std::map<std::string, std::set<Slot>> SlotsOfKeys(const ProfileFile& file, const std::string& section,
                                                  const testing::TempFolder& dir) {
  const std::vector<std::string> keys = file.Keys(section);
  std::string probe = "[" + section + "]\n";
  for (size_t i = 0; i < keys.size(); ++i) probe += keys[i] + "=@key" + std::to_string(i) + "@\n";
  TextTables t;
  EXPECT_EQ(t.LoadLanguage(dir.Put("probe.ini", probe), std::stoi(section)), std::stoi(section))
      << "section " << section << " has no type_str1, so the program ignores it";
  std::map<std::string, std::set<Slot>> slots;
  for (const std::string& key : keys) slots[key];
  for (int f = 0; f < kFamilyCount; ++f) {
    for (int i = 0; i < t.Count(Family(f)); ++i) {
      const std::string& text = t.Get(Family(f), i);
      if (text.size() > 5 && text.rfind("@key", 0) == 0 && text.back() == '@') {
        slots[keys[std::stoul(text.substr(4))]].insert({f, i});
      }
    }
  }
  return slots;
}

TEST(LanguageFileTest, EveryShippedSectionTranslatesEverySlotWithTheEnglishConversions) {
  ASSERT_EQ(static_cast<int>(TextFamily::ctl_str), kFamilyCount - 1);
  const std::string path = LanguageFile();
  const ProfileFile file(path);
  ASSERT_TRUE(file.exists()) << path;
  const TextTables english;
  testing::TempFolder dir;

  std::set<int> found;
  for (const std::string& section : file.Sections()) {
    ASSERT_TRUE(std::regex_match(section, std::regex("[0-9]{4}"))) << "section [" << section << "]";
    const int id = std::stoi(section);
    found.insert(id);
    SCOPED_TRACE("section " + section);

    std::set<Slot> covered;
    for (const auto& [key, slots] : SlotsOfKeys(file, section, dir)) {
      EXPECT_FALSE(slots.empty()) << key << " is not a key the program reads";
      covered.insert(slots.begin(), slots.end());
    }

    TextTables translated;
    ASSERT_EQ(translated.LoadLanguage(path, id), id);
    for (int f = 0; f < kFamilyCount; ++f) {
      for (int i = 0; i < english.Count(Family(f)); ++i) {
        const std::string& en = english.Get(Family(f), i);
        const std::string& text = translated.Get(Family(f), i);
        const std::string key = SlotKey(english, {f, i});
        if (en.empty()) {
          EXPECT_FALSE(covered.count({f, i})) << key << " is empty in English and not shown";
          continue;
        }
        if (!covered.count({f, i})) {
          ADD_FAILURE() << key << " is not translated (English: \"" << en << "\")";
          continue;
        }
        EXPECT_FALSE(text.empty()) << key << " is empty";
        EXPECT_EQ(Conversions(text), Conversions(en)) << key << ": \"" << text << "\" against \"" << en << "\"";
        EXPECT_EQ(LineBreaks(text), LineBreaks(en)) << key << ": \"" << text << "\"";
        // A blank at either end of the English text separates it from what the program appends.
        EXPECT_EQ(text.back() == ' ', en.back() == ' ') << key << ": \"" << text << "\"";
      }
    }
  }
  EXPECT_EQ(found, kShipped);
}

TEST(LanguageFileTest, TranslatedTextsComeBackByteForByte) {
  const std::string path = LanguageFile();
  struct Expect { int id; TextFamily family; int index; const char* text; };
  const Expect cases[] = {
      {1041, TextFamily::profile_str, 0, "\u30d7\u30ed\u30d5\u30a1\u30a4\u30eb"},  // プロファイル
      {1041, TextFamily::type_str, 42, "-- \u7d42\u4e86 --"},                   // follows end_str
      {1031, TextFamily::type_str, 4, "Maus "},                                   // quoted blank kept
      {1031, TextFamily::drag_tip_str, 5,
       "Zum Bearbeiten in den Editor rechts ziehen.\r\nZum Speichern in die Liste links ziehen."},
      {1031, TextFamily::class_str, 0, "Maus"},
      {1031, TextFamily::msg_str, 13, "\"%s\" zu Favoriten hinzuf\u00fcgen..."},
  };
  for (const Expect& e : cases) {
    TextTables t;
    if (t.LoadLanguage(path, e.id) != e.id) {
      ADD_FAILURE() << "no section " << e.id;
      continue;
    }
    EXPECT_EQ(t.Get(e.family, e.index), e.text) << e.id << " " << static_cast<int>(e.family) << " " << e.index;
  }
}

// Assignment descriptions put translated names together with numbers of their own and never run
// a translation through a formatter, so a conversion a translator wrote shows as written.
TEST(LanguageFileTest, ConversionsInTranslatedNamesAreShownAsWritten) {
  TextTables t;
  t.Set(TextFamily::type_str, function_type::kFireButton, "Feu %s%n%d");
  t.Set(TextFamily::type_str, function_type::kDpiFirekey, "DPI %s");
  t.Set(TextFamily::mouse_str, 0, "%n%s%%");
  EXPECT_EQ(DescribeAssignment(t, function_type::kFireButton, 0, 5, 0), "Feu %s%n%d (50ms)");
  EXPECT_EQ(DescribeAssignment(t, function_type::kDpiFirekey, 4, 8, 1), "DPI %s [X:200 , Y:400] %n%s%%");
  EXPECT_EQ(DescribeAssignment(t, function_type::kMouse, 1, 0, 0), "%n%s%%");
}

}  // namespace
}  // namespace halvric
