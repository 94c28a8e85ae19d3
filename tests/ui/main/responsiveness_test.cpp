// The window's thread never waits on the mouse: with 1 ms of simulated wire latency per transfer,
// read-all, backup and restore run while a 1 ms timer measures the longest gap of the event loop.
// The figure is printed; the test fails only on a gross stall (a blocking exchange with the
// mouse on the window's thread would stall it for seconds).

#include <QTimer>

#include "support/window_fixture.h"
#include "ui/kit/str_dlg.h"

using namespace halvric;

class ResponsivenessTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void initTestCase() { halvric::testing::UsePrivateFolders(dir_); }

  void eventLoopKeepsTurningDuringDeviceWork() {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    connect(&tick, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      if (last != 0) longest = std::max(longest, now - last);
      last = now;
    });
    tick.start(1);

    halvric::testing::WindowRig rig("level11", std::chrono::microseconds(1000));
    QElapsedTimer phase;
    phase.start();
    QVERIFY(rig.WaitLoaded(60000));
    const qint64 read_ms = phase.elapsed();
    const QString file = dir_.path() + QStringLiteral("/stall.bf");
    rig.window->choose_file = [file](bool) { return file; };
    QSignalSpy finished(rig.window.get(), &CHalvricDlg::actionFinished);
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemOtherPage].rect.center());
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemBackup].rect.center());
    QVERIFY(finished.wait(60000));
    QTimer::singleShot(30, &rig.window->prompt(), [&rig] {
      QTest::mouseClick(&rig.window->prompt(), Qt::LeftButton, Qt::NoModifier, rig.window->prompt().OkRect().center());
    });
    QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier,
                      rig.window->items()[CHalvricDlg::kItemRestore].rect.center());
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.last().at(1).toBool(), true);
    tick.stop();
    const double stall_ms = static_cast<double>(longest) / 1e6;
    qInfo("read-all %lld ms, whole run %lld ms; longest event-loop gap %.2f ms", read_ms,
          static_cast<long long>(phase.elapsed()), stall_ms);
    QVERIFY2(stall_ms < 250.0, "the window's thread waited on the mouse");
  }
};

QTEST_MAIN(ResponsivenessTest)
#include "responsiveness_test.moc"
