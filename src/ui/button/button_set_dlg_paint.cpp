// Drawing of the button setting dialog: title strip, page tabs, the five pages, the slider panel,
// the description line with the three closing buttons, and the fading hint in the title strip.

#include "ui/button/button_set_dlg.h"

#include <QPainter>
#include <algorithm>

#include "config/text_tables.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/fitting_font.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric {
void CButtonSetDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::DrawWindowFrame(p, rect());

  // Title strip and page tabs.
  p.setFont(fonts_[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(20, 8, 270, 30), Qt::AlignLeft | Qt::AlignVCenter, T(static_cast<int>(TextFamily::button_str), 0));
  for (int i = 0; i < kPageCount; ++i) {
    const int text = i == kPageKeyCycle ? 6 : i;
    ui::DrawButton(p, PageTabRect(i), T(static_cast<int>(TextFamily::class_str), text), false, false,
                   fonts_[kFont14], page_ == i);
  }

  switch (page_) {
    case kPageMouse:
    case kPageAdvanced:
      for (int i = 0; i < static_cast<int>(catalogue_.size()); ++i) {
        const QRect r = EntryRect(i);
        if (r.isEmpty()) continue;
        const _FITEM_& e = catalogue_[static_cast<size_t>(i)];
        ui::DrawButton(p, r, QString(), false, false, fonts_[kFont12], i == selected_entry_ && e.Assignment().type == assignment_.type);
        if (e.highlight > 0) {
          QColor glow = ui::kAccent;
          glow.setAlphaF(0.35f * e.highlight);
          p.setPen(Qt::NoPen);
          p.setBrush(glow);
          p.drawRoundedRect(QRectF(r), 7, 7);
        }
        p.setFont(fonts_[kFont12]);
        p.setPen(i == selected_entry_ ? QColor(0x08, 0x0a, 0x10) : ui::kText);
        p.drawText(r.adjusted(14, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(e.name));
      }
      break;
    case kPageKeyboard: {
      for (size_t i = 0; i < keyboard_.keys.size(); ++i) {
        const ScreenKey& k = keyboard_.keys[i];
        const QRect r = KeyRect(static_cast<int>(i));
        const bool hot = static_cast<int>(i) == hover_key_;
        p.setPen(QPen(k.selected ? ui::kAccent : hot ? ui::kTextDim : ui::kLine, 1.2));
        p.setBrush(k.selected ? ui::kAccent : hot ? ui::kPanelHot : ui::kPanel);
        p.drawRoundedRect(QRectF(r), 4, 4);
        const QString name = QString::fromStdString(k.name);
        const QRect label = r.adjusted(2, 0, -2, 0);
        p.setFont(ui::FittingFont(k.small_font ? fonts_[kFont10] : fonts_[kFont12], label, Qt::AlignCenter | Qt::TextWordWrap, name, 8));
        p.setPen(k.selected ? QColor(0x08, 0x0a, 0x10) : ui::kTextStrong);
        p.drawText(label, Qt::AlignCenter | Qt::TextWordWrap, name);
      }
      for (int i = 0; i < PresetCount(); ++i) {
        ui::DrawButton(p, PresetRect(i), PresetCaption(i), false, false, fonts_[kFont12]);
      }
      break;
    }
    case kPageMacro: {
      const QRect list = MacroListRect();
      p.setPen(ui::kLine);
      p.setBrush(ui::kPanel);
      p.drawRoundedRect(QRectF(list), 8, 8);
      p.save();
      p.setClipRect(list.adjusted(2, 2, -2, -2));
      const int first = macro_scroll_ / kMacroRowHeight;
      const int visible = list.height() / kMacroRowHeight + 2;
      for (int v = 0; v < visible; ++v) {
        const int r = first + v;
        if (r >= static_cast<int>(rows_.size()) || macros_ == nullptr) break;
        const MacroRow& row = rows_[static_cast<size_t>(r)];
        const _MACRO_LIST_ITEM_& e = (*macros_)[static_cast<size_t>(row.entry)];
        const QRect rr = MacroRowRect(v);
        if (r == macro_selected_) {
          p.setPen(Qt::NoPen);
          p.setBrush(ui::kAccent2);
          p.drawRoundedRect(QRectF(rr), 5, 5);
        }
        const int indent = 12 + e.depth * 22;
        p.setFont(row.group ? fonts_[kFont14Bold] : fonts_[kFont12]);
        p.setPen(row.group ? ui::kAccent : ui::kText);
        QString caption = QString::fromStdString(e.name);
        if (row.group) caption = (group_open_[e.name] ? QStringLiteral("\u25be  ") : QStringLiteral("\u25b8  ")) + caption;
        p.drawText(rr.adjusted(indent, 0, -160, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
        if (!row.group) {
          // The right-hand label says what the row does beyond its name: the library's
          // description, the function when it differs from the name, a mouse macro's size.
          QString detail = QString::fromStdString(e.desc);
          if (detail.isEmpty() && e.inMouse != 0) detail = UiText(texts_, ui_text::kBytes, {static_cast<long long>(e.size)});
          if (detail.isEmpty() && e.label != e.name) detail = QString::fromStdString(e.label);
          p.setPen(ui::kTextDim);
          p.drawText(rr.adjusted(0, 0, -10, 0), Qt::AlignRight | Qt::AlignVCenter, detail);
        }
      }
      p.restore();
      p.setFont(fonts_[kFont12]);
      p.setPen(ui::kTextDim);
      // The drop area for editing, and the file and editor actions.
      const QRect drop = MacroEditDropRect();
      p.setPen(QPen(macro_row_drag_ ? ui::kAccent : ui::kLine, 1, Qt::DashLine));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(drop), 8, 8);
      p.setPen(ui::kTextDim);
      p.drawText(drop.adjusted(16, 0, -16, 0), Qt::AlignCenter | Qt::TextWordWrap, T(static_cast<int>(TextFamily::drag_tip_str), 2));
      ui::DrawButton(p, MacroActionRect(kMacroLoad), T(static_cast<int>(TextFamily::button_tip_str), 35), false, false,
                     fonts_[kFont12]);
      ui::DrawButton(p, MacroActionRect(kMacroSave), T(static_cast<int>(TextFamily::msg_str), 2), false, false, fonts_[kFont12]);
      ui::DrawButton(p, MacroActionRect(kMacroEditor), T(static_cast<int>(TextFamily::button_str), 33), false, false,
                     fonts_[kFont12]);
      break;
    }
    case kPageKeyCycle: {
      p.setFont(fonts_[kFont14]);
      p.setPen(ui::kText);
      p.drawText(QRect(40, 100, 400, 24), Qt::AlignLeft | Qt::AlignVCenter, T(static_cast<int>(TextFamily::msg_str), 41));
      for (int n = 0; n < 3; ++n) {
        const bool on = assignment_.type == function_type::kKeyCyclePositive + n;
        ui::DrawButton(p, CycleTypeRect(n), T(static_cast<int>(TextFamily::msg_str), 42 + n), false, false,
                       fonts_[kFont12], on);
      }
      p.setPen(ui::kText);
      p.drawText(QRect(40, 190, 400, 24), Qt::AlignLeft | Qt::AlignVCenter, T(static_cast<int>(TextFamily::msg_str), 40));
      const int count = request_.key_cycle != nullptr ? std::min<int>((*request_.key_cycle)[0], kMaxCycleKeys) : 0;
      for (int i = 0; i < kMaxCycleKeys; ++i) {
        const QRect r(40 + i * 190, 224, 178, 56);
        const bool capturing = cycle_capture_ && i == count;
        p.setPen(QPen(capturing ? ui::kAccent : ui::kLine, capturing ? 2 : 1));
        p.setBrush(i < count ? ui::kPanelHot : ui::kPanel);
        p.drawRoundedRect(QRectF(r), 7, 7);
        QString text;
        if (i < count || capturing) {
          const auto& b = *request_.key_cycle;
          const int mods = b[static_cast<size_t>(1 + 2 * i)];
          const int usage = b[static_cast<size_t>(2 + 2 * i)];
          text = QString::fromStdString(Describe(ButtonAssignment::Keyboard(mods, usage)));
          if (capturing && text.isEmpty()) text = QStringLiteral("\u2026");
        }
        p.setFont(fonts_[kFont12]);
        p.setPen(ui::kTextStrong);
        p.drawText(r.adjusted(6, 0, -6, 0), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("%1. %2").arg(i + 1).arg(text));
      }
      ui::DrawButton(p, CycleAddRect(), T(static_cast<int>(TextFamily::msg_str), 45), false, cycle_capture_, fonts_[kFont12],
                     cycle_capture_);
      ui::DrawButton(p, CycleClearRect(), T(static_cast<int>(TextFamily::button_str), 20), false, false, fonts_[kFont12]);
      break;
    }
    default: break;
  }

  // The parameter panel.
  if (sliders_shown_) {
    p.setPen(ui::kLine);
    p.setBrush(ui::kSidebar);
    p.drawRoundedRect(QRectF(20, 468, 984, 74), 8, 8);
    for (int i = 0; i < slider_count_; ++i) {
      const SliderState& s = sliders_[static_cast<size_t>(i)];
      const QRect t = SliderTrack(i);
      p.setFont(fonts_[kFont12]);
      p.setPen(ui::kText);
      p.drawText(QRect(30, t.center().y() - 10, 90, 20), Qt::AlignLeft | Qt::AlignVCenter, s.label);
      ui::DrawButton(p, SliderArrowRect(i, false), QStringLiteral("\u2212"), false, false, fonts_[kFont12]);
      ui::DrawButton(p, SliderArrowRect(i, true), QStringLiteral("+"), false, false, fonts_[kFont12]);
      p.setPen(Qt::NoPen);
      p.setBrush(ui::kPanel);
      p.drawRoundedRect(QRectF(t), 6, 6);
      const double f = (s.value - s.minimum) / static_cast<double>(std::max(1, s.maximum - s.minimum));
      p.setBrush(ui::kAccent);
      p.drawRoundedRect(QRectF(t.x(), t.y(), t.width() * f, t.height()), 6, 6);
      p.drawEllipse(QPointF(t.x() + t.width() * f, t.center().y() + 0.5), 9, 9);
      p.setPen(ui::kTextStrong);
      const QString unit = assignment_.type == function_type::kRapidFire || assignment_.type == function_type::kFireButton
                               ? QStringLiteral(" ms")
                               : QStringLiteral(" DPI");
      p.drawText(QRect(t.right() + 50, t.center().y() - 10, 200, 20), Qt::AlignLeft | Qt::AlignVCenter,
                 QString::number(s.value * s.step) + unit);
    }
  }

  // Description and closing buttons.
  p.setFont(fonts_[kFont14]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(20, 552, 570, 36), Qt::AlignLeft | Qt::AlignVCenter,
             p.fontMetrics().elidedText(description_, Qt::ElideRight, 570));
  ui::DrawButton(p, DefaultRect(), T(static_cast<int>(TextFamily::button_str), text_id::kBtnDefault), false, false, fonts_[kFont14]);
  ui::DrawButton(p, CancelRect(), T(static_cast<int>(TextFamily::button_str), text_id::kBtnCancel), false, false, fonts_[kFont14]);
  ui::DrawButton(p, ConfirmRect(), T(static_cast<int>(TextFamily::button_str), text_id::kBtnOk), false, false, fonts_[kFont14], true);

  // The hint, faded in and out in the title strip.
  if (hint_alpha_ > 0) {
    QColor c = ui::kTextDim;
    c.setAlpha(hint_alpha_);
    p.setPen(c);
    p.setFont(fonts_[kFont12]);
    const QRect r = HintRect();
    p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, p.fontMetrics().elidedText(hint_, Qt::ElideLeft, r.width()));
  }
}

}  // namespace halvric
