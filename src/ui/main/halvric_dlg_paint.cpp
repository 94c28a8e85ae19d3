// Drawing of the main window: the chrome (sidebar, page buttons, window icons), the three pages,
// the hint line and the progress display.

#include "ui/main/halvric_dlg.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "config/text_tables.h"
#include "device/model_layout.h"
#include "services/main_window_model.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "ui/main/main_button_page.h"
#include "ui/main/main_dpi_page.h"
#include "ui/main/main_other_page.h"

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
    case kButtonPage: button_page_->Paint(p); break;
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
  PaintSensorGauge(p);
  PaintDeviceSelector(p);
  PaintBusy(p);
  ctx_.full_redraw.store(false);
}

void CHalvricDlg::PaintSensorGauge(QPainter& p) {
  if (!SensorReadingCapable()) return;
  // In the sidebar above the model's name: the level as a bar, the reading and level as text.
  const QRect box(18, height() - 118, 164, 50);
  p.save();
  p.setFont(fonts_[kFont12]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(box.x(), box.y(), box.width(), 20), Qt::AlignLeft | Qt::AlignVCenter,
             SensorGaugeText(sensor_reading_, sensor_level_));
  const QRectF bar(box.x(), box.y() + 28, box.width(), 8);
  p.setPen(Qt::NoPen);
  p.setBrush(ui::kLine);
  p.drawRoundedRect(bar, 4, 4);
  p.setBrush(ui::kAccent);
  p.drawRoundedRect(QRectF(bar.x(), bar.y(), bar.width() * std::clamp(sensor_level_, 0, 255) / 255.0, bar.height()), 4, 4);
  p.restore();
}

void CHalvricDlg::PaintNoDevice(QPainter& p) {
  p.fillRect(rect(), ui::kBackground);
  p.setFont(fonts_[kFont24]);
  p.setPen(ui::kText);
  p.drawText(rect(), Qt::AlignCenter, T(static_cast<int>(TextFamily::msg_str), text_id::kMsgNoDevice));
  if (!no_device_reason_.isEmpty()) {
    // A mouse is there but cannot be opened: say why and what fixes it, under the message.
    p.setFont(fonts_[kFont14]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(160, height() / 2 + 30, width() - 320, 120), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               no_device_reason_);
  }
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
  const QString model = QString::fromStdString(ModelName(info_));
  p.drawText(QRect(18, height() - 38, 170, 20), Qt::AlignLeft | Qt::AlignVCenter, model);
}

void CHalvricDlg::PaintDeviceSelector(QPainter& p) {
  // When several mice are connected; drawn last, so that the open list lies over the page.
  if (mice_.size() <= 1) return;
  const int entries = selector_open_ ? static_cast<int>(mice_.size()) + 1 : 1;
  for (int e = 0; e < entries; ++e) {
    const QRect r = DeviceSelectorRect(e);
    const bool hot = hover_.kind == kHitDeviceSelector && hover_.index == e;
    p.fillRect(r, ui::kBackground);
    ui::DrawButton(p, r, DeviceSelectorText(e), hot, false, fonts_[kFont12], false);
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
