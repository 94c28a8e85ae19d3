// The colour picker's OK in the lighting window with a fault at an exchange of its store (the
// mouse unplugged or busy for ever, or one answer dropped, garbled or late). A store that failed
// is told in a message; the window then pictures the zones the mouse holds, or, when the mouse no
// longer answers, closes while the main window shows the mouse gone. Virtual time throughout.

#include <QSignalSpy>

#include "lighting/lighting_operations.h"
#include "support/window_faults.h"
#include "ui/lighting/color_dlg.h"
#include "ui/lighting/color_pick_dlg.h"

using namespace halvric;
using namespace halvric::testing;

namespace {

void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }

// Opens the lighting window from the "Other" page with "Customize" chosen, its zones read.
ColorDlg* OpenCustomize(WindowRig& rig) {
  ClickAt(rig.window.get(), rig.window->items()[CHalvricDlg::kItemOtherPage].rect.center());
  rig.window->OpenLighting();
  ColorDlg* dlg = rig.window->lightingWindow();
  if (dlg == nullptr) return nullptr;
  if (!QTest::qWaitFor([dlg] { return dlg->Loaded(); }, 5000)) return nullptr;
  ClickAt(dlg, dlg->EffectRect(lighting::kCustomize).center());
  rig.Settle();
  return dlg;
}

// "Set all lights", palette colour `colour`, OK; false when the window had no picker to show.
bool StoreColour(WindowRig& rig, ColorDlg* dlg, int colour, std::unique_ptr<QSignalSpy>& stored, std::function<void()> before_ok) {
  ClickAt(dlg, dlg->SetAllRect().center());
  if (!QTest::qWaitFor([dlg] { return dlg->picker() != nullptr; }, 5000)) return false;
  ColorPickDlg* picker = dlg->picker();
  ClickAt(picker, picker->PaletteRect(colour).center());
  if (!QTest::qWaitFor([picker] { return !picker->PreviewPending(); }, 5000)) return false;
  rig.Settle();
  stored = std::make_unique<QSignalSpy>(picker, &ColorPickDlg::stored);
  before_ok();
  ClickAt(picker, picker->OkRect().center());
  return stored->wait(20000);
}

std::vector<lighting::LedZoneRecord> ZonesInMouse(WindowRig& rig) {
  auto zones = std::make_shared<std::vector<lighting::LedZoneRecord>>();
  OnWorker(rig, [zones, path = rig.window->DevicePath()](DeviceLayer& dev, WorkingCopy&) {
    dev.mirror().Clear();
    lighting::ReadLightingBlock(MouseAt(dev, path), *zones);
  });
  return *zones;
}

}  // namespace

class LightingOkFaultsTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

 private slots:
  void initTestCase() { UsePrivateFolders(dir_); }

  void aFailedStoreIsToldAndTheZonesReadAgain_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<double>("share");  // of the clean OK's exchanges
    QTest::newRow("stuck") << "stuck" << 0.3;
    QTest::newRow("unplugged at the first exchange") << "unplug" << 0.0;
    QTest::newRow("unplugged on the way") << "unplug" << 0.5;
    QTest::newRow("garbled") << "garbage" << 0.3;
    QTest::newRow("dropped") << "drop" << 0.5;
    QTest::newRow("busy for a while") << "busy" << 0.2;
  }

  void aFailedStoreIsToldAndTheZonesReadAgain() {
    QFETCH(QString, fault);
    QFETCH(double, share);
    WindowRig rig("level11");
    rig.Sim().SetVirtualClock(true);
    QVERIFY(rig.WaitLoaded(20000));
    rig.Settle();
    ColorDlg* dlg = OpenCustomize(rig);
    QVERIFY(dlg != nullptr);
    PromptAnswers told(dlg->prompt());

    // A clean OK, whose exchanges are counted (the store and the read after it).
    std::unique_ptr<QSignalSpy> stored;
    uint64_t start = 0;
    QVERIFY(StoreColour(rig, dlg, 8, stored, [&] { start = rig.Mouse().FeatureExchanges(); }));
    QVERIFY(stored->first().first().toBool());
    rig.Settle();
    const uint64_t clean = rig.Mouse().FeatureExchanges() - start;
    QVERIFY(clean > 2);
    QVERIFY(told.texts.isEmpty());

    std::string planned;
    QVERIFY(StoreColour(rig, dlg, 3, stored, [&] { planned = ScheduleFault(rig, fault, share, clean); }));
    const bool ok = stored->first().first().toBool();
    qInfo("%llu exchanges clean, %s: %s", static_cast<unsigned long long>(clean), planned.c_str(),
          ok ? "stored" : "failed");
    if (Lasting(fault)) QVERIFY2(!ok, "stored with the mouse gone");
    if (!ok) QTRY_COMPARE_WITH_TIMEOUT(told.texts, QStringList{QStringLiteral("write error!!")}, 10000);
    else QVERIFY(told.texts.isEmpty());
    if (Lasting(fault)) {
      // A window of zones nobody can confirm closes; the main window shows the mouse gone.
      QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 10000);
      QTRY_VERIFY_WITH_TIMEOUT(!rig.window->HasDevice(), 10000);
      ClearAndReplug(rig);
      QVERIFY(rig.WaitLoaded(15000));
      rig.Settle();
      dlg = OpenCustomize(rig);
      QVERIFY(dlg != nullptr);
    }
    rig.Settle(20);
    QVERIFY(dlg->isVisible());
    QVERIFY2(dlg->Records() == ZonesInMouse(rig), "the window pictures zones the mouse does not hold");
  }
};

QTEST_MAIN(LightingOkFaultsTest)
#include "lighting_ok_faults_test.moc"
