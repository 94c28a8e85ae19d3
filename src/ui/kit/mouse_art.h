#pragma once
// Our own artwork, drawn from SVG so that it stays sharp at any scale: the mouse picture of each
// model row with the hot spots of its buttons and its lighting zones, the DPI level badges and the
// program icon. The mouse pictures are the files resources/art/mouse_row<row>.svg; the hot spots
// and zones are read from their elements (button-<i>, highlight-<i>, zone-<z>), so that a picture
// can be redrawn without touching the code (the comment at the top of each file says how).

#include <QByteArray>
#include <QIcon>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

class QPainter;

namespace halvric {

inline constexpr QSizeF kMouseArtSize{300, 440};  // the picture's own coordinates
inline constexpr int kMouseArtRows = 11;           // model rows 0-10; other rows draw the nearest

// The resource holding the picture of model row `row`.
QString MouseArtPath(int row);
// The hot spot of drawn button `index` on the picture of model row `row`, in picture coordinates:
// the centre of element button-<index> (the origin when the picture lacks it).
QPointF MouseHotSpot(int row, int index);
// The area of lighting zone `zone` on the picture of model row `row`, in picture coordinates:
// the bounds of element zone-<zone>, a square around the zone's disc (empty when it lacks it).
QRectF MouseZoneArea(int row, int zone);
// The picture of model row `row` with `buttons` drawn buttons; `highlight` marks one (-1: none).
QByteArray MouseSvg(int row, int buttons, int highlight = -1);
void DrawMouse(QPainter& p, const QRectF& target, int row, int buttons, int highlight = -1);

// The badge of DPI level 0-4 (five pips, as many lit as the level + 1).
QByteArray LevelBadgeSvg(int level);
void DrawLevelBadge(QPainter& p, const QRectF& target, int level);

// The program's icon (tray and window).
QIcon AppIcon();

}  // namespace halvric
