#include "ui/kit/ui_palette.h"

#include <QPainterPath>

#include "ui/kit/fitting_font.h"

namespace halvric::ui {

void DrawButton(QPainter& p, const QRect& r, const QString& caption, bool hot, bool pressed, const QFont& font,
                bool primary) {
  if (r.isEmpty()) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QColor fill = primary ? kAccent : (hot ? kPanelHot : kPanel);
  if (pressed) fill = fill.darker(130);
  else if (hot && primary) fill = fill.lighter(115);
  p.setPen(QPen(primary ? kAccent : (hot ? kAccent : kLine), 1.2));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
  // A caption too long for the button (a longer language) is drawn smaller, on two lines if need be.
  const QRect inner = r.adjusted(4, 2, -4, -2);
  const QFontMetrics plain(font);
  const int flags = plain.horizontalAdvance(caption) <= inner.width() ? Qt::AlignCenter : Qt::AlignCenter | Qt::TextWordWrap;
  p.setFont(FittingFont(font, inner, flags, caption));
  p.setPen(primary ? QColor(0x08, 0x0a, 0x10) : kTextStrong);
  p.drawText(inner, flags, caption);
  p.restore();
}

void DrawCheck(QPainter& p, const QRect& r, const QString& caption, bool on, bool hot, const QFont& font) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(r.x() + 1, r.center().y() - 8, 16, 16);
  p.setPen(QPen(hot || on ? kAccent : kTextDim, 1.5));
  p.setBrush(on ? kAccent : Qt::transparent);
  p.drawRoundedRect(box, 4, 4);
  if (on) {
    p.setPen(QPen(QColor(0x08, 0x0a, 0x10), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(box.left() + 4, box.center().y());
    tick.lineTo(box.left() + 7, box.bottom() - 4);
    tick.lineTo(box.right() - 3.5, box.top() + 4);
    p.drawPath(tick);
  }
  const QRect text_box(r.x() + 26, r.y(), r.width() - 26, r.height());
  p.setFont(FittingFont(font, text_box, Qt::AlignVCenter | Qt::AlignLeft, caption));
  p.setPen(hot ? kTextStrong : kText);
  p.drawText(text_box, Qt::AlignVCenter | Qt::AlignLeft, caption);
  p.restore();
}

QString LineEditStyle() {
  return QStringLiteral(
      "QLineEdit { background: #0c0d11; color: #ffffff; border: 1px solid #303540; border-radius: 6px;"
      " padding: 2px 8px; selection-background-color: #3fb6ff; selection-color: #080a10; }"
      "QLineEdit:focus { border: 1px solid #3fb6ff; }");
}

void DrawWindowFrame(QPainter& p, const QRect& window, int sidebar_width) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(window, kBackground);
  if (sidebar_width > 0) p.fillRect(QRect(0, 0, sidebar_width, window.height()), kSidebar);
  p.setPen(QPen(kLine, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(window.adjusted(0, 0, -1, -1));
}

}  // namespace halvric::ui
