// The upgrade window over a simulated level-11 mouse: F9 opens it, a HEX file is written into
// the mouse with its acknowledgements shown, and an abort ends the write after the current piece.

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <fstream>

#include "config/auto_backup.h"
#include "device/firmware_writer.h"
#include "device/hex_records.h"
#include "support/window_fixture.h"
#include "ui/upgrade/upgrade_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

// A firmware file of `size` bytes from address 0 (byte i = i * 7 + 3).
QString WriteHex(const QString& folder, int size, std::vector<uint8_t>* bytes) {
  bytes->clear();
  for (int i = 0; i < size; ++i) bytes->push_back(static_cast<uint8_t>(i * 7 + 3));
  const QString path = folder + QStringLiteral("/fw%1.hex").arg(size);
  std::ofstream(path.toStdString()) << test::HexFile(0, *bytes);
  return path;
}

// Upgrade-write requests (19 12 12 02) that crossed the wire.
int PieceWrites(WindowRig& rig) {
  int n = 0;
  for (const std::string& line : rig.Sim().TraceLines())
    n += line.rfind("S ", 0) == 0 && line.find(" 01 19 12 12 02 ") != std::string::npos;
  return n;
}

UpgradeDlg* OpenUpgrade(WindowRig& rig) {
  rig.window->activateWindow();
  QTest::keyClick(rig.window.get(), Qt::Key_F9);
  return rig.window->upgradeWindow();
}

}  // namespace

class UpgradeWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void f9OpensItOnlyForMiceThatTakeAnUpgrade() {
    WindowRig rig("level5");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QVERIFY(OpenUpgrade(rig) == nullptr);
  }

  void writesAHexFileWithTheAcknowledgementsShown() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    UpgradeDlg* dlg = OpenUpgrade(rig);
    QVERIFY(dlg != nullptr);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Upgrade firmware"));

    std::vector<uint8_t> bytes;
    const QString file = WriteHex(dir_.path(), 300, &bytes);
    dlg->choose_file = [file] { return file; };
    QTest::mouseClick(dlg->HexButton(), Qt::LeftButton);
    QCOMPARE(dlg->FilePath()->text(), file);
    QCOMPARE(dlg->Checksum()->text(), QString::asprintf("%08X", FirmwareChecksum(dlg->image())));
    QCOMPARE(dlg->image().end, 300u);

    QSignalSpy done(dlg, &UpgradeDlg::commandDone);
    QTest::mouseClick(dlg->EnterIspButton(), Qt::LeftButton);
    QVERIFY(done.wait(5000));
    QVERIFY(rig.Mouse().IspActive());

    int asked = 0;
    dlg->confirm_write = [&asked] { return ++asked == 1; };
    QSignalSpy finished(dlg, &UpgradeDlg::writeFinished);
    QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(dlg->Writing());
    // The window stays while the write runs.
    dlg->close();
    QVERIFY(dlg->isVisible());
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toInt(), static_cast<int>(UpgradeOutcome::kCompleted));
    QVERIFY2(dlg->ProgressLine()->text().startsWith(QStringLiteral("count 14, ")),
             qPrintable(dlg->ProgressLine()->text()));
    QVERIFY(dlg->ProgressLine()->text().endsWith(QStringLiteral("(err count=0)")));
    // Opening mark, fourteen pieces (8-31 ... 200-215, 220-243, 244-247, 250-255, 256-279, 280-299), closing mark:
    // every one acknowledged and shown.
    QCOMPARE(dlg->AckCount(), 16);
    QVERIFY2(dlg->AckLine()->text().startsWith(QStringLiteral("[16] return addr=5FFC, flag=00")),
             qPrintable(dlg->AckLine()->text()));
    // The image is in the mouse, except the bytes that are never written.
    for (uint32_t a = 8; a < 300; ++a) {
      if ((a >= 216 && a < 220) || (a >= 248 && a < 250)) continue;
      const uint8_t want = a == 250 || a == 251 ? 0 : bytes[a];
      QCOMPARE(rig.Mouse().Flash(a, 1)[0], want);
    }
    QVERIFY(!rig.Mouse().IspActive());  // the final reset leaves programming mode
    // The settings were saved before anything was written.
    const auto backups = ListAutoBackups(std::filesystem::path(qgetenv("HALVRIC_DATA_DIR").toStdString()));
    QVERIFY(!backups.empty());
    QCOMPARE(QString::fromStdString(backups.front().reason), QStringLiteral("firmware"));
    // The program's report intake reads again: a profile button press reaches the window.
    rig.Mouse().PressProfileButton(3);
    QTRY_COMPARE_WITH_TIMEOUT(rig.context.current_profile.load(), 3, 5000);

    // Declining the confirmation sends nothing.
    rig.Sim().ClearTrace();
    QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
    QCOMPARE(asked, 2);
    QVERIFY(!dlg->Writing());
    QCOMPARE(PieceWrites(rig), 0);
  }

  void abortEndsTheWriteAfterTheCurrentPiece() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    UpgradeDlg* dlg = OpenUpgrade(rig);
    QVERIFY(dlg != nullptr);
    std::vector<uint8_t> bytes;
    QVERIFY(dlg->LoadHex(WriteHex(dir_.path(), 4000, &bytes)));
    QSignalSpy done(dlg, &UpgradeDlg::commandDone);
    QTest::mouseClick(dlg->EnterIspButton(), Qt::LeftButton);
    QVERIFY(done.wait(5000));
    // Every piece is refused, so the write resends until the user aborts.
    rig.Mouse().NackNextIspWrites(1000000);
    dlg->confirm_write = [] { return true; };
    QSignalSpy finished(dlg, &UpgradeDlg::writeFinished);
    QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(PieceWrites(rig) >= 3, 10000);
    // The progress line follows the worker through the window's event queue.
    QTRY_VERIFY_WITH_TIMEOUT(dlg->ProgressLine()->text().startsWith(QStringLiteral("0008, 20   ,24 (err count=")),
                             5000);
    QCOMPARE(dlg->WriteButton()->text(), QStringLiteral("abort"));
    QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().toInt(), static_cast<int>(UpgradeOutcome::kAborted));
    QCOMPARE(dlg->Message(), QStringLiteral("abort!!"));
    const int sent = PieceWrites(rig);
    QTest::qWait(300);
    QCOMPARE(PieceWrites(rig), sent);  // nothing after the piece under way
    QCOMPARE(rig.Mouse().IspWriteCount(), 0);
    bool closing_mark = false;
    for (const std::string& l : rig.Sim().TraceLines()) closing_mark |= l.find(" 05 03 18 12") != std::string::npos;
    QVERIFY(!closing_mark);
    QVERIFY(rig.Mouse().IspActive());  // an abort leaves the mouse in programming mode
    dlg->close();
    QVERIFY(!dlg->isVisible());
  }
};

QTEST_MAIN(UpgradeWindowTest)
#include "upgrade_window_test.moc"
