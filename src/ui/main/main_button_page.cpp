#include "ui/main/main_button_page.h"

#include <QFileDialog>
#include <QPainter>
#include <algorithm>

#include "config/text_tables.h"
#include "device/model_layout.h"
#include "services/app_links.h"
#include "services/main_window_model.h"
#include "services/program_context.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/fitting_font.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"

namespace halvric {

QRect ButtonPage::ProfileBoxRect(int profile) const { return {220 + profile * 156, 62, 146, 52}; }
QRect ButtonPage::ProfileEnableRect(int profile) const {
  const QRect b = ProfileBoxRect(profile);
  return {b.right() - 24, b.y() + 6, 18, 18};
}
QRect ButtonPage::AppAreaRect() const { return {220, 124, 520, 30}; }
QRect ButtonPage::LinkRemoveRect() const { return {714, 129, 20, 20}; }
QRect ButtonPage::ForegroundNoticeRect() const { return {688, 129, 20, 20}; }
int ButtonPage::ColourCellCount() const { return 64; }
QRect ButtonPage::ColourCellRect(int index) const {
  return {564 + (index % 32) * 13, 546 + (index / 32) * 19, 12, 17};
}

QPoint ButtonPage::HotSpotInWindow(int button) const {
  const QPointF h = MouseHotSpot(w_.layout_.row, button);
  const QRectF art(470, 168, 204, 204 * kMouseArtSize.height() / kMouseArtSize.width());
  return QPointF(art.x() + h.x() * art.width() / kMouseArtSize.width(),
                 art.y() + h.y() * art.height() / kMouseArtSize.height())
      .toPoint();
}

QRect ButtonPage::ButtonItemRect(int button) const {
  const int n = w_.DrawnButtons();
  if (button < 0 || button >= n) return {};
  // Buttons on the left half of the picture get the left column, the others the right one.
  int left_count = 0, right_count = 0, my_slot = 0;
  bool left = false;
  for (int i = 0; i < n; ++i) {
    const bool l = MouseHotSpot(w_.layout_.row, i).x() < kMouseArtSize.width() / 2;
    if (i == button) {
      left = l;
      my_slot = l ? left_count : right_count;
    }
    (l ? left_count : right_count)++;
  }
  const int count = left ? left_count : right_count;
  const int step = std::min(46, 360 / std::max(1, count));
  const int y = 170 + my_slot * step;
  return left ? QRect(224, y, 196, std::min(34, step - 4)) : QRect(730, y, 196, std::min(34, step - 4));
}

QRect ButtonPage::CaptureIconRect(int button) const {
  const QRect r = ButtonItemRect(button);
  if (r.isEmpty()) return {};
  const int s = std::min(24, r.height() - 4);
  return r.x() < 500 ? QRect(r.right() + 8, r.center().y() - s / 2, s, s) : QRect(r.right() + 8, r.center().y() - s / 2, s, s);
}

CHalvricDlg::Hit ButtonPage::HitBeforeItems(const QPoint& pos) const {
  // 2. Profile colour cells.
  for (int i = 0; i < ColourCellCount(); ++i) {
    if (ColourCellRect(i).contains(pos)) return {CHalvricDlg::kHitColourCell, i};
  }
  // 3. Key-capture icons.
  for (int b = 0; b < w_.DrawnButtons(); ++b) {
    if (b != w_.protected_button_ && CaptureIconRect(b).contains(pos)) return {CHalvricDlg::kHitCaptureIcon, b};
  }
  return {};
}

CHalvricDlg::Hit ButtonPage::HitAfterItems(const QPoint& pos) const {
  const int profile = w_.ctx_.current_profile.load();
  // 5. Button items, except the protected left click.
  for (int b = 0; b < w_.DrawnButtons(); ++b) {
    if (b != w_.protected_button_ && ButtonItemRect(b).contains(pos)) return {CHalvricDlg::kHitButton, b};
  }
  // 6-8. Profile enable boxes, the application area and the link removal square.
  for (int p = 0; p < kProfileCount; ++p) {
    if (ProfileEnableRect(p).contains(pos)) return {CHalvricDlg::kHitProfileEnable, p};
  }
  const bool linked = profile >= 0 && profile < kAppLinkCount &&
                      !w_.settings_.links[static_cast<size_t>(profile)].path.empty();
  if (linked && LinkRemoveRect().contains(pos)) return {CHalvricDlg::kHitLinkRemove, profile};
  if (AppAreaRect().contains(pos)) return {CHalvricDlg::kHitAppArea, profile};
  return {};
}

CHalvricDlg::Hit ButtonPage::HitProfileBoxes(const QPoint& pos) const {
  // 11. Profile boxes.
  for (int p = 0; p < kProfileCount; ++p) {
    if (ProfileBoxRect(p).contains(pos)) return {CHalvricDlg::kHitProfileBox, p};
  }
  return {};
}

void ButtonPage::PickColour(int index) {
  const int p = w_.ctx_.current_profile.load();
  if (p < 0 || p >= kProfileCount) return;
  std::array<uint8_t, 3> rgb;
  const int i = index;
  if (w_.UsesTwoBitColours()) {
    rgb = {static_cast<uint8_t>(i & 3), static_cast<uint8_t>((i >> 2) & 3), static_cast<uint8_t>(i / 16)};
  } else {
    const QColor c = QColor::fromHsv((i % 32) * 360 / 32, i < 32 ? 255 : 140, 255);
    rgb = {static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
  }
  w_.model_->SetProfileColour(p, rgb);
  w_.UpdateOsdModel();
}

void ButtonPage::SelectProfile(int profile) {
  w_.ctx_.current_profile.store(profile);
  w_.model_->SelectProfile(profile);
  w_.UpdateProtectedButton();
  w_.UpdateOsdModel();
}

void ButtonPage::RenameProfile(int profile) {
  w_.prompt_->mode = CStrDlg::kText;
  w_.prompt_->title = QString::fromStdString(w_.texts_.Get(TextFamily::profile_str));
  w_.prompt_->message = QString::fromStdString(w_.texts_.Get(TextFamily::cap_input_str, text_id::kCapProfileName));
  w_.prompt_->max_length = 8;
  // The name as stored; the shown default ("Profile 1") only when it fits the field, so that the
  // prompt never opens with a default cut short.
  QString name = QString::fromStdString(w_.model_->wc().profiles[static_cast<size_t>(profile)].name);
  if (name.isEmpty()) {
    const QString shown = QString::fromStdString(w_.ProfileName(profile));
    if (shown.size() <= w_.prompt_->max_length) name = shown;
  }
  w_.prompt_->text = name;
  if (w_.prompt_->exec() != QDialog::Accepted || !w_.HasDevice()) return;
  w_.model_->RenameProfile(profile, w_.prompt_->text.left(9).toStdString());
  w_.UpdateOsdModel();
  w_.update();
}

void ButtonPage::CreateLink() {
  const int p = w_.ctx_.current_profile.load();
  if (p < 0 || p >= kAppLinkCount) return;
  const QString file = w_.choose_file ? w_.choose_file(false) : QFileDialog::getOpenFileName(&w_, QString(), QStringLiteral("/usr/bin"));
  if (file.isEmpty()) return;
  w_.prompt_->mode = CStrDlg::kText;
  w_.prompt_->title = QString::fromLatin1(kProductName);
  w_.prompt_->message = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgEnterAppName);
  w_.prompt_->max_length = 64;
  w_.prompt_->text = QString::fromStdString(LinkDisplayName(file.toStdString(), DesktopDescription()));
  if (w_.prompt_->exec() != QDialog::Accepted) return;
  SetLink(w_.settings_, p, file.toStdString(), w_.prompt_->text.toStdString(), DesktopDescription());
  w_.SaveSettings();
  w_.RunForegroundCheck();
  w_.update();
}

void ButtonPage::RemoveLink() {
  const int p = w_.ctx_.current_profile.load();
  if (!halvric::RemoveLink(w_.settings_, p)) return;
  w_.SaveSettings();
  w_.RunForegroundCheck();
  w_.update();
}

void ButtonPage::Paint(QPainter& p) {
  const int current = w_.ctx_.current_profile.load();
  // Profile boxes with their enable box and colour.
  for (int i = 0; i < kProfileCount; ++i) {
    const QRect r = ProfileBoxRect(i);
    const auto& prof = w_.model_->wc().profiles[static_cast<size_t>(i)];
    const bool hot = w_.hover_.kind == CHalvricDlg::kHitProfileBox && w_.hover_.index == i;
    p.setPen(QPen(i == current ? ui::kAccent : (hot ? ui::kTextDim : ui::kLine), i == current ? 2 : 1));
    p.setBrush(i == current ? ui::kPanelHot : ui::kPanel);
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(prof.colour[0], prof.colour[1], prof.colour[2]));
    p.drawRoundedRect(QRectF(r.x() + 12, r.y() + 10, 10, r.height() - 20), 3, 3);
    // The profile's number above its name; a profile named as its number shows it once, centred.
    const QString number =
        QStringLiteral("%1 %2").arg(QString::fromStdString(w_.texts_.Get(TextFamily::profile_str))).arg(i + 1);
    const QString name = QString::fromStdString(w_.ProfileName(i));
    const bool named = name != number;
    if (named) {
      const QRect number_box(r.x() + 32, r.y() + 6, 80, 16);
      p.setFont(ui::FittingFont(w_.fonts_[kFont12], number_box, Qt::AlignLeft | Qt::AlignVCenter, number));
      p.setPen(ui::kTextDim);
      p.drawText(number_box, Qt::AlignLeft | Qt::AlignVCenter, number);
    }
    // The name stops short of the enable box in the top right corner.
    const int name_width = ProfileEnableRect(i).left() - 4 - (r.x() + 32);
    const QRect name_box = named ? QRect(r.x() + 32, r.y() + 22, name_width, 24) : QRect(r.x() + 32, r.y(), name_width, r.height());
    p.setFont(ui::FittingFont(w_.fonts_[kFont16], name_box, Qt::AlignLeft | Qt::AlignVCenter, name));
    p.setPen(ui::kTextStrong);
    p.drawText(name_box, Qt::AlignLeft | Qt::AlignVCenter, name);
    const bool enabled = w_.model_->wc().map.profile_bits != 0 ? (w_.model_->wc().profile_bits >> i) & 1 : !prof.flag;
    ui::DrawCheck(p, ProfileEnableRect(i), QString(), enabled,
                  w_.hover_.kind == CHalvricDlg::kHitProfileEnable && w_.hover_.index == i, w_.fonts_[kFont12]);
  }
  // The application linked to the current profile.
  const QRect app = AppAreaRect();
  const bool app_hot = w_.hover_.kind == CHalvricDlg::kHitAppArea;
  p.setPen(QPen(app_hot ? ui::kAccent : ui::kLine, 1));
  p.setBrush(ui::kPanel);
  p.drawRoundedRect(QRectF(app), 7, 7);
  p.setFont(w_.fonts_[kFont14]);
  QString app_text = QString::fromStdString(w_.texts_.Get(TextFamily::launch_str));
  bool linked = false;
  if (current >= 0 && current < kAppLinkCount && !w_.settings_.links[static_cast<size_t>(current)].path.empty()) {
    app_text = QString::fromStdString(w_.settings_.links[static_cast<size_t>(current)].name);
    linked = true;
  }
  p.setPen(linked ? ui::kTextStrong : ui::kTextDim);
  const int text_end = w_.ForegroundNotice().isEmpty() ? -40 : -(app.right() - ForegroundNoticeRect().left() + 6);
  p.drawText(app.adjusted(12, 0, text_end, 0), Qt::AlignVCenter | Qt::AlignLeft, app_text);
  // A warning sign when links cannot follow every window; the hint and tool tip say why.
  if (!w_.ForegroundNotice().isEmpty()) {
    const QRect sign = ForegroundNoticeRect();
    p.setPen(QPen(ui::kWarn, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(sign).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setFont(w_.fonts_[kFont12]);
    p.drawText(sign, Qt::AlignCenter, QStringLiteral("!"));
  }
  if (linked) {
    const QRect x = LinkRemoveRect();
    p.setPen(QPen(w_.hover_.kind == CHalvricDlg::kHitLinkRemove ? ui::kWarn : ui::kTextDim, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(x), 4, 4);
    p.drawLine(x.topLeft() + QPoint(5, 5), x.bottomRight() - QPoint(5, 5));
    p.drawLine(x.topRight() + QPoint(-5, 5), x.bottomLeft() + QPoint(5, -5));
  }
  // The mouse with its buttons.
  const int n = w_.DrawnButtons();
  int highlight = -1;
  if (w_.hover_.kind == CHalvricDlg::kHitButton || w_.hover_.kind == CHalvricDlg::kHitCaptureIcon) highlight = w_.hover_.index;
  if (w_.capture_.Active()) highlight = w_.capture_.Button();
  const QRectF art(470, 168, 204, 204 * kMouseArtSize.height() / kMouseArtSize.width());
  DrawMouse(p, art, w_.layout_.row, n, highlight);
  for (int b = 0; b < n; ++b) {
    const QRect r = ButtonItemRect(b);
    const QPoint spot = HotSpotInWindow(b);
    const bool left = r.x() < 470;
    const QPoint anchor = left ? QPoint(r.right() + 36, r.center().y()) : QPoint(r.left() - 6, r.center().y());
    const bool is_protected = b == w_.protected_button_;
    const bool hot = (w_.hover_.kind == CHalvricDlg::kHitButton || w_.hover_.kind == CHalvricDlg::kHitCaptureIcon) && w_.hover_.index == b;
    const bool capturing = w_.capture_.Active() && w_.capture_.Button() == b;
    p.setPen(QPen(hot || capturing ? ui::kAccent : QColor(0x3a, 0x40, 0x4c), 1));
    p.drawLine(anchor, spot);
    p.setBrush(hot || capturing ? ui::kAccent : ui::kTextDim);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(spot), 3, 3);
    if (hot && w_.hover_.kind == CHalvricDlg::kHitButton) {
      // The hovered item's glow, pulsing.
      QColor glow = ui::kAccent;
      glow.setAlphaF(0.15 + 0.45 * w_.GlowLevel());
      p.setPen(QPen(glow, 4));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(r).adjusted(-2, -2, 2, 2), 9, 9);
    }
    p.setPen(QPen(capturing ? ui::kAccent : (hot ? ui::kTextDim : ui::kLine), capturing ? 2 : 1));
    p.setBrush(is_protected ? ui::kSidebar : (hot ? ui::kPanelHot : ui::kPanel));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    const int key = w_.layout_.key_index[static_cast<size_t>(b)];
    QString text = QString::fromStdString(w_.ButtonText(current, key));
    if (capturing) {
      text = QString::asprintf(w_.texts_.Get(TextFamily::msg_str, text_id::kMsgCaptureCountdown).c_str(),
                               (w_.capture_.Countdown() + 9) / 10);
    }
    p.setFont(w_.fonts_[kFont10]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(r.x() + 10, r.y() + 1, 40, r.height() - 2), Qt::AlignVCenter | Qt::AlignLeft,
               QStringLiteral("B%1").arg(b + 1));
    p.setFont(capturing ? w_.fonts_[kFont10] : w_.fonts_[kFont14]);
    p.setPen(is_protected ? ui::kTextDim : ui::kTextStrong);
    p.drawText(QRect(r.x() + 36, r.y(), r.width() - 44, r.height()), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
               p.fontMetrics().elidedText(text, Qt::ElideRight, r.width() - 44));
    if (!is_protected) {
      // The quick-binding icon: a small keyboard key.
      const QRect k = CaptureIconRect(b);
      const bool khot = w_.hover_.kind == CHalvricDlg::kHitCaptureIcon && w_.hover_.index == b;
      p.setPen(QPen(khot || capturing ? ui::kAccent : ui::kTextDim, 1.3));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(k).adjusted(2, 4, -2, -4), 3, 3);
      for (int d = 0; d < 3; ++d) p.drawPoint(QPointF(k.x() + 7 + d * 5, k.center().y() - 1));
      p.drawLine(QPointF(k.x() + 8, k.center().y() + 3), QPointF(k.right() - 7, k.center().y() + 3));
    }
  }
  // The remove target and the colour cells of the current profile.
  w_.PaintItem(p, CHalvricDlg::kItemDropTarget);
  const bool two_bit = w_.UsesTwoBitColours();
  for (int i = 0; i < ColourCellCount(); ++i) {
    QColor c;
    if (two_bit) c = QColor((i & 3) * 85, ((i >> 2) & 3) * 85, (i / 16) * 85);
    else c = QColor::fromHsv((i % 32) * 360 / 32, i < 32 ? 255 : 140, 255);
    const QRect r = ColourCellRect(i);
    p.setPen(w_.hover_.kind == CHalvricDlg::kHitColourCell && w_.hover_.index == i ? QPen(Qt::white, 1.5) : Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(r), 2, 2);
  }
  p.setFont(w_.fonts_[kFont12]);
  p.setPen(ui::kTextDim);
  p.drawText(QRect(564, 526, 300, 18), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(w_.texts_.Get(TextFamily::button_str, 46)));
}

}  // namespace halvric
