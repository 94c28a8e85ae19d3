#include "ui/lighting/color_pick_dlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "config/text_tables.h"
#include "lighting/colour_picker.h"
#include "services/device_jobs.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/ui_palette.h"

namespace halvric {
namespace {

// Button texts of the picker (button_str slots).
constexpr int kTextOk = 7;
constexpr int kTextCancel = 8;
constexpr int kTextColor = 46;
constexpr int kTextBreathe = 47;
constexpr int kTextAlwaysOn = 48;

constexpr int kHitPalette = 0;     // + index
constexpr int kHitSlider = 100;    // + component
constexpr int kKnobRadius = 9;
constexpr int kHitBreathe = 200;
constexpr int kHitAlwaysOn = 201;
constexpr int kHitOk = 202;
constexpr int kHitCancel = 203;

}  // namespace

ColorPickDlg::ColorPickDlg(DeviceJobs& session, std::shared_ptr<lighting::ColourPicker> picker, QString title,
                           const AppFonts& fonts, const TextTables& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      session_(session),
      picker_(std::move(picker)),
      title_(std::move(title)),
      fonts_(fonts),
      texts_(texts) {
  setFixedSize(kWidth, kHeight);
  setMouseTracking(true);
  setWindowTitle(QString::fromStdString(texts_.Get(TextFamily::button_str, kTextColor)));
  current_ = picker_->Current();
  previewed_ = current_;
}

QColor ColorPickDlg::PaletteColour(int index) {
  static constexpr std::array<QRgb, kPaletteColours> kColours = {
      0xFF0000, 0xFF8000, 0xFFFF00, 0x80FF00, 0x00FF00, 0x00FF80, 0x00FFFF, 0x0080FF,
      0x0000FF, 0x8000FF, 0xFF00FF, 0xFF0080, 0xFFFFFF, 0xFFC0A0, 0x808080, 0x000000};
  return QColor::fromRgb(kColours[static_cast<size_t>(std::clamp(index, 0, kPaletteColours - 1))]);
}

QRect ColorPickDlg::PaletteRect(int index) const { return {24 + (index % 8) * 47, 62 + (index / 8) * 34, 40, 26}; }

void ColorPickDlg::SetColour(const lighting::Rgb& colour) {
  current_.red = colour[0];
  current_.green = colour[1];
  current_.blue = colour[2];
  current_.flags |= lighting::kZoneOwnColour;
  QueuePreview();
  update();
}

void ColorPickDlg::SetAlwaysOn(bool on) {
  current_.flags = static_cast<uint8_t>(on ? current_.flags | lighting::kZoneAlwaysOn
                                           : current_.flags & ~lighting::kZoneAlwaysOn);
  QueuePreview();
  update();
}

void ColorPickDlg::QueuePreview() {
  // One preview at a time on the worker; when it is done, the newest value follows if it changed.
  if (preview_in_flight_ || finishing_ || current_ == previewed_) return;
  preview_in_flight_ = true;
  previewed_ = current_;
  const lighting::LedZoneRecord value = current_;
  auto picker = picker_;
  QPointer<ColorPickDlg> self(this);
  session_.Post(
      [picker, value](DeviceLayer&, WorkingCopy&) { picker->Set(value.colour(), value.always_on()); },
      [self] {
        if (!self) return;
        self->preview_in_flight_ = false;
        self->QueuePreview();
      });
}

void ColorPickDlg::Finish(bool store) {
  if (finishing_) return;
  finishing_ = true;
  auto picker = picker_;
  const lighting::LedZoneRecord value = current_;
  auto ok = std::make_shared<bool>(false);
  QPointer<ColorPickDlg> self(this);
  // The last value reaches the picker first, so that OK stores what the window shows.
  session_.Post(
      [picker, value, store, ok](DeviceLayer&, WorkingCopy&) {
        if (store) {
          picker->Set(value.colour(), value.always_on());
          *ok = picker->Ok();
        } else {
          *ok = picker->Cancel();
        }
      },
      [self, store, ok] {
        if (!self) return;
        if (store) {
          emit self->stored(*ok);
          self->accept();
        } else {
          emit self->restored(*ok);
          self->QDialog::reject();
        }
      });
}

void ColorPickDlg::CloseRequest() {
  if (isVisible()) Finish(false);
}

void ColorPickDlg::reject() { Finish(false); }

void ColorPickDlg::SliderAt(int component, int x) {
  const QRect r = SliderRect(component);
  lighting::Rgb c = current_.colour();
  c[static_cast<size_t>(component)] = lighting::ColourPicker::SliderComponent(x, r.x(), r.width());
  SetColour(c);
}

void ColorPickDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || finishing_) return;
  const QPoint pos = e->position().toPoint();
  for (int i = 0; i < kPaletteColours; ++i) {
    if (PaletteRect(i).contains(pos)) {
      const QColor c = PaletteColour(i);
      SetColour({static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())});
      return;
    }
  }
  for (int j = 0; j < 3; ++j) {
    if (SliderRect(j).adjusted(-6, -6, 6, 6).contains(pos)) {
      dragging_ = j;
      SliderAt(j, pos.x());
      return;
    }
  }
  if (BreatheRect().contains(pos)) SetAlwaysOn(false);
  else if (AlwaysOnRect().contains(pos)) SetAlwaysOn(true);
  else if (OkRect().contains(pos)) Finish(true);
  else if (CancelRect().contains(pos)) Finish(false);
}

void ColorPickDlg::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (dragging_ >= 0 && (e->buttons() & Qt::LeftButton)) {
    SliderAt(dragging_, pos.x());
    return;
  }
  int hot = -1;
  for (int i = 0; i < kPaletteColours && hot < 0; ++i) {
    if (PaletteRect(i).contains(pos)) hot = kHitPalette + i;
  }
  for (int j = 0; j < 3 && hot < 0; ++j) {
    if (SliderRect(j).adjusted(-6, -6, 6, 6).contains(pos)) hot = kHitSlider + j;
  }
  if (hot < 0) {
    if (BreatheRect().contains(pos)) hot = kHitBreathe;
    else if (AlwaysOnRect().contains(pos)) hot = kHitAlwaysOn;
    else if (OkRect().contains(pos)) hot = kHitOk;
    else if (CancelRect().contains(pos)) hot = kHitCancel;
  }
  if (hot != hot_) {
    hot_ = hot;
    setCursor(hot >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
}

void ColorPickDlg::mouseReleaseEvent(QMouseEvent*) { dragging_ = -1; }

void ColorPickDlg::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    Finish(true);
    return;
  }
  if (e->key() == Qt::Key_Escape) {
    Finish(false);
    return;
  }
  QDialog::keyPressEvent(e);
}

void ColorPickDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::DrawWindowFrame(p, rect());
  p.setFont(fonts_[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(24, 14, kWidth - 48, 24), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(texts_.Get(TextFamily::button_str, kTextColor)) + QStringLiteral("  \u2014  ") + title_);

  // Palette.
  for (int i = 0; i < kPaletteColours; ++i) {
    const QRect r = PaletteRect(i);
    p.setPen(QPen(hot_ == kHitPalette + i ? ui::kAccent : ui::kLine, hot_ == kHitPalette + i ? 2 : 1));
    p.setBrush(PaletteColour(i));
    p.drawRoundedRect(QRectF(r), 5, 5);
  }

  // Sliders: a track shaded from black to the full component, the knob at the value.
  static const char* kNames[3] = {"R", "G", "B"};
  const lighting::Rgb c = current_.colour();
  for (int j = 0; j < 3; ++j) {
    const QRect r = SliderRect(j);
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, Qt::black);
    g.setColorAt(1, QColor(j == 0 ? 255 : 0, j == 1 ? 255 : 0, j == 2 ? 255 : 0));
    p.setPen(QPen(ui::kLine, 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r), 7, 7);
    const int v = c[static_cast<size_t>(j)];
    const double x = r.x() + v * (r.width() - 1) / 255.0;
    p.setPen(QPen(ui::kTextStrong, 2));
    p.setBrush(hot_ == kHitSlider + j || dragging_ == j ? ui::kAccent : ui::kPanelHot);
    p.drawEllipse(QPointF(x, r.center().y() + 0.5), kKnobRadius, kKnobRadius);
    p.setFont(fonts_[kFont14Bold]);
    p.setPen(ui::kText);
    p.drawText(QRect(24, r.y() - 4, 30, 24), Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(kNames[j]));
    p.setFont(fonts_[kFontMono11]);
    // The value starts clear of the knob, which reaches past the track's end by its radius.
    p.drawText(QRect(r.right() + kKnobRadius + 6, r.y() - 4, 30, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QString::number(v));
  }

  // The chosen colour and its value.
  const QRect swatch(kWidth - 68, 146, 52, 60);
  p.setPen(QPen(ui::kLine, 1));
  p.setBrush(QColor(c[0], c[1], c[2]));
  p.drawRoundedRect(QRectF(swatch), 8, 8);
  p.setFont(fonts_[kFontMono11]);
  p.setPen(ui::kTextDim);
  p.drawText(QRect(swatch.x() - 6, swatch.bottom() + 6, swatch.width() + 12, 18), Qt::AlignCenter,
             QStringLiteral("#") + QString::fromStdString(lighting::RgbHex(c)));

  // Mode.
  ui::DrawCheck(p, BreatheRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, kTextBreathe)),
                !current_.always_on(), hot_ == kHitBreathe, fonts_[kFont14]);
  ui::DrawCheck(p, AlwaysOnRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, kTextAlwaysOn)),
                current_.always_on(), hot_ == kHitAlwaysOn, fonts_[kFont14]);

  ui::DrawButton(p, OkRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, kTextOk)), hot_ == kHitOk,
                 false, fonts_[kFont14], true);
  ui::DrawButton(p, CancelRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, kTextCancel)),
                 hot_ == kHitCancel, false, fonts_[kFont14]);
}

}  // namespace halvric
