#include "ui/osd/disp_dlg.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "ui/kit/app_fonts.h"
#include "ui/kit/fitting_font.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric {

CDispDlg::CDispDlg(const ReportService& reports, const AppFonts& fonts, const TextTables& texts, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint),
      reports_(reports), fonts_(fonts), texts_(texts) {
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(0, 0, kWidth, kHeight);
}

void CDispDlg::SetModel(const OsdModel& model) { model_ = model; }

namespace {

constexpr double kPanelRadius = 12;
constexpr int kProfilePanel = 44;
constexpr int kAnglePanel = 40;

}  // namespace

std::vector<QRectF> CDispDlg::Panels() const {
  std::vector<QRectF> out;
  int y = 8;
  if (view_.ShowsProfile()) {
    out.emplace_back(8, y, kWidth - 16, kProfilePanel);
    y += 52;
  }
  if (view_.ShowsDpi()) {
    const int h = view_.ShowsScrollLine() ? 80 : 50;
    out.emplace_back(8, y, kWidth - 16, h + 16);
    y += h + 24;
  }
  if (view_.ShowsAngleSnapping()) out.emplace_back(8, y, kWidth - 16, kAnglePanel);
  return out;
}

void CDispDlg::UpdateShape() {
  if (!opaque_) {
    if (!mask().isEmpty()) clearMask();
    return;
  }
  // The window keeps only its panels' rounded shapes (the X shape extension needs no compositor).
  QPainterPath shape;
  for (const QRectF& r : Panels()) shape.addRoundedRect(r, kPanelRadius, kPanelRadius);
  const QRegion region(shape.toFillPolygon().toPolygon());
  setMask(region.isEmpty() ? QRegion(0, 0, 1, 1) : region);
}

void CDispDlg::Present(const OsdPass& pass) {
  if (pass.show && !isVisible()) opaque_ = translucency_ && !translucency_();
  if (pass.draw) {
    view_ = pass.view;
    UpdateShape();
    update();
  }
  if (pass.show && !isVisible()) {
    UpdateShape();
    move(0, 0);
    show();
  }
  if (pass.hide && isVisible()) {
    hide();
    view_ = OsdView{};
    emit faded();
  }
}

void CDispDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(rect(), Qt::transparent);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (view_.alpha <= 0) return;
  // Opaque: no fade, and the panels cover what the shape leaves (a border's blend would show
  // the black of the empty pixels under it).
  p.setOpacity(opaque_ ? 1.0 : view_.alpha / 255.0);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QFont font = fonts_.Sans(18);
  p.setFont(font);
  const QColor panel(0x10, 0x12, 0x17, opaque_ ? 255 : 225);
  const QColor border(0x3f, 0xb6, 0xff, opaque_ ? 255 : 160);
  int y = 8;
  auto draw_panel = [&](int h) {
    p.setPen(QPen(border, 1.2));
    p.setBrush(panel);
    p.drawRoundedRect(QRectF(8, y, kWidth - 16, h), kPanelRadius, kPanelRadius);
  };
  if (view_.ShowsProfile()) {
    draw_panel(kProfilePanel);
    const auto idx = static_cast<size_t>(view_.profile);
    std::array<uint8_t, 3> c = model_.profile_colours[idx];
    if (model_.two_bit_colours) {
      for (uint8_t& v : c) v = static_cast<uint8_t>(std::min(3, static_cast<int>(v)) * 255 / 3);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(c[0], c[1], c[2]));
    p.drawRoundedRect(QRectF(22, y + 12, 20, 20), 4, 4);
    p.setPen(ui::kTextStrong);
    p.drawText(QRect(54, y, kWidth - 70, 44), Qt::AlignVCenter | Qt::AlignLeft,
               QString::fromStdString(model_.profile_names[idx]));
    y += 52;
  }
  if (view_.ShowsDpi()) {
    const bool scroll = view_.ShowsScrollLine();
    const int h = scroll ? 80 : 50;
    draw_panel(h + 16);
    const int level = std::clamp(view_.dpi_level, 0, 4);
    DrawLevelBadge(p, QRectF(20, y + 8, 48, 48), level);
    const bool option = model_.level_options[static_cast<size_t>(level % 4)];
    auto row = [&](int ry, const QString& label, int raw, const QColor& tint) {
      p.setFont(fonts_.Sans(14, true));
      p.setPen(tint);
      p.drawText(QRect(80, ry, 30, 20), Qt::AlignVCenter | Qt::AlignLeft, label);
      p.setFont(fonts_.Sans(18));
      p.setPen(ui::kTextStrong);
      p.drawText(QRect(110, ry - 2, 76, 24), Qt::AlignVCenter | Qt::AlignRight, QString::asprintf("%d", raw * model_.dpi_step));
      const QRectF bar(196, ry + 6, kWidth - 220, 8);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x30, 0x35, 0x40));
      p.drawRoundedRect(bar, 4, 4);
      const double f = std::clamp(raw / static_cast<double>(std::max(1, model_.max_raw_dpi)), 0.0, 1.0);
      p.setBrush(tint);
      p.drawRoundedRect(QRectF(bar.x(), bar.y(), bar.width() * f, bar.height()), 4, 4);
    };
    row(y + 10, option ? QStringLiteral("XH") : QStringLiteral("X"), view_.dpi_x, option ? QColor(0xff, 0xa6, 0x3f) : ui::kAccent);
    row(y + 36, option ? QStringLiteral("YL") : QStringLiteral("Y"), view_.dpi_y, option ? QColor(0x7b, 0xd8, 0x8f) : ui::kAccent2);
    if (scroll) {
      const QRect box(80, y + 62, kWidth - 100, 24);
      const QString hint = UiText(texts_, ui_text::kOsdScrollHint);
      p.setFont(ui::FittingFont(fonts_.Sans(16), box, Qt::AlignVCenter | Qt::AlignLeft, hint));
      p.setPen(ui::kText);
      p.drawText(box, Qt::AlignVCenter | Qt::AlignLeft, hint);
    }
    y += h + 24;
  }
  if (view_.ShowsAngleSnapping()) {
    draw_panel(kAnglePanel);
    const QRect box(22, y, kWidth - 44, 40);
    const QString state = UiText(texts_, view_.angle_snapping ? ui_text::kOsdAngleOn : ui_text::kOsdAngleOff);
    p.setFont(ui::FittingFont(font, box, Qt::AlignVCenter | Qt::AlignLeft, state));
    p.setPen(view_.angle_snapping ? ui::kAccent : ui::kTextDim);
    p.drawText(box, Qt::AlignVCenter | Qt::AlignLeft, state);
  }
}

}  // namespace halvric
