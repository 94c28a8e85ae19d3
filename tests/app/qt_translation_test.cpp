// Qt's own texts follow the program's language where the system has Qt's translation of it, and
// stay English for English.

#include <QFile>
#include <QLibraryInfo>
#include <QTest>

#include "app/qt_translation.h"

using namespace halvric;

class QtTranslationTest : public QObject {
  Q_OBJECT

 private slots:
  void qtTextsInTheProgramsLanguage() {
    const QString cancel = QStringLiteral("Cancel");
    QVERIFY(InstallQtTranslation(1033) == nullptr);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_de.qm"))) {
      QSKIP("Qt's translations are not installed");
    }
    {
      const auto german = InstallQtTranslation(1031);
      QVERIFY(german != nullptr);
      QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    }
    // Gone with its translator.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    const auto japanese = InstallQtTranslation(1041);
    QVERIFY(japanese != nullptr);
    QVERIFY(QCoreApplication::translate("QPlatformTheme", "Cancel") != cancel);
  }
};

QTEST_GUILESS_MAIN(QtTranslationTest)
#include "qt_translation_test.moc"
