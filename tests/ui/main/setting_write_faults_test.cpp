// Faults in the settings the main window sends on its own: a DPI or report-rate slider and the
// angle-snapping switch (sent after their debounce pause) and a DPI level box (sent at once), each
// hit by a fault at an exchange of its send. A send the mouse did not take is told in a message,
// and the window then shows what a fresh read of the mouse finds, never the value it kept; a mouse
// that no longer answers shows as gone. The simulated mouse runs on virtual time.

#include "support/window_faults.h"

using namespace halvric;
using namespace halvric::testing;

namespace {

enum class Setting { kDpi, kRate, kAngleSnapping, kDpiLevel };

void ClickAt(WindowRig& rig, const QPoint& at) {
  QTest::mouseClick(rig.window.get(), Qt::LeftButton, Qt::NoModifier, at);
}

void ClickItem(WindowRig& rig, int item) { ClickAt(rig, rig.window->items()[static_cast<size_t>(item)].rect.center()); }

// Changes `setting` to a value the mouse does not hold, as the user does.
void Change(WindowRig& rig, Setting setting) {
  CHalvricDlg& w = *rig.window;
  switch (setting) {
    case Setting::kDpi:
    case Setting::kRate: {
      ClickItem(rig, CHalvricDlg::kItemDpiPage);
      const auto kind = setting == Setting::kDpi ? CHalvricDlg::kSliderDpiX : CHalvricDlg::kSliderRate;
      const int a = setting == Setting::kDpi ? 20 : 3, b = setting == Setting::kDpi ? 40 : 4;
      ClickAt(rig, w.SliderPoint(kind, w.SliderValue(kind) == a ? b : a));
      break;
    }
    case Setting::kAngleSnapping:
      ClickItem(rig, CHalvricDlg::kItemOtherPage);
      ClickItem(rig, CHalvricDlg::kItemAngleSnapping);
      break;
    case Setting::kDpiLevel:
      ClickItem(rig, CHalvricDlg::kItemDpiPage);
      ClickAt(rig, w.LevelBoxRect(w.workingCopy().dpi_level == 1 ? 2 : 1).center());
      break;
  }
  // The window's debounce pauses: 200 ms for DPI, a second for the rate and angle snapping.
  rig.Settle(setting == Setting::kDpi ? 300 : setting == Setting::kDpiLevel ? 20 : 1100);
}

}  // namespace

class SettingWriteFaultsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void initTestCase() { UsePrivateFolders(dir_); }

  void aSendTheMouseDidNotTakeIsToldAndReadAgain_data() {
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<double>("share");  // of the clean send's exchanges
    const int dpi = static_cast<int>(Setting::kDpi), rate = static_cast<int>(Setting::kRate),
              angle = static_cast<int>(Setting::kAngleSnapping), level = static_cast<int>(Setting::kDpiLevel);
    QTest::newRow("dpi stuck") << dpi << "stuck" << 0.5;
    QTest::newRow("dpi unplugged at the first exchange") << dpi << "unplug" << 0.0;
    QTest::newRow("dpi garbled") << dpi << "garbage" << 0.5;
    QTest::newRow("dpi dropped") << dpi << "drop" << 0.8;
    QTest::newRow("rate stuck") << rate << "stuck" << 0.7;
    QTest::newRow("rate garbled") << rate << "garbage" << 0.3;
    QTest::newRow("angle snapping unplugged") << angle << "unplug" << 0.5;
    QTest::newRow("angle snapping busy for a while") << angle << "busy" << 0.5;
    QTest::newRow("dpi level stuck") << level << "stuck" << 0.5;
    QTest::newRow("dpi level dropped") << level << "drop" << 0.5;
  }

  void aSendTheMouseDidNotTakeIsToldAndReadAgain() {
    QFETCH(int, setting);
    QFETCH(QString, fault);
    QFETCH(double, share);
    const auto which = static_cast<Setting>(setting);

    WindowRig rig("level11");
    rig.Sim().SetVirtualClock(true);
    QVERIFY(rig.WaitLoaded(20000));
    rig.Settle();
    PromptAnswers answers(rig.window->prompt());

    // A clean change, whose exchanges are counted.
    const uint64_t start = rig.Mouse().FeatureExchanges();
    Change(rig, which);
    const uint64_t clean = rig.Mouse().FeatureExchanges() - start;
    QVERIFY(clean > 0);
    QVERIFY(answers.texts.isEmpty());

    const std::string planned = ScheduleFault(rig, fault, share, clean);
    QVERIFY(!planned.empty());
    Change(rig, which);
    // The window's thread went on turning: the change itself returned at once, and a message
    // came for every send that failed.
    qInfo("%llu exchanges clean, %s: %s", static_cast<unsigned long long>(clean), planned.c_str(),
          answers.texts.isEmpty() ? "taken" : qPrintable(answers.texts.join(QStringLiteral(" / "))));
    if (Lasting(fault)) {
      QTRY_VERIFY_WITH_TIMEOUT(!answers.texts.isEmpty(), 10000);
      QCOMPARE(answers.texts.first(), QStringLiteral("write error!!"));
      QTRY_VERIFY_WITH_TIMEOUT(!rig.window->HasDevice(), 10000);
      ClearAndReplug(rig);
    }
    for (const QString& text : answers.texts) QCOMPARE(text, QStringLiteral("write error!!"));
    QVERIFY(rig.WaitLoaded(15000));
    rig.Settle(20);
    const QString difference = Difference(rig.window->workingCopy(), FreshRead(rig));
    QVERIFY2(difference.isEmpty(), qPrintable("the window shows what the mouse does not hold: " + difference));
  }
};

QTEST_MAIN(SettingWriteFaultsTest)
#include "setting_write_faults_test.moc"
