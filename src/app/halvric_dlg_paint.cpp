// Drawing of the main window: the chrome (sidebar, page buttons, window icons), the three pages,
// the hint line and the progress display.

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "ui/kit/app_fonts.h"
#include "app/halvric_dlg.h"
#include "app/main_dpi_page.h"
#include "app/main_other_page.h"
#include "services/main_window_model.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "config/text_tables.h"
#include "device/model_layout.h"

namespace halvric {
void CHalvricDlg::Heading(QPainter& p, const QFont& f, int x, int y, const QString& text) {
  p.setFont(f);
  p.setPen(ui::kAccent);
  p.drawText(QRect(x, y, 300, 22), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.fillRect(QRect(x, y + 24, 36, 2), ui::kAccent);
}

void CHalvricDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(rect(), ui::kBackground);
  if (!HasDevice()) {
    PaintNoDevice(p);
    ctx_.full_redraw.store(false);
    return;
  }
  PaintChrome(p);
  switch (page_) {
    case kButtonPage: PaintButtonPage(p); break;
    case kDpiPage: dpi_page_->Paint(p); break;
    default: other_page_->Paint(p); break;
  }
  for (int i : {item_macro_edit_, item_function_list_}) {
    if (i >= 0 && items_[static_cast<size_t>(i)].page == page_) PaintItem(p, i);
  }
  if (!hint_.isEmpty()) {
    p.setFont(fonts_[kFont12]);
    p.setPen(ui::kTextDim);
    // The hint line sits in the title strip, left of the window icons.
    const int right = mice_.size() > 1 ? 590 : 930;
    p.drawText(QRect(220, 16, right - 220, 20), Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(hint_, Qt::ElideRight, right - 220));
  }
  PaintBusy(p);
  ctx_.full_redraw.store(false);
}

void CHalvricDlg::PaintNoDevice(QPainter& p) {
  p.fillRect(rect(), ui::kBackground);
  p.setFont(fonts_[kFont24]);
  p.setPen(ui::kText);
  p.drawText(rect(), Qt::AlignCenter, T(static_cast<int>(TextFamily::msg_str), text_id::kMsgNoDevice));
  PaintItem(p, kItemHide);
  PaintItem(p, kItemMinimise);
}

void CHalvricDlg::PaintChrome(QPainter& p) {
  p.fillRect(QRect(0, 0, 200, height()), ui::kSidebar);
  // Logo: the icon and the product name.
  AppIcon().paint(&p, QRect(18, 24, 40, 40));
  p.setFont(fonts_[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(66, 24, 130, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TORVANE"));
  p.setFont(fonts_[kFont12]);
  p.setPen(ui::kAccent);
  p.drawText(QRect(66, 44, 130, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("H A L V R I C"));
  for (int i = kItemButtonPage; i <= kItemMinimise; ++i) PaintItem(p, i);
  // The connected model at the foot of the sidebar.
  p.setFont(fonts_[kFont12]);
  p.setPen(ui::kTextDim);
  p.drawText(QRect(18, height() - 56, 170, 18), Qt::AlignLeft | Qt::AlignVCenter,
             T(static_cast<int>(TextFamily::msg_str), text_id::kMsgModel));
  p.setFont(fonts_[kFont14]);
  p.setPen(ui::kText);
  const QString model = QString::fromStdString(ModelName(info_.type_code, info_.protocol_level == 0));
  p.drawText(QRect(18, height() - 38, 170, 20), Qt::AlignLeft | Qt::AlignVCenter, model);
  // Device selector when several mice are connected.
  if (mice_.size() > 1) {
    const int entries = selector_open_ ? static_cast<int>(mice_.size()) + 1 : 1;
    for (int e = 0; e < entries; ++e) {
      const QRect r = DeviceSelectorRect(e);
      const bool hot = hover_.kind == kHitDeviceSelector && hover_.index == e;
      QString caption = e == 0 ? QString::fromStdString(model_->DevicePath()) + QStringLiteral("  \u25be")
                               : QString::fromStdString(mice_[static_cast<size_t>(e - 1)]);
      ui::DrawButton(p, r, caption, hot, false, fonts_[kFont12], false);
    }
  }
}

void CHalvricDlg::PaintItem(QPainter& p, int index) {
  const SettingsItem& it = items_[static_cast<size_t>(index)];
  const bool hot = hover_.kind == kHitItem && hover_.index == index;
  const bool pressed = press_.kind == kHitItem && press_.index == index;
  if (index == kItemHide || index == kItemMinimise) {
    p.save();
    p.setPen(QPen(hot ? ui::kTextStrong : ui::kTextDim, 2, Qt::SolidLine, Qt::RoundCap));
    if (hot) {
      p.setBrush(ui::kPanelHot);
      p.drawRoundedRect(QRectF(it.rect), 6, 6);
    }
    const QRectF r = QRectF(it.rect).adjusted(8, 8, -8, -8);
    if (index == kItemHide) {
      p.drawLine(r.topLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomLeft());
    } else {
      p.drawLine(QPointF(r.left(), r.center().y() + 4), QPointF(r.right(), r.center().y() + 4));
    }
    p.restore();
    return;
  }
  switch (it.kind) {
    case kRadio: {
      p.save();
      if (it.value) {
        p.setPen(Qt::NoPen);
        p.setBrush(ui::kPanelHot);
        p.drawRoundedRect(QRectF(it.rect), 8, 8);
        p.fillRect(QRect(it.rect.x(), it.rect.y() + 8, 3, it.rect.height() - 16), ui::kAccent);
      } else if (hot) {
        p.setPen(Qt::NoPen);
        p.setBrush(ui::kPanel);
        p.drawRoundedRect(QRectF(it.rect), 8, 8);
      }
      p.setFont(fonts_[kFont16]);
      p.setPen(it.value ? ui::kTextStrong : ui::kText);
      p.drawText(it.rect.adjusted(18, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, it.caption);
      p.restore();
      break;
    }
    case kToggle: ui::DrawCheck(p, it.rect, it.caption, it.value != 0, hot, fonts_[kFont14]); break;
    case kPush: ui::DrawButton(p, it.rect, it.caption, hot, pressed, fonts_[kFont14]); break;
    case kDropTarget: {
      p.save();
      const bool target = dragging_ && it.rect.contains(mapFromGlobal(QCursor::pos()));
      p.setPen(QPen(dragging_ ? ui::kAccent : ui::kLine, 1.5, Qt::DashLine));
      p.setBrush(target ? ui::kPanelHot : Qt::transparent);
      p.drawRoundedRect(QRectF(it.rect), 8, 8);
      p.setFont(fonts_[kFont12]);
      p.setPen(dragging_ ? ui::kTextStrong : ui::kTextDim);
      p.drawText(it.rect.adjusted(12, 0, -12, 0), Qt::AlignCenter | Qt::TextWordWrap, it.caption);
      p.restore();
      break;
    }
  }
}

void CHalvricDlg::PaintButtonPage(QPainter& p) {
  const int current = ctx_.current_profile.load();
  // Profile boxes with their enable box and colour.
  for (int i = 0; i < kProfileCount; ++i) {
    const QRect r = ProfileBoxRect(i);
    const auto& prof = model_->wc().profiles[static_cast<size_t>(i)];
    const bool hot = hover_.kind == kHitProfileBox && hover_.index == i;
    p.setPen(QPen(i == current ? ui::kAccent : (hot ? ui::kTextDim : ui::kLine), i == current ? 2 : 1));
    p.setBrush(i == current ? ui::kPanelHot : ui::kPanel);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(prof.colour[0], prof.colour[1], prof.colour[2]));
    p.drawRoundedRect(QRectF(r.x() + 12, r.y() + 10, 10, r.height() - 20), 3, 3);
    p.setFont(fonts_[kFont12]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(r.x() + 32, r.y() + 6, 80, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 %2").arg(QString::fromStdString(texts_.Get(TextFamily::profile_str))).arg(i + 1));
    p.setFont(fonts_[kFont16]);
    p.setPen(ui::kTextStrong);
    p.drawText(QRect(r.x() + 32, r.y() + 22, r.width() - 40, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(prof.display_name));
    const bool enabled = model_->wc().map.profile_bits != 0 ? (model_->wc().profile_bits >> i) & 1 : !prof.flag;
    ui::DrawCheck(p, ProfileEnableRect(i), QString(), enabled,
                  hover_.kind == kHitProfileEnable && hover_.index == i, fonts_[kFont12]);
  }
  // The application linked to the current profile.
  const QRect app = AppAreaRect();
  const bool app_hot = hover_.kind == kHitAppArea;
  p.setPen(QPen(app_hot ? ui::kAccent : ui::kLine, 1));
  p.setBrush(ui::kPanel);
  p.drawRoundedRect(QRectF(app), 7, 7);
  p.setFont(fonts_[kFont14]);
  QString app_text = QString::fromStdString(texts_.Get(TextFamily::launch_str));
  bool linked = false;
  if (current >= 0 && current < kAppLinkCount && !settings_.links[static_cast<size_t>(current)].path.empty()) {
    app_text = QString::fromStdString(settings_.links[static_cast<size_t>(current)].name);
    linked = true;
  }
  p.setPen(linked ? ui::kTextStrong : ui::kTextDim);
  p.drawText(app.adjusted(12, 0, -40, 0), Qt::AlignVCenter | Qt::AlignLeft, app_text);
  if (linked) {
    const QRect x = LinkRemoveRect();
    p.setPen(QPen(hover_.kind == kHitLinkRemove ? ui::kWarn : ui::kTextDim, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(x), 4, 4);
    p.drawLine(x.topLeft() + QPoint(5, 5), x.bottomRight() - QPoint(5, 5));
    p.drawLine(x.topRight() + QPoint(-5, 5), x.bottomLeft() + QPoint(5, -5));
  }
  // The mouse with its buttons.
  const int n = DrawnButtons();
  int highlight = -1;
  if (hover_.kind == kHitButton || hover_.kind == kHitCaptureIcon) highlight = hover_.index;
  if (capture_.Active()) highlight = capture_.Button();
  const QRectF art(470, 168, 204, 204 * kMouseArtSize.height() / kMouseArtSize.width());
  DrawMouse(p, art, layout_.row, n, highlight);
  for (int b = 0; b < n; ++b) {
    const QRect r = ButtonItemRect(b);
    const QPoint spot = HotSpotInWindow(b);
    const bool left = r.x() < 470;
    const QPoint anchor = left ? QPoint(r.right() + 36, r.center().y()) : QPoint(r.left() - 6, r.center().y());
    const bool is_protected = b == protected_button_;
    const bool hot = (hover_.kind == kHitButton || hover_.kind == kHitCaptureIcon) && hover_.index == b;
    const bool capturing = capture_.Active() && capture_.Button() == b;
    p.setPen(QPen(hot || capturing ? ui::kAccent : QColor(0x3a, 0x40, 0x4c), 1));
    p.drawLine(anchor, spot);
    p.setBrush(hot || capturing ? ui::kAccent : ui::kTextDim);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(spot), 3, 3);
    p.setPen(QPen(capturing ? ui::kAccent : (hot ? ui::kTextDim : ui::kLine), capturing ? 2 : 1));
    p.setBrush(is_protected ? ui::kSidebar : (hot ? ui::kPanelHot : ui::kPanel));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    const int key = layout_.key_index[static_cast<size_t>(b)];
    QString text = current >= 0 && current < kProfileCount
                       ? QString::fromStdString(model_->wc().profiles[static_cast<size_t>(current)].buttons[static_cast<size_t>(key)].text)
                       : QString();
    if (capturing) {
      text = QString::asprintf(texts_.Get(TextFamily::msg_str, text_id::kMsgCaptureCountdown).c_str(),
                               (capture_.Countdown() + 9) / 10);
    }
    p.setFont(fonts_[kFont10]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(r.x() + 10, r.y() + 1, 40, r.height() - 2), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("B%1").arg(b + 1));
    p.setFont(capturing ? fonts_[kFont10] : fonts_[kFont14]);
    p.setPen(is_protected ? ui::kTextDim : ui::kTextStrong);
    p.drawText(QRect(r.x() + 36, r.y(), r.width() - 44, r.height()), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
               p.fontMetrics().elidedText(text, Qt::ElideRight, r.width() - 44));
    if (!is_protected) {
      // The quick-binding icon: a small keyboard key.
      const QRect k = CaptureIconRect(b);
      const bool khot = hover_.kind == kHitCaptureIcon && hover_.index == b;
      p.setPen(QPen(khot || capturing ? ui::kAccent : ui::kTextDim, 1.3));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(k).adjusted(2, 4, -2, -4), 3, 3);
      for (int d = 0; d < 3; ++d) p.drawPoint(QPointF(k.x() + 7 + d * 5, k.center().y() - 1));
      p.drawLine(QPointF(k.x() + 8, k.center().y() + 3), QPointF(k.right() - 7, k.center().y() + 3));
    }
  }
  // The remove target and the colour cells of the current profile.
  PaintItem(p, kItemDropTarget);
  const bool two_bit = UsesTwoBitColours();
  for (int i = 0; i < ColourCellCount(); ++i) {
    QColor c;
    if (two_bit) c = QColor((i & 3) * 85, ((i >> 2) & 3) * 85, (i / 16) * 85);
    else c = QColor::fromHsv((i % 32) * 360 / 32, i < 32 ? 255 : 140, 255);
    const QRect r = ColourCellRect(i);
    p.setPen(hover_.kind == kHitColourCell && hover_.index == i ? QPen(Qt::white, 1.5) : Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(r), 2, 2);
  }
  p.setFont(fonts_[kFont12]);
  p.setPen(ui::kTextDim);
  p.drawText(QRect(564, 526, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(texts_.Get(TextFamily::button_str, 46)));
}

void CHalvricDlg::PaintBusy(QPainter& p) {
  if (busy_ == 0) return;
  const QRect bar(220, 574, 784, 8);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::kLine);
  p.drawRoundedRect(QRectF(bar), 4, 4);
  if (progress_ >= 0) {
    p.setBrush(ui::kAccent);
    p.drawRoundedRect(QRectF(bar.x(), bar.y(), bar.width() * std::clamp(progress_, 0.0, 1.0), bar.height()), 4, 4);
  } else {
    p.setBrush(ui::kAccent);
    p.drawRoundedRect(QRectF(bar.x(), bar.y(), bar.width() * 0.15, bar.height()), 4, 4);
  }
}

}  // namespace halvric
