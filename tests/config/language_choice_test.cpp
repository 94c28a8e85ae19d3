#include "config/language_choice.h"

#include <gtest/gtest.h>

namespace halvric {
namespace {

TEST(LanguageChoiceTest, LocaleNamesGiveTheLanguageOfTheirSection) {
  struct Case { const char* locale; int id; };
  const Case cases[] = {
      // No locale, the portable locales and English.
      {"", 1033}, {"C", 1033}, {"C.UTF-8", 1033}, {"POSIX", 1033}, {"en_US.UTF-8", 1033}, {"en_GB", 1033},
      // Codeset, modifier and letter case do not matter.
      {"de_DE.UTF-8", 1031}, {"de_AT", 1031}, {"de", 1031}, {"DE_de.utf8", 1031}, {"fr_FR@euro", 1036},
      {"fr_CA.UTF-8", 1036}, {"it_IT.UTF-8", 1040}, {"pl_PL.UTF-8", 1045}, {"ru_RU.KOI8-R", 1049},
      {"tr_TR.UTF-8", 1055}, {"ja_JP.eucJP", 1041}, {"ko_KR.UTF-8", 1042},
      // Every Spanish and Portuguese territory has the one section there is.
      {"es_ES.UTF-8", 3082}, {"es_MX", 3082}, {"es_AR.UTF-8", 3082}, {"pt_BR.UTF-8", 1046}, {"pt_PT", 1046},
      // Chinese by territory or script.
      {"zh_CN.UTF-8", 2052}, {"zh_SG", 2052}, {"zh", 2052}, {"zh_TW.UTF-8", 1028}, {"zh_HK.UTF-8", 1028},
      {"zh_MO", 1028}, {"zh-Hant-TW", 1028}, {"zh_Hans", 2052},
      // Languages without texts, and names that are no locale.
      {"nl_NL.UTF-8", 1033}, {"sv_SE", 1033}, {"e", 1033}, {"deu", 1033}, {"_DE", 1033}, {".UTF-8", 1033},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageIdForLocale(c.locale), c.id) << '"' << c.locale << '"';
}

TEST(LanguageChoiceTest, LcAllThenLcMessagesThenLangDecide) {
  EXPECT_EQ(MessagesLocale("C", "de_DE.UTF-8", "fr_FR.UTF-8"), "C");
  EXPECT_EQ(MessagesLocale(nullptr, "de_DE.UTF-8", "fr_FR.UTF-8"), "de_DE.UTF-8");
  EXPECT_EQ(MessagesLocale("", "", "fr_FR.UTF-8"), "fr_FR.UTF-8");  // empty counts as unset
  EXPECT_EQ(MessagesLocale("", nullptr, nullptr), "");
  EXPECT_EQ(LanguageIdForLocale(MessagesLocale("C", nullptr, "ja_JP.UTF-8")), 1033);
  EXPECT_EQ(LanguageIdForLocale(MessagesLocale(nullptr, nullptr, "ja_JP.UTF-8")), 1041);
}

}  // namespace
}  // namespace halvric
