#pragma once
// Text that must fit a fixed box in every language: the box's font, made smaller step by step
// until the text fits, but never below a size that stays readable.

#include <QFont>
#include <QRect>
#include <QString>

namespace halvric::ui {

// The smallest readable size, in pixels, a fitted text is drawn at.
inline constexpr int kMinFittedPixels = 9;

// `font` when `text`, laid out with the QPainter::drawText `flags`, fits in `box`; else the same
// font at the largest pixel size that fits, down to `min_pixels` (where it may still not fit).
// Fonts sized in points are returned unchanged.
QFont FittingFont(const QFont& font, const QRect& box, int flags, const QString& text,
                  int min_pixels = kMinFittedPixels);

}  // namespace halvric::ui
