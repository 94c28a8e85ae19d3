#pragma once
// The language the user's locale asks for, as the Windows language id that names its
// language.ini section. Used when set.ini chooses no language.

#include <span>
#include <string_view>

namespace halvric {

// The locale that decides the language of messages, as POSIX orders it: LC_ALL, else
// LC_MESSAGES, else LANG; a null or empty value counts as unset. Empty when none is set.
std::string_view MessagesLocale(const char* lc_all, const char* lc_messages, const char* lang);

// The language id for a locale name "language[_territory][.codeset][@modifier]" ("de_DE.UTF-8",
// "pt_BR", "zh_TW.UTF-8"): 1033 (English) for "C", "POSIX", an empty name and every language the
// program has no texts for. Chinese is Traditional (1028) for Taiwan, Hong Kong and Macau and
// Simplified (2052) otherwise; Portuguese is Brazilian (1046) for every territory.
int LanguageIdForLocale(std::string_view locale);

// The language id of this process's locale (its LC_ALL, LC_MESSAGES and LANG).
int ProcessLocaleLanguageId();

// A language the program has texts for, with its name as its own speakers write it (the form a
// language list shows, so that each user finds the own language whatever is shown now).
struct LanguageName {
  int id;
  std::string_view native_name;  // UTF-8
  std::string_view locale;       // the language's locale name: "de", "pt_BR", "zh_TW"
};

// Every language the program has texts for, English first.
std::span<const LanguageName> ProgramLanguages();

// The locale name of language `id` ("de" for 1031), empty for a language the program has no
// texts for.
std::string_view LocaleNameOf(int id);

}  // namespace halvric
