// "Set all lights" previews each colour the user picks on every zone exactly once: on an 11-zone
// mouse a slider step must not cost twice the exchanges.

#include "support/window_fixture.h"
#include "ui/lighting/color_dlg.h"
#include "ui/lighting/color_pick_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }

// Sends of the live zone preview (command byte 0x13, after the report id) since the trace was
// cleared.
int PreviewSends(WindowRig& rig) {
  int n = 0;
  for (const std::string& line : rig.Sim().TraceLines()) {
    if (line.rfind("S ", 0) != 0) continue;
    const size_t bytes = line.find(' ', 2);
    n += line.compare(bytes + 4, 2, "13") == 0;
  }
  return n;
}

}  // namespace

class SetAllPreviewTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void eachPickPreviewsEveryZoneOnce() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    ClickAt(rig.window.get(), rig.window->items()[CHalvricDlg::kItemOtherPage].rect.center());
    ClickAt(rig.window.get(), rig.window->items()[static_cast<size_t>(rig.window->LightItem())].rect.center());
    ColorDlg* dlg = rig.window->lightingWindow();
    QVERIFY(dlg != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(dlg->Loaded(), 5000);
    ClickAt(dlg, dlg->SetAllRect().center());
    QTRY_VERIFY_WITH_TIMEOUT(dlg->picker() != nullptr, 5000);
    ColorPickDlg* picker = dlg->picker();
    rig.Settle();
    const auto zones = static_cast<int>(dlg->Snapshot().model().zones.size());
    QVERIFY(zones >= 7);
    for (int colour : {0, 4}) {
      rig.Sim().ClearTrace();
      ClickAt(picker, picker->PaletteRect(colour).center());
      QTRY_VERIFY_WITH_TIMEOUT(!picker->PreviewPending(), 5000);
      rig.Settle();
      QCOMPARE(PreviewSends(rig), zones);
    }
    ClickAt(picker, picker->CancelRect().center());
    QTRY_VERIFY_WITH_TIMEOUT(dlg->picker() == nullptr, 5000);
  }
};

QTEST_MAIN(SetAllPreviewTest)
#include "set_all_preview_test.moc"
