#include "ui/lighting/color_dlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QToolTip>
#include <chrono>

#include "config/text_tables.h"
#include "lighting/colour_picker.h"
#include "lighting/lighting_operations.h"
#include "services/device_jobs.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"
#include "ui/lighting/color_pick_dlg.h"

namespace halvric {
namespace {

constexpr int kTextLightEffect = 45;
constexpr int kTextSetAllLights = 59;
constexpr auto kFirstTickDelay = std::chrono::milliseconds(100);
constexpr auto kTickPeriod = std::chrono::milliseconds(90);

QColor Lit(const lighting::Rgb& c, int brightness) {
  return QColor(c[0] * brightness / 255, c[1] * brightness / 255, c[2] * brightness / 255);
}

}  // namespace

ColorDlg::ColorDlg(DeviceJobs& session, const AppFonts& fonts, const TextTables& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), session_(session), fonts_(fonts), texts_(texts) {
  setFixedSize(kWidth, kHeight);
  setMouseTracking(true);
  setWindowTitle(QString::fromStdString(texts_.Get(TextFamily::button_str, kTextLightEffect)));
  prompt_ = new CStrDlg(fonts_, texts_, this);
}

ColorDlg::~ColorDlg() { StopPreview(); }

void ColorDlg::OpenFor(const std::string& path, int art_row, lighting::RandomFn random) {
  StopPreview();
  path_ = path;
  art_row_ = art_row;
  loaded_ = false;
  hover_zone_ = hover_button_ = -1;
  zone_tip_.clear();
  const int generation = ++generation_;
  model_ = std::make_shared<lighting::LightingWindowModel>(MouseAt(session_.Device(), path_), std::move(random));
  if (parentWidget() != nullptr) move(parentWidget()->geometry().center() - rect().center());
  open();
  auto model = model_;
  QPointer<ColorDlg> self(this);
  session_.Post([model](DeviceLayer&, WorkingCopy&) { model->Open(); },
                [self, generation] {
                  if (!self || generation != self->generation_ || !self->isVisible()) return;
                  self->loaded_ = true;
                  self->StartPreview();
                  self->update();
                  emit self->loaded();
                });
}

int ColorDlg::effect() const { return model_ ? model_->effect() : 0; }

lighting::PreviewModel ColorDlg::Snapshot() const {
  return model_ ? model_->Snapshot() : lighting::PreviewModel(lighting::ModelLightingFor(3, 0));
}

void ColorDlg::StartPreview() {
  if (preview_.joinable()) return;
  auto model = model_;
  preview_ = std::jthread([this, model](std::stop_token stop) {
    std::unique_lock l(preview_mu_);
    auto wait = kFirstTickDelay;
    while (!preview_cv_.wait_for(l, stop, wait, [] { return false; })) {
      if (stop.stop_requested()) return;
      wait = kTickPeriod;
      model->Tick();
      QMetaObject::invokeMethod(this, [this] { update(PictureRect()); }, Qt::QueuedConnection);
    }
  });
}

void ColorDlg::StopPreview() {
  if (!preview_.joinable()) return;
  preview_.request_stop();
  preview_.join();
  preview_ = std::jthread();
}

void ColorDlg::RefreshRequest() {
  update();
  if (picker_) picker_->update();
}

void ColorDlg::CloseRequest() {
  if (picker_) picker_->CloseRequest();
  if (isVisible()) reject();
}

void ColorDlg::done(int result) {
  StopPreview();
  ++generation_;
  QDialog::done(result);
}

QRectF ColorDlg::ArtRect() const {
  const QRect pic = PictureRect();
  const double h = pic.height() - 16;
  const double w = h * kMouseArtSize.width() / kMouseArtSize.height();
  return {pic.x() + (pic.width() - w) / 2, pic.y() + 4.0, w, h};
}

QRect ColorDlg::ZoneRect(int zone) const {
  if (zone < 0 || zone >= lighting::kPictureZones || !model_) return {};
  const auto snap = model_->Snapshot();
  if (!snap.zones()[static_cast<size_t>(zone)].shown) return {};
  // Where the zone sits comes with the picture (its zone elements).
  const QRectF spot = MouseZoneArea(art_row_, zone);
  if (spot.isEmpty()) return {};
  const QRectF art = ArtRect();
  const double sx = art.width() / kMouseArtSize.width();
  const double sy = art.height() / kMouseArtSize.height();
  const QPointF c(art.x() + spot.center().x() * sx, art.y() + spot.center().y() * sy);
  const double r = spot.width() / 2 * sx + 3;
  return QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r).toAlignedRect();
}

int ColorDlg::ZoneAt(const QPoint& pos) const {
  for (int z = 0; z < lighting::kPictureZones; ++z) {
    if (ZoneRect(z).contains(pos)) return z;
  }
  return -1;
}

void ColorDlg::ChooseEffect(int effect) {
  if (effect < 0 || effect >= lighting::kEffectCount || !model_) return;
  auto model = model_;
  QPointer<ColorDlg> self(this);
  session_.Post([model, effect](DeviceLayer&, WorkingCopy&) { model->ChooseEffect(effect); },
                [self, effect] {
                  if (!self) return;
                  self->update();
                  emit self->effectSent(effect);
                });
}

void ColorDlg::OpenPicker(int zone) {
  if (!model_ || picker_) return;
  auto model = model_;
  const std::string path = path_;
  auto made = std::make_shared<std::shared_ptr<lighting::ColourPicker>>();
  QPointer<ColorDlg> self(this);
  // The picker starts from the zone table as last read; when the picture showed a preset effect
  // the table has not been read yet, so it is read now.
  session_.Post(
      [model, path, zone, made](DeviceLayer& dev, WorkingCopy&) {
        const Mouse mouse = MouseAt(dev, path);
        std::vector<lighting::LedZoneRecord> records = model->Records();
        if (records.empty()) lighting::ReadLightingBlock(mouse, records);
        const lighting::PickerTarget target =
            zone >= 0 ? lighting::PickerTarget::One(zone) : lighting::PickerTarget::All(model->Snapshot().model().zones);
        *made = std::make_shared<lighting::ColourPicker>(mouse, target, records);
      },
      [self, zone, made] {
        if (!self || !self->isVisible() || self->picker_) return;
        const QString title = zone >= 0 ? UiText(self->texts_, ui_text::kZone, {zone})
                                        : QString::fromStdString(self->texts_.Get(TextFamily::button_str, kTextSetAllLights));
        auto* dlg = new ColorPickDlg(self->session_, *made, title, self->fonts_, self->texts_, self);
        dlg->setAttribute(Qt::WA_DeleteOnClose);
        self->picker_ = dlg;
        connect(dlg, &ColorPickDlg::stored, self, [self](bool ok) {
          if (self) self->AfterStore(ok);
        });
        dlg->move(self->geometry().center() - dlg->rect().center());
        dlg->open();
        emit self->pickerOpened();
      });
}

void ColorDlg::AfterStore(bool stored) {
  if (!model_) return;
  // The picture is rebuilt from the mouse, as "Customize" shows the stored zones; after a failed
  // store it shows what the zones hold now, part of the colours stored or none.
  auto m = model_;
  const std::string path = path_;
  auto answered = std::make_shared<bool>(true);
  const int generation = generation_;
  QPointer<ColorDlg> self(this);
  session_.Post(
      [m, path, stored, answered](DeviceLayer& dev, WorkingCopy&) {
        if (!stored) {
          std::vector<lighting::LedZoneRecord> zones;
          *answered = lighting::ReadLightingBlock(MouseAt(dev, path), zones);
        }
        m->Open();
      },
      [self, stored, answered, generation] {
        if (!self || generation != self->generation_ || !self->isVisible()) return;
        self->update();
        if (stored) return;
        self->prompt_->mode = CStrDlg::kConfirm;
        self->prompt_->message_only = true;
        self->prompt_->title = self->windowTitle();
        self->prompt_->message = UiText(self->texts_, ui_text::kUpgradeWriteError);
        self->prompt_->exec();
        if (*answered || !self) return;
        // A mouse that does not answer: the window closes rather than show zones nobody can
        // confirm, and the main window reads the mouse again.
        if (self->isVisible()) self->reject();
        if (self->mouse_not_answering) self->mouse_not_answering();
      });
}

std::vector<lighting::LedZoneRecord> ColorDlg::Records() const {
  return model_ ? model_->Records() : std::vector<lighting::LedZoneRecord>{};
}

void ColorDlg::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  int button = -1;
  for (int i = 0; i < lighting::kEffectCount; ++i) {
    if (EffectRect(i).adjusted(0, 0, 150, 0).contains(pos)) button = i;
  }
  if (SetAllRect().contains(pos)) button = 10;
  if (CloseRect().contains(pos)) button = 11;
  const int zone = loaded_ ? ZoneAt(pos) : -1;
  if (zone != hover_zone_) {
    hover_zone_ = zone;
    if (zone >= 0) {
      zone_tip_ = UiText(texts_, ui_text::kZone, {zone});
      QToolTip::showText(e->globalPosition().toPoint(), zone_tip_, this, ZoneRect(zone));
    } else {
      zone_tip_.clear();
      QToolTip::hideText();
    }
    update();
  }
  if (button != hover_button_) {
    hover_button_ = button;
    update();
  }
  setCursor(button >= 0 || zone >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ColorDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  if (CloseRect().contains(pos)) {
    reject();
    return;
  }
  if (!loaded_) return;
  for (int i = 0; i < lighting::kEffectCount; ++i) {
    if (EffectRect(i).adjusted(0, 0, 150, 0).contains(pos)) {
      ChooseEffect(i);
      return;
    }
  }
  if (SetAllRect().contains(pos)) {
    OpenPicker(-1);
    return;
  }
  const int zone = ZoneAt(pos);
  if (zone >= 0) OpenPicker(zone);
}

void ColorDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  ui::DrawWindowFrame(p, rect(), 210);

  p.setFont(fonts_[kFont16]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(20, 14, 300, 28), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(texts_.Get(TextFamily::button_str, kTextLightEffect)));

  // Close button.
  const QRect cr = CloseRect();
  p.setPen(QPen(hover_button_ == 11 ? ui::kTextStrong : ui::kTextDim, 2));
  p.drawLine(cr.topLeft() + QPoint(8, 8), cr.bottomRight() - QPoint(8, 8));
  p.drawLine(cr.topRight() + QPoint(-8, 8), cr.bottomLeft() + QPoint(8, -8));

  // Effect buttons, the current one selected.
  const int current = loaded_ ? effect() : -1;
  for (int i = 0; i < lighting::kEffectCount; ++i) {
    const QRect r = EffectRect(i);
    const bool hot = hover_button_ == i;
    p.setPen(QPen(i == current ? ui::kAccent : (hot ? ui::kText : ui::kLine), 2));
    p.setBrush(ui::kPanel);
    p.drawEllipse(QRectF(r).adjusted(1, 1, -1, -1));
    if (i == current) {
      p.setPen(Qt::NoPen);
      p.setBrush(ui::kAccent);
      p.drawEllipse(QRectF(r).adjusted(6, 6, -6, -6));
    }
    p.setFont(fonts_[kFont14]);
    p.setPen(i == current ? ui::kTextStrong : (hot ? ui::kText : ui::kTextDim));
    p.drawText(QRect(r.right() + 12, r.y(), 150, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(texts_.Get(TextFamily::button_str, lighting::kEffectTextBase + i)));
  }
  ui::DrawButton(p, SetAllRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, kTextSetAllLights)),
                 hover_button_ == 10, false, fonts_[kFont14], true);

  // The picture: the mouse and its zones in their current colours, each with a glow.
  const QRectF art = ArtRect();
  DrawMouse(p, art, art_row_, 0);
  if (!model_ || !loaded_) return;
  const lighting::PreviewModel snap = model_->Snapshot();
  const double sx = art.width() / kMouseArtSize.width();
  for (int z = 0; z < lighting::kPictureZones; ++z) {
    const lighting::PictureZone& pz = snap.zones()[static_cast<size_t>(z)];
    if (!pz.shown) continue;
    const QRectF zr = ZoneRect(z);
    if (zr.isEmpty()) continue;  // the picture has no such zone
    const QPointF c = zr.center();
    const double radius = MouseZoneArea(art_row_, z).width() / 2 * sx;
    const QColor lit = Lit(pz.colour, pz.brightness);
    QRadialGradient glow(c, radius * 2.2);
    QColor halo = lit;
    halo.setAlpha(150);
    glow.setColorAt(0, halo);
    glow.setColorAt(1, QColor(lit.red(), lit.green(), lit.blue(), 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, radius * 2.2, radius * 2.2);
    p.setPen(QPen(z == hover_zone_ ? ui::kTextStrong : QColor(0, 0, 0, 160), z == hover_zone_ ? 2 : 1));
    p.setBrush(lit);
    p.drawEllipse(c, radius, radius);
  }
  p.setFont(fonts_[kFont12]);
  p.setPen(ui::kTextDim);
  if (!zone_tip_.isEmpty()) p.drawText(QRect(230, 50, 300, 20), Qt::AlignLeft | Qt::AlignVCenter, zone_tip_);
}

}  // namespace halvric
