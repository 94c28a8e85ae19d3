#include "config/language_choice.h"

#include <cstdlib>

#include <cctype>
#include <string>

namespace halvric {
namespace {

constexpr int kEnglish = 1033;

struct LanguageRow {
  std::string_view code;  // ISO 639-1, lower case
  int id;
};

// The languages language.ini has sections for; Chinese is decided by its territory.
constexpr LanguageRow kLanguages[] = {
    {"en", 1033}, {"de", 1031}, {"fr", 1036}, {"es", 3082}, {"pt", 1046}, {"it", 1040},
    {"pl", 1045}, {"ru", 1049}, {"tr", 1055}, {"ja", 1041}, {"ko", 1042},
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

std::string_view MessagesLocale(const char* lc_all, const char* lc_messages, const char* lang) {
  if (Set(lc_all)) return lc_all;
  if (Set(lc_messages)) return lc_messages;
  if (Set(lang)) return lang;
  return {};
}

int LanguageIdForLocale(std::string_view locale) {
  // Codeset and modifier do not change the language.
  locale = locale.substr(0, locale.find_first_of(".@"));
  const size_t sep = locale.find_first_of("_-");
  const std::string language = Lower(locale.substr(0, sep));
  const std::string territory = sep == std::string_view::npos ? std::string() : Lower(locale.substr(sep + 1));

  if (language == "zh") {
    // "zh_TW", "zh_HK", "zh_MO", and the script form "zh_Hant[_XX]".
    const bool traditional = territory == "tw" || territory == "hk" || territory == "mo" ||
                             territory.rfind("hant", 0) == 0;
    return traditional ? 1028 : 2052;
  }
  for (const LanguageRow& row : kLanguages) {
    if (language == row.code) return row.id;
  }
  return kEnglish;
}

int ProcessLocaleLanguageId() {
  return LanguageIdForLocale(MessagesLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
}

std::span<const LanguageName> ProgramLanguages() {
  static constexpr LanguageName kNames[] = {
      {1033, "English", "en"},
      {1031, "Deutsch", "de"},
      {1036, "Fran\u00e7ais", "fr"},
      {3082, "Espa\u00f1ol", "es"},
      {1046, "Portugu\u00eas (Brasil)", "pt_BR"},
      {1040, "Italiano", "it"},
      {1045, "Polski", "pl"},
      {1049, "\u0420\u0443\u0441\u0441\u043a\u0438\u0439", "ru"},
      {1055, "T\u00fcrk\u00e7e", "tr"},
      {2052, "\u7b80\u4f53\u4e2d\u6587", "zh_CN"},
      {1028, "\u7e41\u9ad4\u4e2d\u6587", "zh_TW"},
      {1041, "\u65e5\u672c\u8a9e", "ja"},
      {1042, "\ud55c\uad6d\uc5b4", "ko"},
  };
  return kNames;
}

std::string_view LocaleNameOf(int id) {
  for (const LanguageName& l : ProgramLanguages()) {
    if (l.id == id) return l.locale;
  }
  return {};
}

}  // namespace halvric
