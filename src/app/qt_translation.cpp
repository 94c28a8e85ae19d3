#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include "config/language_choice.h"

namespace halvric {

std::unique_ptr<QTranslator> InstallQtTranslation(int language_id) {
  const std::string_view locale = LocaleNameOf(language_id);
  if (locale.empty() || locale == "en") return nullptr;
  auto translator = std::make_unique<QTranslator>();
  const QLocale qt_locale(QString::fromUtf8(locale.data(), static_cast<qsizetype>(locale.size())));
  if (!translator->load(qt_locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

}  // namespace halvric
