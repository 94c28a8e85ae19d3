#include "ui/kit/mouse_art.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>

namespace halvric {
namespace {

// Rows differ in their outline: a slimmer or wider body and a longer or shorter nose.
struct Outline {
  double half_width;
  double shoulder;
  int hue;  // accent colour of the light strip
};

Outline OutlineOf(int row) {
  static constexpr Outline kRows[] = {
      {118, 120, 200}, {122, 110, 15}, {112, 128, 180}, {116, 118, 140}, {124, 112, 275}, {110, 130, 330},
      {120, 116, 190}, {108, 132, 95},  {126, 108, 0},   {114, 124, 45},  {118, 120, 240},
  };
  return kRows[std::clamp(row, 0, 10)];
}

QString Hsl(int hue, int s, int l) { return QStringLiteral("hsl(%1,%2%,%3%)").arg(hue).arg(s).arg(l); }

}  // namespace

QPointF MouseHotSpot(int row, int index) {
  const Outline o = OutlineOf(row);
  const double left = 150 - o.half_width;
  switch (index) {
    case 0: return {150 - o.half_width * 0.5, 95};
    case 1: return {150 + o.half_width * 0.5, 95};
    case 2: return {150, 88};
    case 3: return {left + 10, 262};
    case 4: return {left + 10, 220};
    default: break;
  }
  const int j = index - 5;
  if (j < 2) return {150, 150.0 + 24 * j};  // behind the wheel
  // A grid of side buttons down the left flank, then the right flank.
  const int k = j - 2;
  if (k < 12) return {left + 24 + 16 * (k % 3), 300.0 + 20 * (k / 3) - 6 * (k % 3)};
  const int m = k - 12;
  return {150 + o.half_width - 14 - 14 * (m % 2), 210.0 + 22 * (m / 2)};
}

QByteArray MouseSvg(int row, int buttons, int highlight) {
  const Outline o = OutlineOf(row);
  const double l = 150 - o.half_width;
  const double r = 150 + o.half_width;
  QString svg;
  svg += QStringLiteral(
             "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 300 440' width='300' height='440'>"
             "<defs>"
             "<linearGradient id='body' x1='0' y1='0' x2='1' y2='1'>"
             "<stop offset='0' stop-color='#3a3f4b'/><stop offset='1' stop-color='#16181d'/></linearGradient>"
             "<linearGradient id='sheen' x1='0' y1='0' x2='0' y2='1'>"
             "<stop offset='0' stop-color='#ffffff' stop-opacity='0.18'/>"
             "<stop offset='1' stop-color='#ffffff' stop-opacity='0'/></linearGradient>"
             "<linearGradient id='glow' x1='0' y1='0' x2='1' y2='0'>"
             "<stop offset='0' stop-color='%1'/><stop offset='1' stop-color='%2'/></linearGradient>"
             "</defs>")
             .arg(Hsl(o.hue, 90, 55), Hsl((o.hue + 60) % 360, 90, 60));
  // Body.
  svg += QStringLiteral(
             "<path d='M150,18 C%1,18 %2,%3 %2,225 C%2,350 %4,424 150,424 C%5,424 %6,350 %6,225 "
             "C%6,%3 %7,18 150,18 Z' fill='url(#body)' stroke='#5b6272' stroke-width='2'/>")
             .arg(r - 30).arg(r).arg(o.shoulder).arg(r - 40).arg(l + 40).arg(l).arg(l + 30);
  // Main buttons with their split and the palm line.
  svg += QStringLiteral("<path d='M150,20 L150,190' stroke='#0c0d10' stroke-width='3'/>"
                        "<path d='M%1,190 Q150,215 %2,190' fill='none' stroke='#0c0d10' stroke-width='3'/>"
                        "<path d='M150,22 C%3,22 %4,%5 %4,190 L150,190 Z' fill='url(#sheen)'/>")
             .arg(l + 4).arg(r - 4).arg(l + 40).arg(l + 6).arg(o.shoulder);
  // Wheel.
  svg += QStringLiteral("<rect x='139' y='58' width='22' height='62' rx='11' fill='#0c0d10'/>"
                        "<rect x='143' y='62' width='14' height='54' rx='7' fill='#6c7384'/>");
  for (int i = 0; i < 6; ++i) {
    svg += QStringLiteral("<rect x='144' y='%1' width='12' height='2' fill='#3a3f4b'/>").arg(66 + 9 * i);
  }
  // Light strip.
  svg += QStringLiteral("<path d='M%1,360 Q150,404 %2,360' fill='none' stroke='url(#glow)' stroke-width='6' "
                        "stroke-linecap='round'/>")
             .arg(l + 38).arg(r - 38);
  // Extra buttons at their hot spots.
  for (int i = 3; i < buttons; ++i) {
    const QPointF h = MouseHotSpot(row, i);
    const bool side = i == 3 || i == 4;
    const double w = side ? 12 : 12;
    const double ht = side ? 34 : 14;
    svg += QStringLiteral("<rect x='%1' y='%2' width='%3' height='%4' rx='4' fill='#2a2e37' stroke='#7c8497' "
                          "stroke-width='1.5'/>")
               .arg(h.x() - w / 2).arg(h.y() - ht / 2).arg(w).arg(ht);
  }
  if (highlight >= 0 && highlight < buttons) {
    const QPointF h = MouseHotSpot(row, highlight);
    svg += QStringLiteral("<circle cx='%1' cy='%2' r='13' fill='%3' fill-opacity='0.35' stroke='%3' "
                          "stroke-width='2'/>")
               .arg(h.x()).arg(h.y()).arg(Hsl(o.hue, 95, 60));
  }
  svg += QStringLiteral("</svg>");
  return svg.toUtf8();
}

void DrawMouse(QPainter& p, const QRectF& target, int row, int buttons, int highlight) {
  QSvgRenderer renderer(MouseSvg(row, buttons, highlight));
  renderer.render(&p, target);
}

QByteArray LevelBadgeSvg(int level) {
  level = std::clamp(level, 0, 4);
  QString svg = QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 64 64'>"
                               "<rect x='2' y='2' width='60' height='60' rx='14' fill='#1b1e25' stroke='#3fb6ff' "
                               "stroke-width='2'/>");
  for (int i = 0; i < 5; ++i) {
    const double h = 8 + 8 * i;
    svg += QStringLiteral("<rect x='%1' y='%2' width='7' height='%3' rx='2' fill='%4'/>")
               .arg(9 + 10 * i)
               .arg(52 - h)
               .arg(h)
               .arg(i <= level ? QStringLiteral("#3fb6ff") : QStringLiteral("#3a3f4b"));
  }
  svg += QStringLiteral("</svg>");
  return svg.toUtf8();
}

void DrawLevelBadge(QPainter& p, const QRectF& target, int level) {
  QSvgRenderer renderer(LevelBadgeSvg(level));
  renderer.render(&p, target);
}

QIcon AppIcon() {
  static const QIcon icon = [] {
    QIcon i;
    QSvgRenderer renderer(QStringLiteral(":/art/app_icon.svg"));
    for (int size : {16, 22, 24, 32, 48, 64, 96, 128}) {
      QPixmap pm(size, size);
      pm.fill(Qt::transparent);
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      renderer.render(&p, QRectF(0, 0, size, size));
      p.end();
      i.addPixmap(pm);
    }
    return i;
  }();
  return icon;
}

}  // namespace halvric
