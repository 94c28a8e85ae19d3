// Faults in the middle of the window's writes and reads: a backup, a restore, a reset to defaults
// and the button dialog's OK, each hit by a fault at an exchange inside it (the mouse unplugged or
// busy for ever, or one answer dropped, garbled or late). The work runs on the device worker, so
// the click returns before it ends; a failure is told in a message; and once the fault has
// cleared the window shows what a fresh read of the mouse finds. The simulated mouse runs on
// virtual time: no handshake limit is waited out for real.

#include <QDir>
#include <QTimer>
#include <stdexcept>

#include "support/window_faults.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/str_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;
using namespace halvric::testing;

namespace {

enum class Operation { kBackup, kRestore, kReset, kButtonOk };

}  // namespace

class FaultMessageTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  static void ClickItem(WindowRig& rig, int item) {
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[static_cast<size_t>(item)].rect.center());
  }

  // The button dialog of drawn button 1 (not the protected left click), OK clicked after a
  // keyboard key that differs from what the button holds.
  static void ChangeButtonInDialog(WindowRig& rig, uint8_t usage) {
    CButtonSetDlg& dlg = rig.window->buttonDialog();
    QTimer picker;
    bool picked = false;
    QObject::connect(&picker, &QTimer::timeout, [&] {
      if (!dlg.isVisible() || picked) return;
      picked = true;
      QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, dlg.PageTabRect(CButtonSetDlg::kPageKeyboard).center());
      const auto& keys = dlg.keyboard().keys;
      for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].modifier == 0 && keys[i].consumer_usage == 0 && keys[i].usage == usage) {
          QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, dlg.KeyRect(static_cast<int>(i)).center());
          break;
        }
      }
      QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, dlg.ConfirmRect().center());
    });
    picker.start(5);
    rig.window->OpenButtonDialog(1);
  }

  // Starts `op` as the user does and checks that the click returned before the work was done
  // (it runs on the worker; the window's thread goes on turning).
  void Start(WindowRig& rig, Operation op, uint8_t usage) {
    switch (op) {
      case Operation::kBackup: ClickItem(rig, CHalvricDlg::kItemBackup); break;
      case Operation::kRestore: ClickItem(rig, CHalvricDlg::kItemRestore); break;
      case Operation::kReset: ClickItem(rig, CHalvricDlg::kItemReset); break;
      case Operation::kButtonOk: ChangeButtonInDialog(rig, usage); break;
    }
    QVERIFY2(rig.window->Busy() > 0, "the operation ended before the window's thread went on");
  }

  // Runs `op` to its end; true when it succeeded (the button's OK: when no message came).
  bool Run(WindowRig& rig, Operation op, QSignalSpy& finished, PromptAnswers& answers, uint8_t usage) {
    const qsizetype before = finished.count();
    const qsizetype texts_before = answers.texts.size();
    Start(rig, op, usage);
    if (op == Operation::kButtonOk) {
      rig.Settle(20);
      return answers.texts.size() == texts_before;
    }
    if (finished.count() == before && !finished.wait(30000)) return false;
    return finished.last().at(1).toBool();
  }

 private slots:
  void initTestCase() { halvric::testing::UsePrivateFolders(dir_); }

  void faultsInTheWindowsOperations_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<QString>("fault");  // the fault's text form, at a share of the clean run
    QTest::addColumn<double>("share");
    QTest::addColumn<QString>("message");  // the failure message starts so (lasting faults)
    const int backup = static_cast<int>(Operation::kBackup), restore = static_cast<int>(Operation::kRestore),
              reset = static_cast<int>(Operation::kReset), button = static_cast<int>(Operation::kButtonOk);
    QTest::newRow("backup stuck") << backup << "stuck" << 0.5 << "The mouse stopped answering";
    QTest::newRow("backup dropped") << backup << "drop" << 0.5 << "";
    QTest::newRow("restore stuck in the writes") << restore << "stuck" << 0.8 << "write error!!";
    QTest::newRow("restore unplugged in the writes") << restore << "unplug" << 0.8 << "write error!!";
    QTest::newRow("restore unplugged in its automatic backup")
        << restore << "unplug" << 0.2 << "The automatic backup failed";
    QTest::newRow("restore garbled in the writes") << restore << "garbage" << 0.8 << "";
    QTest::newRow("restore dropped in the writes") << restore << "drop" << 0.8 << "";
    QTest::newRow("restore busy for a while") << restore << "busy" << 0.8 << "";
    QTest::newRow("reset stuck in the writes") << reset << "stuck" << 0.8 << "write error!!";
    QTest::newRow("reset unplugged in its automatic backup")
        << reset << "unplug" << 0.2 << "The automatic backup failed";
    QTest::newRow("reset dropped in the writes") << reset << "drop" << 0.8 << "";
    QTest::newRow("button OK stuck") << button << "stuck" << 0.5 << "write error!!";
    QTest::newRow("button OK dropped") << button << "drop" << 0.5 << "";
  }

  void faultsInTheWindowsOperations() {
    QFETCH(int, op);
    QFETCH(QString, fault);
    QFETCH(double, share);
    QFETCH(QString, message);
    const auto operation = static_cast<Operation>(op);
    const bool lasting = fault == QStringLiteral("stuck") || fault == QStringLiteral("unplug");

    WindowRig rig("level11");
    rig.Sim().SetVirtualClock(true);
    QVERIFY(rig.WaitLoaded(20000));
    rig.Settle();
    PromptAnswers answers(rig.window->prompt());
    QSignalSpy finished(rig.window.get(), &CHalvricDlg::actionFinished);
    QTemporaryDir files;
    const QString saved = files.path() + QStringLiteral("/saved.bf");
    rig.window->choose_file = [saved](bool) { return saved; };
    ClickItem(rig, CHalvricDlg::kItemOtherPage);

    // Clean runs: the backup a restore writes back, then the operation itself, whose exchanges
    // are counted; then button 1 changes, so that the mouse holds neither the backup nor the
    // defaults and a copy the window failed to renew would show.
    QVERIFY(Run(rig, Operation::kBackup, finished, answers, 0));
    rig.Settle();
    uint64_t start = rig.Mouse().FeatureExchanges();
    QVERIFY(Run(rig, operation, finished, answers, 0x05));
    rig.Settle();
    const uint64_t clean = rig.Mouse().FeatureExchanges() - start;
    QVERIFY(clean > 4);
    if (operation != Operation::kButtonOk) QVERIFY(Run(rig, Operation::kButtonOk, finished, answers, 0x06));
    rig.Settle();
    QVERIFY(answers.texts.size() <= 2);  // the questions of the clean restore or reset only
    answers.texts.clear();

    // The faulted run; a backup goes to a file of its own, which must not appear when it fails.
    const QString faulted = files.path() + QStringLiteral("/faulted.bf");
    rig.window->choose_file = [faulted, saved](bool save) { return save ? faulted : saved; };
    auto planned = sim::ParseFault(fault.toStdString() + "@" +
                                   std::to_string(static_cast<uint64_t>(share * static_cast<double>(clean))));
    QVERIFY(planned.has_value());
    rig.Mouse().ScheduleFault(*planned);
    const bool ok = Run(rig, operation, finished, answers, 0x07);
    if (lasting) QVERIFY2(!ok, "the operation succeeded with the mouse gone");
    if (!ok) {
      // A failure is told, in the window's own words where it has them.
      QTRY_VERIFY_WITH_TIMEOUT(!answers.texts.isEmpty() && !answers.texts.last().isEmpty(), 5000);
      if (!message.isEmpty()) QVERIFY2(answers.texts.last().startsWith(message), qPrintable(answers.texts.last()));
    }
    qInfo("%llu exchanges clean, %s: %s %s", static_cast<unsigned long long>(clean),
          qPrintable(QString::fromStdString(sim::FaultText(*planned))), ok ? "succeeded" : "failed",
          ok ? "" : qPrintable(answers.texts.last()));
    if (operation == Operation::kBackup && !ok) {
      QVERIFY2(QDir(files.path()).entryList({QStringLiteral("faulted*")}, QDir::Files | QDir::Hidden).isEmpty(),
               "a failed backup left a file");
    }
    if (lasting) {
      // The window does not show settings of a mouse that does not answer: it shows it gone, and
      // reads it again once it is plugged back.
      QTRY_VERIFY_WITH_TIMEOUT(!rig.window->HasDevice(), 10000);
      rig.Settle();
      QVERIFY(!rig.window->HasDevice());
      rig.Mouse().ClearFaults();
      rig.session->simHotplug()->Unplug(0);
      QTest::qWait(50);
      rig.session->simHotplug()->Plug(0);
    }
    QVERIFY(rig.WaitLoaded(15000));
    rig.Settle(20);
    const QString difference = Difference(rig.window->workingCopy(), FreshRead(rig));
    QVERIFY2(difference.isEmpty(), qPrintable("the window shows what the mouse does not hold: " + difference));
    QVERIFY(!rig.window->prompt().isVisible());
  }

  // A job that throws (a state file that cannot be written, memory running out) is dropped, but
  // what the window waits for still runs: its busy state ends and the worker goes on.
  void aJobThatThrowsStillReportsItsEnd() {
    WindowRig rig("level11");
    rig.Sim().SetVirtualClock(true);
    QVERIFY(rig.WaitLoaded(20000));
    rig.Settle();
    bool done = false, next = false;
    rig.session->Post([](DeviceLayer&, WorkingCopy&) { throw std::runtime_error("disk full"); },
                      [&done] { done = true; });
    rig.session->Post([&next](DeviceLayer&, WorkingCopy&) { next = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.session->Pending(), 0, 5000);
    QVERIFY(next);
  }
};

QTEST_MAIN(FaultMessageTest)
#include "fault_message_test.moc"
