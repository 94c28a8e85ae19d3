// A mouse that stops answering in the middle of a restore: the window tells why in a message the
// user acknowledges, with the automatic backup it took first, and its thread keeps turning while
// the device worker waits out the mouse.

#include <QTimer>

#include "support/window_fixture.h"
#include "ui/kit/str_dlg.h"

using namespace halvric;

class FaultMessageTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void initTestCase() { halvric::testing::UsePrivateFolders(dir_); }

  void restoreThatFailsShowsItsMessage() {
    halvric::testing::WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded(60000));
    const QString file = dir_.path() + QStringLiteral("/mouse.bf");
    rig.window->choose_file = [file](bool) { return file; };
    QSignalSpy finished(rig.window.get(), &CHalvricDlg::actionFinished);
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemOtherPage].rect.center());
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemBackup].rect.center());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.last().at(1).toBool(), true);

    // The restore first saves the memory (about 800 exchanges), then writes: the mouse stays busy
    // from the middle of the writes on.
    sim::PlannedFault fault{sim::FaultKind::kBusyForever, 1200, 0};
    rig.Mouse().ScheduleFault(fault);

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      if (last != 0) longest = std::max(longest, now - last);
      last = now;
    });
    tick.start(1);
    QString message;
    // The first prompt asks whether to restore; the second one is the failure's message.
    int prompts = 0;
    std::function<void()> answer = [&] {
      CStrDlg& prompt = rig.window->prompt();
      if (!prompt.isVisible()) {
        QTimer::singleShot(20, &rig.window->prompt(), answer);
        return;
      }
      if (++prompts == 2) message = prompt.message;
      QTest::mouseClick(&prompt, Qt::LeftButton, Qt::NoModifier, prompt.OkRect().center());
      if (prompts < 2) QTimer::singleShot(20, &rig.window->prompt(), answer);
    };
    QTimer::singleShot(20, &rig.window->prompt(), answer);
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemRestore].rect.center());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.last().at(1).toBool(), false);
    QTRY_COMPARE_WITH_TIMEOUT(prompts, 2, 10000);
    tick.stop();
    QVERIFY2(message.startsWith(QStringLiteral("write error!!")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("auto-backup")), qPrintable(message));
    qInfo("longest event-loop gap %lld ms", static_cast<long long>(longest));
    QVERIFY2(longest < 250, "the window's thread waited on the mouse");

    // Once the mouse answers again, the window works on.
    rig.Mouse().ClearFaults();
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemBackup].rect.center());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.last().at(1).toBool(), true);
  }
};

QTEST_MAIN(FaultMessageTest)
#include "fault_message_test.moc"
