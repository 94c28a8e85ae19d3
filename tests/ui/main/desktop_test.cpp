// The main window on the Linux desktop: a mouse the user may not open is named with its fix, as
// halvricctl names it, and the Other page keeps its buttons together on mice without lighting.

#include <QTemporaryDir>
#include <QTest>

#include "support/window_fixture.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

const CHalvricDlg::SettingsItem* ItemOf(const CHalvricDlg& w, int action, int selection) {
  for (const CHalvricDlg::SettingsItem& it : w.items()) {
    if (it.action == action && it.selection == selection) return &it;
  }
  return nullptr;
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void aMouseThatCannotBeOpenedIsNamedWithTheUdevRule() {
    WindowRig rig("level11");
    // Refused before the first search (it runs from the window's event loop).
    rig.Mouse().SetOpenRefused(true);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window->NoDeviceReason().isEmpty(), 5000);
    QVERIFY(!rig.window->HasDevice());
    const QString reason = rig.window->NoDeviceReason();
    QVERIFY(reason.contains(QStringLiteral("permission denied")));
    QVERIFY(reason.contains(QStringLiteral("70-halvric.rules")));

    // Once the node may be opened (the rule installed, the mouse plugged in again) the message
    // goes with the next search.
    rig.Mouse().SetOpenRefused(false);
    for (const HidInterfaceInfo& info : rig.Sim().InterfacesOf(0)) rig.window->OnDeviceAdded(QString::fromStdString(info.path));
    QVERIFY(rig.WaitLoaded());
    QVERIFY(rig.window->NoDeviceReason().isEmpty());
  }

  void noMouseAtAllIsNoPermissionProblem() {
    WindowRig rig("level11");
    rig.Mouse().SetUnplugged(true);
    QSignalSpy none(rig.window.get(), &CHalvricDlg::noDevice);
    QVERIFY(none.wait(5000));
    QVERIFY(rig.window->NoDeviceReason().isEmpty());
  }

  void withoutLightingMacroEditTakesTheLightEffectPlace() {
    QRect light_rect;
    {
      WindowRig rig("level11");
      QVERIFY(rig.WaitLoaded());
      rig.Settle();
      const auto* light = ItemOf(*rig.window, 8, 0);
      const auto* macro = ItemOf(*rig.window, 8, 1);
      QVERIFY(light != nullptr && macro != nullptr);
      QVERIFY(!light->rect.isEmpty());
      QVERIFY(!light->rect.intersects(macro->rect));
      QCOMPARE(macro->rect.top() - light->rect.bottom(), ItemOf(*rig.window, 7, 2)->rect.top() - ItemOf(*rig.window, 7, 1)->rect.bottom());
      light_rect = light->rect;
    }
    WindowRig rig("level0");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QVERIFY(ItemOf(*rig.window, 8, 0)->rect.isEmpty());
    QCOMPARE(ItemOf(*rig.window, 8, 1)->rect, light_rect);
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
