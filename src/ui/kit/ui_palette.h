#pragma once
// The look shared by the program's custom-drawn windows: colours and the drawn button.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

namespace halvric::ui {

inline const QColor kBackground{0x12, 0x14, 0x19};
inline const QColor kSidebar{0x0c, 0x0d, 0x11};
inline const QColor kPanel{0x1b, 0x1e, 0x25};
inline const QColor kPanelHot{0x25, 0x2a, 0x34};
inline const QColor kLine{0x30, 0x35, 0x40};
inline const QColor kAccent{0x3f, 0xb6, 0xff};
inline const QColor kAccent2{0x7b, 0x5c, 0xff};
inline const QColor kText{0xc9, 0xcf, 0xda};
inline const QColor kTextStrong{0xff, 0xff, 0xff};
inline const QColor kTextDim{0x7c, 0x84, 0x97};
inline const QColor kWarn{0xff, 0x6b, 0x6b};

// A rounded button; `primary` fills it with the accent colour.
void DrawButton(QPainter& p, const QRect& r, const QString& caption, bool hot, bool pressed, const QFont& font,
                bool primary = false);
// A check box with its caption to the right.
void DrawCheck(QPainter& p, const QRect& r, const QString& caption, bool on, bool hot, const QFont& font);
// The ground of a custom-drawn window: antialiasing on, the background filled, a one-pixel frame.
// `sidebar_width` > 0 fills a sidebar of that width on the left first.
void DrawWindowFrame(QPainter& p, const QRect& window, int sidebar_width = 0);
// The style sheet of the text fields of the prompt.
QString LineEditStyle();

}  // namespace halvric::ui
