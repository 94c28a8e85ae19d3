#pragma once
// Finds text that does not fit where a window draws it. A widget is rendered onto a paint device
// of its own size whose engine draws nothing but looks at every run of text: a run that leaves
// the widget, or leaves the clip that QPainter::drawText sets when a text overflows its box, is
// reported with the box. Elided runs (cut with "…") count as not fitting too.

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QRegion>
#include <QStringList>
#include <QTextItem>
#include <QWidget>

namespace halvric::testing {

class TextFitEngine final : public QPaintEngine {
 public:
  TextFitEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  Type type() const override { return User; }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawPath(const QPainterPath&) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}

  void updateState(const QPaintEngineState& s) override {
    const DirtyFlags f = s.state();
    if (f & DirtyTransform) transform_ = s.transform();
    if (f & DirtyClipEnabled) clip_enabled_ = s.isClipEnabled();
    if (f & (DirtyClipRegion | DirtyClipPath)) {
      const QRegion given = (f & DirtyClipRegion) ? s.clipRegion() : QRegion(s.clipPath().boundingRect().toAlignedRect());
      const QRegion mapped = transform_.map(given);
      switch (s.clipOperation()) {
        case Qt::NoClip: clip_.reset(); break;
        case Qt::ReplaceClip: clip_ = mapped; break;
        case Qt::IntersectClip: clip_ = clip_ ? (*clip_ & mapped) : mapped; break;
      }
    }
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    const QString text = item.text();
    if (text.trimmed().isEmpty()) return;
    const QFontMetricsF m(item.font());
    const QPointF at = transform_.map(p);
    // The run's box, one pixel of slack for antialiased edges and rounding.
    const QRectF run(at.x() + 1, at.y() - m.ascent() + 1, std::max<qreal>(0, item.width() - 2), m.height() - 2);
    const QRect box = clip_enabled_ && clip_ ? (clip_->boundingRect() & bounds_) : bounds_;
    const QRect r = run.toAlignedRect();
    QString why;
    if (!box.intersects(r)) {
      // Scrolled out of a list or drawn outside the visible part: not shown at all.
    } else if (r.left() < box.left() || r.right() > box.right()) {
      why = QStringLiteral("is wider than its box %1,%2 %3x%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height());
    } else if ((r.top() < box.top() || r.bottom() > box.bottom()) && box.height() < 3 * m.height()) {
      // Rows at the edge of a list are cut by design; a box of one or two lines is a text's own.
      why = QStringLiteral("is taller than its box %1,%2 %3x%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height());
    } else if (text.contains(QChar(0x2026)) && !allowed_ellipsis_.contains(text)) {
      why = QStringLiteral("is cut short");
    }
    if (!why.isEmpty()) {
      misfits_ << QStringLiteral("\"%1\" at %2,%3 (%4 px wide) %5")
                      .arg(text)
                      .arg(qRound(at.x()))
                      .arg(qRound(at.y()))
                      .arg(qRound(item.width()))
                      .arg(why);
    }
  }

  void Reset(const QRect& bounds) {
    bounds_ = bounds;
    clip_.reset();
    clip_enabled_ = false;
    transform_ = QTransform();
    misfits_.clear();
  }
  const QStringList& Misfits() const { return misfits_; }
  // Texts that carry an ellipsis of their own ("Load…").
  QStringList allowed_ellipsis_;

 private:
  QRect bounds_;
  QTransform transform_;
  bool clip_enabled_ = false;
  std::optional<QRegion> clip_;
  QStringList misfits_;
};

class TextFitDevice final : public QPaintDevice {
 public:
  // Renders `w` (shown or not) and returns what does not fit, one line per run of text.
  QStringList Check(QWidget& w) {
    size_ = w.size();
    engine_.Reset(QRect(QPoint(0, 0), size_));
    w.render(this, QPoint(), QRegion(), QWidget::DrawChildren);
    return engine_.Misfits();
  }
  QPaintEngine* paintEngine() const override { return &engine_; }

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth: return size_.width();
      case PdmHeight: return size_.height();
      case PdmWidthMM: return size_.width() * 254 / 960;
      case PdmHeightMM: return size_.height() * 254 / 960;
      case PdmNumColors: return 1 << 24;
      case PdmDepth: return 32;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return 96;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
  }

 private:
  QSize size_;
  mutable TextFitEngine engine_;
};

}  // namespace halvric::testing
