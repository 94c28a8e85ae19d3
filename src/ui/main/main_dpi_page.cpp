#include "ui/main/main_dpi_page.h"

#include <QPainter>
#include <algorithm>

#include "config/text_tables.h"
#include "device/model_layout.h"
#include "services/main_window_model.h"
#include "services/program_context.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/fitting_font.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric {

QRect DpiPage::LevelEnableRect(int level) const {
  const QRect b = LevelBoxRect(level);
  return {b.right() - 26, b.y() + 8, 18, 18};
}

void DpiPage::LayoutSliders() {
  sliders_.clear();
  const WorkingCopy& wc = w_.model_->wc();
  const int level = std::clamp(wc.dpi_level, 0, kDpiLevels - 1);
  const auto& v = wc.dpi[static_cast<size_t>(level)];
  const int max_dpi = w_.MaxRawDpi();
  using W = CHalvricDlg;
  sliders_.push_back({W::kSliderDpiX, W::kDpiPage, QRect(300, 258, 600, 20), 1, max_dpi, std::max<int>(1, v[0])});
  sliders_.push_back({W::kSliderDpiY, W::kDpiPage, QRect(300, 318, 600, 20), 1, max_dpi, std::max<int>(1, v[1])});
  sliders_.push_back({W::kSliderRate, W::kDpiPage, QRect(300, 418, 600, 20), 0, 7, 7 - std::clamp(wc.rate_code, 0, 7)});
  sliders_.push_back(
      {W::kSliderLift, W::kDpiPage, QRect(300, 488, 600, 20), 0, 8192, std::min<int>(w_.model_->Lift(), 8192)});
}

int DpiPage::SliderIndex(CHalvricDlg::SliderKind kind) const {
  for (size_t i = 0; i < sliders_.size(); ++i) {
    if (sliders_[i].kind == kind) return static_cast<int>(i);
  }
  return -1;
}

QPoint DpiPage::SliderPoint(CHalvricDlg::SliderKind kind, int value) const {
  const int i = SliderIndex(kind);
  if (i < 0) return {};
  const CHalvricDlg::Slider& s = sliders_[static_cast<size_t>(i)];
  const double f = (value - s.minimum) / static_cast<double>(std::max(1, s.maximum - s.minimum));
  return {s.track.x() + static_cast<int>(f * s.track.width() + 0.5), s.track.center().y()};
}

int DpiPage::SliderValue(CHalvricDlg::SliderKind kind) const {
  const int i = SliderIndex(kind);
  return i < 0 ? 0 : sliders_[static_cast<size_t>(i)].value;
}

CHalvricDlg::Hit DpiPage::HitLevels(const QPoint& pos) const {
  for (int l = 0; l < kDpiLevels; ++l) {
    if (LevelEnableRect(l).contains(pos)) return {CHalvricDlg::kHitLevelEnable, l};
  }
  for (int l = 0; l < kDpiLevels; ++l) {
    if (LevelBoxRect(l).contains(pos)) return {CHalvricDlg::kHitLevelBox, l};
  }
  return {};
}

CHalvricDlg::Hit DpiPage::HitSliders(const QPoint& pos) const {
  // The track with a margin for the knob.
  for (size_t i = 0; i < sliders_.size(); ++i) {
    if (sliders_[i].page == w_.page_ && sliders_[i].track.adjusted(-8, -8, 8, 8).contains(pos)) {
      return {CHalvricDlg::kHitSlider, static_cast<int>(i)};
    }
  }
  return {};
}

void DpiPage::MoveSlider(int index, const QPoint& pos) {
  CHalvricDlg::Slider& s = sliders_[static_cast<size_t>(index)];
  const double f = std::clamp((pos.x() - s.track.x()) / static_cast<double>(std::max(1, s.track.width())), 0.0, 1.0);
  int value = s.minimum + static_cast<int>(f * (s.maximum - s.minimum) + 0.5);
  switch (s.kind) {
    case CHalvricDlg::kSliderDpiX:
    case CHalvricDlg::kSliderDpiY: SetDpiFromSlider(s.kind, std::max(1, value)); break;
    case CHalvricDlg::kSliderRate:
      s.value = value;
      w_.model_->SetRate(7 - value);
      w_.timer4_.start(1000);
      break;
    case CHalvricDlg::kSliderLift:
      s.value = value;
      w_.model_->SetLift(static_cast<uint16_t>(value));
      w_.timer9_.start(1000);
      break;
  }
  w_.update();
}

void DpiPage::SetDpiFromSlider(CHalvricDlg::SliderKind kind, int value) {
  const WorkingCopy& wc = w_.model_->wc();
  const int level = std::clamp(wc.dpi_level, 0, kDpiLevels - 1);
  const auto& xy = wc.dpi[static_cast<size_t>(level)];
  int x = xy[0], y = xy[1];
  (kind == CHalvricDlg::kSliderDpiX ? x : y) = value;
  const bool x_over_y = level < 4 && w_.level_options_[static_cast<size_t>(level)];
  if (x_over_y) {
    if (kind == CHalvricDlg::kSliderDpiX && x < y) y = x;
    if (kind == CHalvricDlg::kSliderDpiY && y > x) x = y;
  } else if (w_.items_[CHalvricDlg::kItemXYIndependent].value == 0) {
    (kind == CHalvricDlg::kSliderDpiX ? y : x) = value;
  }
  w_.model_->SetDpi(level, static_cast<uint8_t>(x), static_cast<uint8_t>(y));
  sliders_[static_cast<size_t>(SliderIndex(CHalvricDlg::kSliderDpiX))].value = x;
  sliders_[static_cast<size_t>(SliderIndex(CHalvricDlg::kSliderDpiY))].value = y;
  w_.timer3_.start(200);
}

void DpiPage::SelectLevel(int level) {
  w_.model_->SelectDpiLevel(level);
  w_.SaveDpiState();
  w_.ctx_.current_dpi_level.store(level);
  LayoutSliders();
  w_.timer3_.start(1000);
}

void DpiPage::ToggleLevelEnable(int level) {
  w_.model_->ToggleDpiLevel(level);
  w_.SaveDpiState();
  w_.timer3_.start(1000);
}

void DpiPage::EditLift() {
  CStrDlg& prompt = *w_.prompt_;
  prompt.mode = CStrDlg::kNumber;
  prompt.title = w_.T(static_cast<int>(TextFamily::type_str), 18);
  prompt.message = QString();
  prompt.max_value = 8192;
  prompt.max_length = 5;
  prompt.text = QString::asprintf("%d", static_cast<int>(w_.model_->Lift()));
  if (prompt.exec() == QDialog::Accepted) {
    w_.model_->SetLift(static_cast<uint16_t>(prompt.text.toInt()));
    LayoutSliders();
    w_.timer9_.start(1000);
  }
  w_.update();
}

void DpiPage::Paint(QPainter& p) {
  const AppFonts& fonts = w_.fonts_;
  const WorkingCopy& wc = w_.model_->wc();
  const CHalvricDlg::Hit& hover = w_.hover_;
  const int current = wc.dpi_level;
  for (int l = 0; l < kDpiLevels; ++l) {
    const QRect r = LevelBoxRect(l);
    const bool hot = hover.kind == CHalvricDlg::kHitLevelBox && hover.index == l;
    const bool enabled = (wc.dpi_mask >> l) & 1;
    p.setPen(QPen(l == current ? ui::kAccent : (hot ? ui::kTextDim : ui::kLine), l == current ? 2 : 1));
    p.setBrush(l == current ? ui::kPanelHot : ui::kPanel);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    DrawLevelBadge(p, QRectF(r.x() + 10, r.y() + 10, 30, 30), l);
    const QRect name_box(r.x() + 48, r.y() + 10, LevelEnableRect(l).left() - r.x() - 52, 30);
    const QString name = UiText(w_.texts_, ui_text::kDpiLevel, {l + 1});
    p.setFont(ui::FittingFont(fonts[kFont12], name_box, Qt::AlignVCenter | Qt::AlignLeft, name));
    p.setPen(enabled ? ui::kText : ui::kTextDim);
    p.drawText(name_box, Qt::AlignVCenter | Qt::AlignLeft, name);
    const auto xy = wc.dpi[static_cast<size_t>(l)];
    p.setFont(fonts[kFont20]);
    p.setPen(enabled ? ui::kTextStrong : ui::kTextDim);
    p.drawText(QRect(r.x() + 10, r.y() + 44, r.width() - 20, 28), Qt::AlignVCenter | Qt::AlignLeft,
               xy[0] == xy[1] ? QString::number(xy[0] * wc.dpi_step)
                              : QStringLiteral("%1/%2").arg(xy[0] * wc.dpi_step).arg(xy[1] * wc.dpi_step));
    ui::DrawCheck(p, LevelEnableRect(l), QString(), enabled,
                  hover.kind == CHalvricDlg::kHitLevelEnable && hover.index == l, fonts[kFont12]);
  }
  for (int n = 0; n < 4; ++n) w_.PaintItem(p, CHalvricDlg::kItemLevelOption0 + n);
  w_.PaintItem(p, CHalvricDlg::kItemXYIndependent);
  auto label = [&](int y, const QString& name, const QString& value) {
    p.setFont(fonts[kFont14]);
    p.setPen(ui::kText);
    p.drawText(QRect(224, y, 70, 24), Qt::AlignVCenter | Qt::AlignLeft, name);
    p.setFont(fonts[kFont16]);
    p.setPen(ui::kTextStrong);
    p.drawText(QRect(910, y, 94, 24), Qt::AlignVCenter | Qt::AlignRight, value);
  };
  CHalvricDlg::Heading(p, fonts[kFont14Bold], 224, 226, UiText(w_.texts_, ui_text::kDpiLevelHeading, {current + 1}));
  label(256, QStringLiteral("X"), QString::number(SliderValue(CHalvricDlg::kSliderDpiX) * wc.dpi_step));
  label(316, QStringLiteral("Y"), QString::number(SliderValue(CHalvricDlg::kSliderDpiY) * wc.dpi_step));
  CHalvricDlg::Heading(p, fonts[kFont14Bold], 224, 374,
                       w_.T(static_cast<int>(TextFamily::button_str), text_id::kBtnReportRate));
  label(416, QString(), QString::asprintf("%dHz", ReportRateHz(7 - SliderValue(CHalvricDlg::kSliderRate))));
  CHalvricDlg::Heading(p, fonts[kFont14Bold], 224, 446, w_.T(static_cast<int>(TextFamily::type_str), 18));
  // Until the mouse has reported its lift setting the value is shown as unknown, not as 0.
  label(486, QString(),
        w_.model_->LiftKnown() ? QString::number(SliderValue(CHalvricDlg::kSliderLift)) : QStringLiteral("\u2013"));
  for (size_t i = 0; i < sliders_.size(); ++i) PaintSlider(p, static_cast<int>(i));
}

void DpiPage::PaintSlider(QPainter& p, int index) {
  const CHalvricDlg::Slider& s = sliders_[static_cast<size_t>(index)];
  if (s.page != w_.page_) return;
  const QRectF track(s.track.x(), s.track.center().y() - 3, s.track.width(), 6);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::kLine);
  p.drawRoundedRect(track, 3, 3);
  // An unknown lift setting shows its bare track: no knob pretends it is 0.
  if (s.kind == CHalvricDlg::kSliderLift && !w_.model_->LiftKnown()) return;
  const double f = (s.value - s.minimum) / static_cast<double>(std::max(1, s.maximum - s.minimum));
  QLinearGradient g(track.topLeft(), track.topRight());
  g.setColorAt(0, ui::kAccent);
  g.setColorAt(1, ui::kAccent2);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(track.x(), track.y(), track.width() * f, track.height()), 3, 3);
  const bool hot = (w_.hover_.kind == CHalvricDlg::kHitSlider && w_.hover_.index == index) || w_.dragging_slider_ == index;
  p.setBrush(ui::kTextStrong);
  p.setPen(QPen(ui::kAccent, hot ? 3 : 2));
  p.drawEllipse(QPointF(track.x() + track.width() * f, track.center().y()), hot ? 9 : 8, hot ? 9 : 8);
}

}  // namespace halvric
