// The upgrade window's firmware write with a fault at an exchange inside it (its automatic
// backup, the pieces, the closing mark and the exit from programming mode): a write that failed
// is told on the window's message line while the window goes on answering, the mouse stays in
// programming mode once it took anything, and the same write started again from the window
// completes with the image in the mouse. Virtual time for the transfers; short acknowledgement
// waits.

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <fstream>

#include "device/firmware_writer.h"
#include "device/hex_records.h"
#include "support/window_faults.h"
#include "ui/upgrade/upgrade_dlg.h"

using namespace halvric;
using namespace halvric::testing;

namespace {

constexpr int kImageBytes = 700;

// A firmware file of kImageBytes bytes from address 0.
QString WriteHex(const QString& folder) {
  std::vector<uint8_t> data;
  for (int i = 0; i < kImageBytes; ++i) data.push_back(static_cast<uint8_t>(i * 13 + 5));
  const QString path = folder + QStringLiteral("/fw.hex");
  std::ofstream(path.toStdString()) << test::HexFile(0, data);
  return path;
}

}  // namespace

class UpgradeWriteFaultsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  // Enters programming mode from the window when the mouse is not in it.
  static void EnterIsp(WindowRig& rig, UpgradeDlg* dlg) {
    if (rig.Mouse().IspActive()) return;
    QSignalSpy done(dlg, &UpgradeDlg::commandDone);
    QTest::mouseClick(dlg->EnterIspButton(), Qt::LeftButton);
    QVERIFY(done.wait(5000));
    QVERIFY(rig.Mouse().IspActive());
  }

  // Clicks "write" and waits for its end; the window's event loop turns all the while. The
  // outcome, or -1 when the write did not end.
  static int Write(UpgradeDlg* dlg) {
    QSignalSpy finished(dlg, &UpgradeDlg::writeFinished);
    QTest::mouseClick(dlg->WriteButton(), Qt::LeftButton);
    QElapsedTimer gap, total;
    gap.start();
    total.start();
    int64_t longest = 0;
    while (finished.isEmpty() && total.elapsed() < 60000) {
      QTest::qWait(5);
      longest = std::max<int64_t>(longest, gap.restart());
    }
    if (finished.isEmpty()) return -1;
    if (longest > 500) qWarning("the window's thread stood still for %lld ms", static_cast<long long>(longest));
    return longest > 500 ? -2 : finished.first().first().toInt();
  }

 private slots:
  void initTestCase() { UsePrivateFolders(dir_); }

  void aFailedWriteIsToldAndARetryCompletes_data() {
    QTest::addColumn<QString>("fault");
    // Where: a share of the clean write's exchanges (its backup comes first and takes most of
    // them), or, when `back` is set, that many exchanges before its end (the pieces, the closing
    // mark and the exit from programming mode).
    QTest::addColumn<double>("share");
    QTest::addColumn<int>("back");
    QTest::newRow("stuck in the backup") << "stuck" << 0.2 << 0;
    QTest::newRow("stuck in the pieces") << "stuck" << 0.0 << 40;
    QTest::newRow("unplugged in the pieces") << "unplug" << 0.0 << 20;
    QTest::newRow("unplugged at the exit") << "unplug" << 0.0 << 1;
    QTest::newRow("stuck at the closing mark") << "stuck" << 0.0 << 3;
    QTest::newRow("garbled in the pieces") << "garbage" << 0.0 << 30;
    QTest::newRow("dropped in the pieces") << "drop" << 0.0 << 10;
    QTest::newRow("busy for a while in the pieces") << "busy" << 0.0 << 25;
  }

  void aFailedWriteIsToldAndARetryCompletes() {
    QFETCH(QString, fault);
    QFETCH(double, share);
    QFETCH(int, back);
    WindowRig rig("level11");
    rig.Sim().SetVirtualClock(true);
    QVERIFY(rig.WaitLoaded(20000));
    rig.Settle();
    rig.window->OpenUpgrade();
    UpgradeDlg* dlg = rig.window->upgradeWindow();
    QVERIFY(dlg != nullptr);
    dlg->timings.open_wait = std::chrono::milliseconds(300);
    dlg->timings.piece_wait = std::chrono::milliseconds(150);
    dlg->timings.close_wait = std::chrono::milliseconds(50);
    dlg->confirm_write = [] { return true; };
    QVERIFY(dlg->LoadHex(WriteHex(dir_.path())));

    // The clean write, whose exchanges are counted.
    EnterIsp(rig, dlg);
    const uint64_t start = rig.Mouse().FeatureExchanges();
    QCOMPARE(Write(dlg), static_cast<int>(UpgradeOutcome::kCompleted));
    const uint64_t clean = rig.Mouse().FeatureExchanges() - start;
    const std::vector<uint8_t> image = rig.Mouse().Flash(0, kImageBytes);
    QVERIFY(!rig.Mouse().IspActive());

    EnterIsp(rig, dlg);
    QVERIFY(clean > static_cast<uint64_t>(back));
    const std::string planned = back > 0 ? ScheduleFault(rig, fault, 1.0, clean - static_cast<uint64_t>(back))
                                         : ScheduleFault(rig, fault, share, clean);
    QVERIFY(!planned.empty());
    const int outcome = Write(dlg);
    QVERIFY2(outcome >= 0, outcome == -1 ? "the write did not end" : "the window stood still");
    const bool ok = outcome == static_cast<int>(UpgradeOutcome::kCompleted);
    qInfo("%llu exchanges clean, %s: %s", static_cast<unsigned long long>(clean), planned.c_str(),
          ok ? "completed" : qPrintable(dlg->Message()));
    if (Lasting(fault)) QVERIFY2(!ok, "the write completed with the mouse gone");
    if (ok) {
      QCOMPARE(rig.Mouse().Flash(0, kImageBytes), image);
      return;
    }
    // Told, with the window usable again; a mouse that took part of the image keeps its
    // programming mode (only the exit itself failing leaves it either way).
    QVERIFY(!dlg->Message().isEmpty());
    QVERIFY(dlg->WriteButton()->isEnabled() && dlg->EnterIspButton()->isEnabled());
    QCOMPARE(dlg->WriteButton()->text(), QStringLiteral("write"));
    rig.Mouse().ClearFaults();
    QVERIFY(rig.Mouse().IspActive());

    // The retry from the window.
    QCOMPARE(Write(dlg), static_cast<int>(UpgradeOutcome::kCompleted));
    QCOMPARE(rig.Mouse().Flash(0, kImageBytes), image);
    QVERIFY(!rig.Mouse().IspActive());
  }
};

QTEST_MAIN(UpgradeWriteFaultsTest)
#include "upgrade_write_faults_test.moc"
