#pragma once
// Our own artwork, drawn from SVG so that it stays sharp at any scale: the mouse picture of each
// model row with the hot spots of its buttons, the DPI level badges and the program icon.

#include <QByteArray>
#include <QIcon>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <vector>

class QPainter;

namespace halvric {

inline constexpr QSizeF kMouseArtSize{300, 440};  // the picture's own coordinates

// The hot spot of drawn button `index` on the picture of model row `row`, in picture coordinates.
QPointF MouseHotSpot(int row, int index);
// The picture of model row `row` with `buttons` drawn buttons; `highlight` marks one (-1: none).
QByteArray MouseSvg(int row, int buttons, int highlight = -1);
void DrawMouse(QPainter& p, const QRectF& target, int row, int buttons, int highlight = -1);

// The badge of DPI level 0-4 (five pips, as many lit as the level + 1).
QByteArray LevelBadgeSvg(int level);
void DrawLevelBadge(QPainter& p, const QRectF& target, int level);

// The program's icon (tray and window).
QIcon AppIcon();

}  // namespace halvric
