// The tray icon of the main window: its tip and its menu ("Settings" shows the window, "Quit"
// closes the open windows and ends the program).

#include <QAction>
#include <QMenu>

#include "support/window_fixture.h"
#include "ui/lighting/color_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

class TrayTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void tipIsTheProductNameCutToTwentyCharacters() {
    QCOMPARE(CHalvricDlg::TrayTip(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")),
             QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(CHalvricDlg::TrayTip(QStringLiteral("SHORT")), QStringLiteral("SHORT"));
    WindowRig rig("level11");
    QCOMPARE(rig.window->tray()->toolTip(), QStringLiteral("TORVANE HALVRIC"));
  }

  void settingsShowsTheWindowAndQuitEndsIt() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    auto* menu = rig.window->findChild<QMenu*>();
    QVERIFY(menu != nullptr);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QStringLiteral("Settings"));
    QCOMPARE(actions[1]->text(), QStringLiteral("Quit"));

    // The close box only hides the window; "Settings" brings it back.
    rig.window->close();
    QVERIFY(!rig.window->isVisible());
    actions[0]->trigger();
    QVERIFY(rig.window->isVisible());

    // "Quit" closes the lighting window too and ends the main window.
    rig.window->OpenLighting();
    ColorDlg* lighting = rig.window->lightingWindow();
    QVERIFY(lighting != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(lighting->Loaded(), 5000);
    actions[1]->trigger();
    QVERIFY(rig.window->Quitting());
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!lighting->isVisible());
    QVERIFY(!lighting->PreviewRunning());
  }

  // A desktop without a tray (stock GNOME): a hidden window could not be brought back, so the
  // close box, Esc and the window's own close icon end the program.
  void withoutATrayClosingQuits() {
    bool tray = false;
    {
      WindowRig rig("level11", {}, nullptr, nullptr, [&tray] { return tray; });
      QVERIFY(rig.WaitLoaded());
      rig.Settle();
      rig.window->close();
      QTRY_VERIFY_WITH_TIMEOUT(rig.window->Quitting(), 2000);
      QVERIFY(!rig.window->isVisible());
    }
    {
      WindowRig rig("level11", {}, nullptr, nullptr, [&tray] { return tray; });
      QVERIFY(rig.WaitLoaded());
      rig.Settle();
      QTest::keyClick(rig.window.get(), Qt::Key_Escape);
      QTRY_VERIFY_WITH_TIMEOUT(rig.window->Quitting(), 2000);
    }
    {
      // The tray came up after the start: closing hides again.
      WindowRig rig("level11", {}, nullptr, nullptr, [&tray] { return tray; });
      QVERIFY(rig.WaitLoaded());
      rig.Settle();
      tray = true;
      QTest::mouseClick(rig.window.get(), Qt::LeftButton, {}, rig.window->items()[CHalvricDlg::kItemHide].rect.center());
      QTest::qWait(50);
      QVERIFY(!rig.window->isVisible());
      QVERIFY(!rig.window->Quitting());
    }
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
