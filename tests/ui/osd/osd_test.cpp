// The on-screen display on a desktop without a compositing manager: cut to its rounded panels and
// drawn opaque, instead of a black 320 x 300 box; with one, translucent and unshaped as before.

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "support/window_fixture.h"
#include "ui/osd/disp_dlg.h"

using namespace halvric;
using halvric::testing::WindowRig;

namespace {

OsdPass ShowPass(int flags, int alpha) {
  OsdPass pass;
  pass.draw = true;
  pass.show = true;
  pass.view.flags = flags;
  pass.view.alpha = alpha;
  pass.view.profile = 1;
  pass.view.dpi_level = 2;
  pass.view.dpi_x = 20;
  pass.view.dpi_y = 20;
  pass.view.visible = true;
  return pass;
}

OsdPass HidePass() {
  OsdPass pass;
  pass.hide = true;
  return pass;
}

}  // namespace

class OsdTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void withoutACompositorTheDisplayIsItsOpaqueRoundedPanels() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    CDispDlg& osd = rig.window->osd();
    bool compositor = false;
    osd.SetTranslucencyCheck([&compositor] { return compositor; });

    osd.Present(ShowPass(kOsdProfile | kOsdDpiLevel, 50));
    QVERIFY(osd.isVisible());
    QVERIFY(osd.Opaque());
    const std::vector<QRectF> panels = osd.Panels();
    QCOMPARE(panels.size(), size_t{2});
    const QRegion mask = osd.mask();
    QVERIFY(!mask.isEmpty());
    // Inside each panel, not at its rounded corners, not between or below the panels.
    for (const QRectF& r : panels) {
      QVERIFY(mask.contains(r.center().toPoint()));
      QVERIFY(!mask.contains(r.topLeft().toPoint() + QPoint(1, 1)));
      QVERIFY(!mask.contains(r.bottomRight().toPoint() - QPoint(1, 1)));
    }
    QVERIFY(!mask.contains(QPoint(CDispDlg::kWidth / 2, (panels[0].bottom() + panels[1].top()) / 2)));
    QVERIFY(!mask.contains(QPoint(CDispDlg::kWidth / 2, CDispDlg::kHeight - 4)));
    QVERIFY(mask.boundingRect().height() < CDispDlg::kHeight / 2);
    // Drawn at full strength even early in the fade: no blend with the black under it.
    const QImage opaque = osd.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(opaque.pixel(panels[0].center().toPoint() + QPoint(100, 0))), 255);

    // A different view reshapes the window.
    OsdPass angle = ShowPass(kOsdAngleSnapping, 255);
    angle.show = false;
    osd.Present(angle);
    QCOMPARE(osd.Panels().size(), size_t{1});
    QVERIFY(!osd.mask().contains(panels[1].center().toPoint()));
    osd.Present(HidePass());
    QVERIFY(!osd.isVisible());

    // A compositor started since: the next showing is translucent and unshaped again.
    compositor = true;
    osd.Present(ShowPass(kOsdProfile, 50));
    QVERIFY(!osd.Opaque());
    QVERIFY(osd.mask().isEmpty());
    const QImage translucent = osd.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(qAlpha(translucent.pixel(osd.Panels()[0].center().toPoint() + QPoint(100, 0))) < 100);
    osd.Present(HidePass());
  }
};

QTEST_MAIN(OsdTest)
#include "osd_test.moc"
