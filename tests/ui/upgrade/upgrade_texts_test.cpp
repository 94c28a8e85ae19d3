// The upgrade window's changing lines through the text tables: in English exactly the lines the
// device layer words, in German the translated ones, and a translation with the wrong
// conversions shows less instead of garbage.

#include <QtTest>

#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "device/firmware_writer.h"
#include "device/upgrade_ack.h"
#include "ui/upgrade/upgrade_texts.h"

using namespace halvric;

namespace {

TextTables German() {
  TextTables t;
  const int used = t.LoadLanguage(qgetenv("HALVRIC_SOURCE_DIR").toStdString() + "/resources/language.ini", 1031);
  if (used != 1031) qFatal("no German section in language.ini");
  return t;
}

}  // namespace

class UpgradeTextsTest : public QObject {
  Q_OBJECT

 private slots:
  void englishLinesAreTheDeviceLayersOwn() {
    const TextTables en;
    UpgradeProgress p;
    p.piece.address = 0x1F8;
    p.piece.length = 8;
    p.errors = 3;
    QCOMPARE(UpgradeProgressText(en, p), QString::fromStdString(FormatProgressLine(p)));
    const UpgradeAck ack{0x12345, 0x7F, 0};
    QCOMPARE(UpgradeAckText(en, 41, ack), QString::fromStdString(FormatAckLine(41, ack)));
    const std::string done = FormatUpgradeDone(925, 123456789012LL, 2);
    QCOMPARE(UpgradeMessageText(en, done), QString::fromStdString(done));
    for (const char* m : {kUpgradeWriteError, kUpgradeAbortMessage, kUpgradeBackupError}) {
      QCOMPARE(UpgradeMessageText(en, m), QString::fromLatin1(m));
    }
  }

  void germanLinesAreTranslated() {
    const TextTables de = German();
    QCOMPARE(UpgradeMessageText(de, FormatUpgradeDone(925, 4200, 2)), QStringLiteral("Anzahl 925, 4200ms (Fehler=2)"));
    QCOMPARE(UpgradeMessageText(de, kUpgradeWriteError), QStringLiteral("Schreibfehler!!"));
    QCOMPARE(UpgradeMessageText(de, kUpgradeAbortMessage), QStringLiteral("Abgebrochen!!"));
    // Only the exact closing line is recognised; anything else is shown as the writer said it.
    for (const std::string& m : {std::string("count 3, 5ms (err count=1) and more"), std::string("count 3, 5ms"),
                                std::string("cannot open /dev/hidraw9: No such device")}) {
      QCOMPARE(UpgradeMessageText(de, m), QString::fromStdString(m));
    }
  }

  void wrongConversionsShowLessNotGarbage() {
    TextTables t;
    t.Set(TextFamily::ui_str, ui_text::kUpgradeDone, "%s %n%d|%d|%d|%d|%d");
    t.Set(TextFamily::ui_str, ui_text::kUpgradeAckLine, "%d %s");
    QCOMPARE(UpgradeMessageText(t, FormatUpgradeDone(7, 80, 1)), QStringLiteral("7 1||||"));
    QCOMPARE(UpgradeAckText(t, 5, UpgradeAck{0x10, 0, 0}), QStringLiteral("5 16"));
  }
};

QTEST_MAIN(UpgradeTextsTest)
#include "upgrade_texts_test.moc"
