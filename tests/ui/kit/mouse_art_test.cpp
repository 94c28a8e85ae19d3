// The mouse pictures: each model row's picture carries an element for every button the row
// draws, the hot spots and lighting zones it gives are those the windows have always shown, and
// the highlight and the buttons a mouse lacks change the picture only where those buttons are.

#include "ui/kit/mouse_art.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>
#include <set>
#include <vector>

#include "device/model_layout.h"
#include "lighting/model_lighting.h"

using namespace halvric;

namespace {

// The hot spots of the buttons of every model row, as the windows have laid them out so far.
const std::vector<std::vector<QPointF>> kHotSpots = {
    /* row 0 */ {
        {91, 95}, {209, 95}, {150, 88}, {42, 262}, {42, 220}, {150, 150}, {150, 174}, {56, 300}, {72, 294}, {88, 288}},
    /* row 1 */
    {{89, 95},
     {211, 95},
     {150, 88},
     {38, 262},
     {38, 220},
     {150, 150},
     {150, 174},
     {52, 300},
     {68, 294},
     {84, 288},
     {52, 320},
     {68, 314}},
    /* row 2 */
    {{94, 95}, {206, 95}, {150, 88}, {48, 262}, {48, 220}, {150, 150}, {150, 174}, {62, 300}, {78, 294}, {94, 288}},
    /* row 3 */ {{92, 95}, {208, 95}, {150, 88}, {44, 262}, {44, 220}, {150, 150}, {150, 174}, {58, 300}, {74, 294}},
    /* row 4 */
    {{88, 95},
     {212, 95},
     {150, 88},
     {36, 262},
     {36, 220},
     {150, 150},
     {150, 174},
     {50, 300},
     {66, 294},
     {82, 288},
     {50, 320},
     {66, 314}},
    /* row 5 */
    {{95, 95}, {205, 95}, {150, 88}, {50, 262}, {50, 220}, {150, 150}, {150, 174}, {64, 300}, {80, 294}, {96, 288}},
    /* row 6 */
    {{90, 95},
     {210, 95},
     {150, 88},
     {40, 262},
     {40, 220},
     {150, 150},
     {150, 174},
     {54, 300},
     {70, 294},
     {86, 288},
     {54, 320}},
    /* row 7 */ {{96, 95}, {204, 95}, {150, 88}, {52, 262}, {52, 220}, {150, 150}, {150, 174}, {66, 300}},
    /* row 8 */
    {{87, 95},
     {213, 95},
     {150, 88},
     {34, 262},
     {34, 220},
     {150, 150},
     {150, 174},
     {48, 300},
     {64, 294},
     {80, 288},
     {48, 320},
     {64, 314},
     {80, 308},
     {48, 340}},
    /* row 9 */
    {{93, 95}, {207, 95}, {150, 88}, {46, 262}, {46, 220}, {150, 150}, {150, 174}, {60, 300}, {76, 294}, {92, 288}},
    /* row 10 */ {{91, 95}, {209, 95}, {150, 88}, {42, 262}, {42, 220}, {150, 150}, {150, 174}, {56, 300}, {72, 294}},
};

// The centres of the lighting zones (the same on every picture), each a disc of radius 15.
const std::vector<QPointF> kZoneCentres = {{72, 118},  {52, 188},  {46, 258},  {58, 328},  {96, 384}, {150, 402},
                                           {204, 384}, {242, 328}, {254, 258}, {248, 188}, {228, 118}};

QImage Render(int row, int buttons, int highlight) {
  QImage image(kMouseArtSize.toSize(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  DrawMouse(p, QRectF(QPointF(), kMouseArtSize), row, buttons, highlight);
  return image;
}

// The smallest rectangle holding every pixel in which `a` and `b` differ (empty when none).
QRect Difference(const QImage& a, const QImage& b) {
  QRect d;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) d |= QRect(x, y, 1, 1);
    }
  }
  return d;
}

}  // namespace

class MouseArtTest : public QObject {
  Q_OBJECT

 private slots:
  void everyDrawnButtonHasItsElementAndHotSpot() {
    // The button counts each row is drawn with, over every type code and protocol level.
    std::vector<std::set<int>> counts(kMouseArtRows);
    for (int type = 0; type < 64; ++type) {
      for (int level = 0; level < 16; ++level) {
        const ModelLayout m = DecideModelLayout(type, level);
        QVERIFY(m.row >= 0 && m.row < kMouseArtRows);
        counts[static_cast<size_t>(m.row)].insert(m.buttons);
      }
    }
    for (int row = 0; row < kMouseArtRows; ++row) {
      const QSvgRenderer svg(MouseArtPath(row));
      QVERIFY2(svg.isValid(), qPrintable(MouseArtPath(row)));
      QCOMPARE(svg.viewBoxF(), QRectF(QPointF(), kMouseArtSize));
      const auto& expected = kHotSpots[static_cast<size_t>(row)];
      QCOMPARE(static_cast<size_t>(*counts[static_cast<size_t>(row)].rbegin()), expected.size());
      for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        const QString at = QStringLiteral("row %1 button %2").arg(row).arg(i);
        QVERIFY2(svg.elementExists(QStringLiteral("button-%1").arg(i)), qPrintable(at));
        QVERIFY2(svg.elementExists(QStringLiteral("highlight-%1").arg(i)), qPrintable(at));
        QVERIFY2(MouseHotSpot(row, i) == expected[static_cast<size_t>(i)], qPrintable(at));
      }
      QVERIFY(!svg.elementExists(QStringLiteral("button-%1").arg(expected.size())));
    }
    // Rows outside the table draw the nearest picture; a button the picture lacks has no spot.
    QCOMPARE(MouseHotSpot(-1, 0), kHotSpots[0][0]);
    QCOMPARE(MouseHotSpot(kMouseArtRows, 0), kHotSpots.back()[0]);
    QCOMPARE(MouseHotSpot(7, 8), QPointF());
    QCOMPARE(MouseHotSpot(0, -1), QPointF());
  }

  void everyPictureHasTheLightingZones() {
    for (int row = 0; row < kMouseArtRows; ++row) {
      for (int z = 0; z < lighting::kPictureZones; ++z) {
        const QRectF area = MouseZoneArea(row, z);
        const QString at = QStringLiteral("row %1 zone %2").arg(row).arg(z);
        QVERIFY2(area.center() == kZoneCentres[static_cast<size_t>(z)], qPrintable(at));
        QVERIFY2(area.width() == 30 && area.height() == 30, qPrintable(at));
      }
    }
    QVERIFY(MouseZoneArea(0, lighting::kPictureZones).isEmpty());
  }

  void highlightAndMissingButtonsChangeTheirSpotOnly() {
    for (int row = 0; row < kMouseArtRows; ++row) {
      const int n = static_cast<int>(kHotSpots[static_cast<size_t>(row)].size());
      const QImage plain = Render(row, n, -1);
      for (int b : {0, 3, n - 1}) {
        // The highlight: a ring of radius 13 and pen 2 round the hot spot.
        const QPointF h = kHotSpots[static_cast<size_t>(row)][static_cast<size_t>(b)];
        const QRect lit = Difference(plain, Render(row, n, b));
        QVERIFY2(!lit.isEmpty(), qPrintable(QStringLiteral("row %1 button %2").arg(row).arg(b)));
        QVERIFY(QRectF(h.x() - 15, h.y() - 15, 30, 30).contains(QRectF(lit)));
      }
      // A highlight out of range shows nothing.
      QVERIFY(Difference(plain, Render(row, n, n)).isEmpty());
      // Without its last button the picture loses just that button (12 x 14, stroke 1.5).
      const QPointF last = kHotSpots[static_cast<size_t>(row)].back();
      const QRect gone = Difference(plain, Render(row, n - 1, -1));
      QVERIFY(!gone.isEmpty());
      QVERIFY(QRectF(last.x() - 8, last.y() - 9, 16, 18).contains(QRectF(gone)));
    }
  }
};

QTEST_MAIN(MouseArtTest)
#include "mouse_art_test.moc"
