// The lighting window and its colour picker over a simulated level-11 mouse: what the user
// chooses on screen and what crosses the wire or ends in the mouse's memory.

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

#include "app/sim_hotplug_source.h"
#include "lighting/lighting_operations.h"
#include "support/window_fixture.h"
#include "ui/lighting/color_dlg.h"
#include "ui/lighting/color_pick_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

constexpr uint32_t kZoneTable = 0x500;  // level 11
constexpr size_t kZoneBytes = 64;

void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }

// Memory writes of a level-11 mouse (01 03 lo hi len ...) into the zone table.
int ZoneWrites(WindowRig& rig) {
  int n = 0;
  for (const std::string& line : rig.Sim().TraceLines()) {
    if (line.rfind("S ", 0) != 0) continue;
    const size_t bytes = line.find(' ', 2);
    if (line.compare(bytes + 1, 5, "01 03") != 0) continue;
    const uint32_t address =
        std::stoul(line.substr(bytes + 7, 2), nullptr, 16) | std::stoul(line.substr(bytes + 10, 2), nullptr, 16) << 8;
    n += address >= kZoneTable && address < kZoneTable + kZoneBytes;
  }
  return n;
}

// Opens the lighting window from the "Other" page and waits until its picture is read.
ColorDlg* OpenLighting(WindowRig& rig) {
  ClickAt(rig.window.get(), rig.window->items()[CHalvricDlg::kItemOtherPage].rect.center());
  const QRect item = rig.window->items()[static_cast<size_t>(rig.window->LightItem())].rect;
  if (item.isEmpty()) return nullptr;
  ClickAt(rig.window.get(), item.center());
  ColorDlg* dlg = rig.window->lightingWindow();
  if (dlg == nullptr) return nullptr;
  QElapsedTimer t;
  t.start();
  while (!dlg->Loaded() && t.elapsed() < 5000) QTest::qWait(5);
  return dlg->Loaded() ? dlg : nullptr;
}

ColorPickDlg* WaitPicker(ColorDlg* dlg) {
  QElapsedTimer t;
  t.start();
  while (dlg->picker() == nullptr && t.elapsed() < 5000) QTest::qWait(5);
  return dlg->picker();
}

}  // namespace

class LightingWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void lightItemOnlyForMiceWithLighting() {
    WindowRig rig("level0");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    QVERIFY(rig.window->LightItem() >= 0);
    QVERIFY(rig.window->items()[static_cast<size_t>(rig.window->LightItem())].rect.isEmpty());
    rig.window->OpenLighting();
    QVERIFY(rig.window->lightingWindow() == nullptr);
  }

  void randomTwoSendsTheEffectAndWritesNoZone() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ColorDlg* dlg = OpenLighting(rig);
    QVERIFY(dlg != nullptr);
    QCOMPARE(dlg->size(), QSize(700, 420));
    QVERIFY(dlg->PreviewRunning());
    const auto zones_before = rig.Mouse().ReadMemory(kZoneTable, kZoneBytes);
    rig.Sim().ClearTrace();
    QSignalSpy sent(dlg, &ColorDlg::effectSent);
    ClickAt(dlg, dlg->EffectRect(4).center());
    QVERIFY(sent.wait(5000));
    QCOMPARE(sent.first().first().toInt(), 4);
    QCOMPARE(rig.Mouse().LedMode(), 4);
    QCOMPARE(dlg->effect(), 4);
    QCOMPARE(ZoneWrites(rig), 0);
    QCOMPARE(rig.Mouse().ReadMemory(kZoneTable, kZoneBytes), zones_before);
    // The picture animates: the zones change from one tick to the next.
    const auto a = dlg->Snapshot().zones();
    QTest::qWait(250);
    QVERIFY(dlg->Snapshot().zones()[0].colour != a[0].colour || dlg->Snapshot().zones()[1].colour != a[1].colour);
    // The hover tip names the zone; the preview thread ends with the window.
    const QPoint at = dlg->ZoneRect(3).center();
    QMouseEvent move(QEvent::MouseMove, at, dlg->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(dlg, &move);
    QCOMPARE(dlg->ZoneTip(), QStringLiteral("zone :3"));
    dlg->reject();
    QVERIFY(!dlg->isVisible());
    QVERIFY(!dlg->PreviewRunning());
  }

  void okStoresTheZoneRecord() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ColorDlg* dlg = OpenLighting(rig);
    QVERIFY(dlg != nullptr);
    ClickAt(dlg, dlg->EffectRect(0).center());
    rig.Settle();
    ClickAt(dlg, dlg->ZoneRect(5).center());
    ColorPickDlg* picker = WaitPicker(dlg);
    QVERIFY(picker != nullptr);
    ClickAt(picker, picker->PaletteRect(8).center());  // blue
    ClickAt(picker, picker->AlwaysOnRect().center());
    QTRY_VERIFY_WITH_TIMEOUT(!picker->PreviewPending(), 5000);
    rig.Settle();
    // The preview shows on the zone before anything is stored.
    QCOMPARE(rig.Mouse().LiveZone(5), (std::array<uint8_t, 4>{0xC0, 0x00, 0x00, 0xFF}));
    QVERIFY(rig.Mouse().ReadMemory(kZoneTable + 4 * 5, 4) != (std::vector<uint8_t>{0xC0, 0x00, 0x00, 0xFF}));
    QSignalSpy stored(picker, &ColorPickDlg::stored);
    ClickAt(picker, picker->OkRect().center());
    QVERIFY(stored.wait(5000));
    QCOMPARE(stored.first().first().toBool(), true);
    QCOMPARE(rig.Mouse().ReadMemory(kZoneTable + 4 * 5, 4), (std::vector<uint8_t>{0xC0, 0x00, 0x00, 0xFF}));
    // The red slider follows (position - left + 1) x 255 / width.
    rig.Settle();
    ClickAt(dlg, dlg->ZoneRect(2).center());
    picker = WaitPicker(dlg);
    QVERIFY(picker != nullptr);
    const QRect red = picker->SliderRect(0);
    ClickAt(picker, QPoint(red.x() + 99, red.center().y()));
    QCOMPARE(static_cast<int>(picker->Current().red), 100 * 255 / red.width());
    ClickAt(picker, picker->CancelRect().center());
  }

  void cancelRestoresEveryPreviewedZoneWithoutWriting() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ColorDlg* dlg = OpenLighting(rig);
    QVERIFY(dlg != nullptr);
    std::vector<std::array<uint8_t, 4>> before;
    for (int z = 0; z < 11; ++z) before.push_back(rig.Mouse().LiveZone(z));
    const auto memory_before = rig.Mouse().ReadMemory(kZoneTable, kZoneBytes);
    rig.Sim().ClearTrace();
    ClickAt(dlg, dlg->SetAllRect().center());
    ColorPickDlg* picker = WaitPicker(dlg);
    QVERIFY(picker != nullptr);
    for (int i : {0, 4, 9}) ClickAt(picker, picker->PaletteRect(i).center());
    const QRect green = picker->SliderRect(1);
    QTest::mousePress(picker, Qt::LeftButton, Qt::NoModifier, green.topLeft() + QPoint(10, 8));
    QTest::mouseMove(picker, green.topLeft() + QPoint(120, 8));
    QTest::mouseRelease(picker, Qt::LeftButton, Qt::NoModifier, green.topLeft() + QPoint(200, 8));
    QTRY_VERIFY_WITH_TIMEOUT(!picker->PreviewPending(), 5000);
    rig.Settle();
    const auto shown = rig.Mouse().LiveZone(0);
    QCOMPARE(shown[3], static_cast<uint8_t>(0xFF));  // the last palette colour is blue-violet
    const std::vector<int> zones = dlg->Snapshot().model().zones;
    QVERIFY(zones.size() >= 7);
    for (int z : zones) {
      const auto live = rig.Mouse().LiveZone(z);
      QVERIFY2(live == shown, qPrintable(QStringLiteral("zone %1: %2 %3 %4 %5 / %6 %7 %8 %9")
                                             .arg(z)
                                             .arg(live[0])
                                             .arg(live[1])
                                             .arg(live[2])
                                             .arg(live[3])
                                             .arg(shown[0])
                                             .arg(shown[1])
                                             .arg(shown[2])
                                             .arg(shown[3])));
    }
    QSignalSpy restored(picker, &ColorPickDlg::restored);
    ClickAt(picker, picker->CancelRect().center());
    QVERIFY(restored.wait(5000));
    for (int z = 0; z < 11; ++z) QCOMPARE(rig.Mouse().LiveZone(z), before[static_cast<size_t>(z)]);
    QCOMPARE(rig.Mouse().ReadMemory(kZoneTable, kZoneBytes), memory_before);
    QCOMPARE(ZoneWrites(rig), 0);
  }

  void unplugClosesTheLightingWindowAndItsPicker() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ColorDlg* dlg = OpenLighting(rig);
    QVERIFY(dlg != nullptr);
    ClickAt(dlg, dlg->ZoneRect(0).center());
    QPointer<ColorPickDlg> picker = WaitPicker(dlg);
    QVERIFY(picker);
    QVERIFY(rig.session->simHotplug()->Unplug(0));
    QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(picker.isNull(), 5000);
    QVERIFY(!dlg->PreviewRunning());
  }
};

QTEST_MAIN(LightingWindowTest)
#include "lighting_window_test.moc"
