#include "ui/kit/fitting_font.h"

#include <QFontMetrics>

namespace halvric::ui {

QFont FittingFont(const QFont& font, const QRect& box, int flags, const QString& text, int min_pixels) {
  if (text.isEmpty() || font.pixelSize() <= 0) return font;
  QFont f = font;
  for (int px = font.pixelSize(); px >= min_pixels; --px) {
    f.setPixelSize(px);
    const QRect need = QFontMetrics(f).boundingRect(box, flags, text);
    if (need.width() <= box.width() && need.height() <= box.height()) return f;
  }
  return f;
}

}  // namespace halvric::ui
