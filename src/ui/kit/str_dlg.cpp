#include "ui/kit/str_dlg.h"

#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "config/text_tables.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"

namespace halvric {
namespace {

constexpr int kWidth = 440;
constexpr int kButtonW = 110;
constexpr int kButtonH = 34;

// Button indices for hit-testing.
constexpr int kHitOk = 0;
constexpr int kHitCancel = 1;
constexpr int kHitThird = 2;
constexpr int kHitCapture = 3;
constexpr int kHitAbsolute = 4;
constexpr int kHitRelative = 5;

QString Caption(const std::string& s) { return QString::fromStdString(s).replace(QStringLiteral("&&"), QStringLiteral("&")); }

}  // namespace

CStrDlg::CStrDlg(const AppFonts& fonts, const TextTables& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), fonts_(fonts), texts_(texts) {
  setModal(true);
  setMouseTracking(true);
  setAttribute(Qt::WA_TranslucentBackground, false);
  auto make_edit = [this] {
    auto* e = new QLineEdit(this);
    e->setFont(fonts_[kFont16]);
    e->setStyleSheet(ui::LineEditStyle());
    e->installEventFilter(this);
    return e;
  };
  edit_ = make_edit();
  x_edit_ = make_edit();
  y_edit_ = make_edit();
  folder_list_ = new QComboBox(this);
  folder_list_->setFont(fonts_[kFont14]);
}

QRect CStrDlg::OkRect() const {
  const int n = showing_three_ ? 3 : showing_one_ ? 1 : 2;
  const int left = (kWidth - n * kButtonW - (n - 1) * 14) / 2;
  return {left, height() - kButtonH - 18, kButtonW, kButtonH};
}
QRect CStrDlg::CancelRect() const { return showing_one_ ? QRect() : OkRect().translated(kButtonW + 14, 0); }
QRect CStrDlg::ThirdRect() const { return showing_three_ ? OkRect().translated(2 * (kButtonW + 14), 0) : QRect(); }
QRect CStrDlg::CaptureRect() const { return running_mode_ == kPosition ? QRect(24, 152, kWidth - 48, 30) : QRect(); }

void CStrDlg::Layout() {
  const bool position = running_mode_ == kPosition;
  const bool field = running_mode_ != kPosition && running_mode_ != kConfirm;
  const bool folder_choice = running_mode_ == kNameFolder && folder_list_->count() > 1;
  // The controls are stacked under the message; the buttons come below the last of them.
  int bottom = 42 + (running_mode_ == kConfirm ? 60 : 36);  // the message
  edit_->setVisible(field);
  edit_->setGeometry(24, 84, kWidth - 48, 32);
  if (field) bottom = edit_->geometry().bottom() + 1;
  x_edit_->setVisible(position);
  y_edit_->setVisible(position);
  x_edit_->setGeometry(60, 80, 120, 30);
  y_edit_->setGeometry(260, 80, 120, 30);
  if (position) bottom = CaptureRect().bottom() + 1;
  folder_list_->setVisible(folder_choice);
  folder_list_->setGeometry(24, bottom + 10, kWidth - 48, 30);
  if (folder_choice) bottom = folder_list_->geometry().bottom() + 1;
  setFixedSize(kWidth, bottom + 16 + kButtonH + 18);
}

int CStrDlg::exec() {
  running_mode_ = mode;
  showing_three_ = three_buttons && mode == kConfirm;
  showing_one_ = message_only && mode == kConfirm && !showing_three_;
  three_buttons = false;
  message_only = false;
  choice = kChoiceCancel;
  capturing_ = false;
  hot_ = pressed_ = -1;
  // Folder list: "Root" first, then the library's folders; hidden unless it offers a choice.
  folder_list_->clear();
  folder_list_->addItem(QString::fromStdString(texts_.Get(TextFamily::msg_str, text_id::kMsgRoot)), 0);
  for (const auto& [id, name] : folders) folder_list_->addItem(name, id);
  const int at = folder_list_->findData(folder);
  folder_list_->setCurrentIndex(at < 0 ? 0 : at);
  edit_->setMaxLength(max_length > 0 ? max_length : 32767);
  edit_->setText(text);
  edit_->selectAll();
  x_edit_->setText(QString::number(x));
  y_edit_->setText(QString::number(y));
  Layout();
  if (parentWidget() != nullptr) {
    const QRect pr = parentWidget()->geometry();
    move(pr.center() - rect().center());
  }
  if (edit_->isVisible()) edit_->setFocus();
  const int r = QDialog::exec();
  mode = kText;
  return r;
}

void CStrDlg::Finish(int c) {
  choice = c;
  if (capturing_) releaseMouse();
  capturing_ = false;
  if (c == kChoiceCancel) {
    QDialog::reject();
    return;
  }
  x = x_edit_->text().toInt();
  y = y_edit_->text().toInt();
  folder = folder_list_->currentData().toInt();
  text = edit_->text();
  if (running_mode_ == kNumber) {
    // A number that is not one reads as 0; one above the maximum is held at the maximum.
    bool ok = false;
    const int v = text.toInt(&ok);
    text = QString::number(ok ? std::min(v, max_value) : 0);
  }
  accept();
}

void CStrDlg::CloseRequest() {
  if (!isVisible()) return;
  Finish(kChoiceCancel);
}

void CStrDlg::reject() { Finish(kChoiceCancel); }

bool CStrDlg::NumberKey(QString& field, QChar key, int max_value) {
  if (!key.isDigit()) return false;
  bool ok = false;
  const int v = field.toInt(&ok);
  if (ok && v >= max_value) {
    field = QString::number(max_value);
    return false;
  }
  field += key;
  return true;
}

bool CStrDlg::CoordinateKey(QString& field, int cursor, QChar key, bool absolute, bool is_y) {
  if (key == QLatin1Char('-')) {
    if (absolute || cursor != 0 || field.startsWith(QLatin1Char('-'))) return false;
    field.insert(0, key);
    return true;
  }
  if (!key.isDigit()) return false;
  const long long v = field.toLongLong();
  if (absolute) {
    if (v > 32766) {
      field = QStringLiteral("65535");
      return false;
    }
    if (is_y && v < 0) {
      field = QStringLiteral("0");
      return false;
    }
  } else {
    if (v > 32766) {
      field = QStringLiteral("32767");
      return false;
    }
    if (v < -32768) {
      field = QStringLiteral("-32768");
      return false;
    }
  }
  field.insert(std::clamp(cursor, 0, static_cast<int>(field.size())), key);
  return true;
}

bool CStrDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* ke = static_cast<QKeyEvent*>(event);
  const int key = ke->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Finish(kChoiceOk);
    return true;
  }
  if (key == Qt::Key_Escape) {
    Finish(kChoiceCancel);
    return true;
  }
  // Editing and moving keys pass; typed characters follow the field's rules.
  if (key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Left || key == Qt::Key_Right ||
      key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Tab || ke->text().isEmpty()) {
    return QDialog::eventFilter(watched, event);
  }
  auto* field = static_cast<QLineEdit*>(watched);
  const QChar ch = ke->text().at(0);
  if (watched == edit_ && running_mode_ == kNumber) {
    if (field->hasSelectedText()) field->del();
    QString t = field->text();
    if (NumberKey(t, ch, max_value)) {
      if (t.size() <= field->maxLength()) field->setText(t);
    } else {
      field->setText(t);
    }
    return true;
  }
  if (watched == x_edit_ || watched == y_edit_) {
    if (field->hasSelectedText()) field->del();
    QString t = field->text();
    const int cursor = field->cursorPosition();
    const bool accepted = CoordinateKey(t, cursor, ch, absolute != 0, watched == y_edit_);
    field->setText(t);
    field->setCursorPosition(accepted ? cursor + 1 : static_cast<int>(t.size()));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

int CStrDlg::ButtonAt(const QPoint& pos) const {
  if (OkRect().contains(pos)) return kHitOk;
  if (!showing_one_ && CancelRect().contains(pos)) return kHitCancel;
  if (showing_three_ && ThirdRect().contains(pos)) return kHitThird;
  if (running_mode_ == kPosition) {
    if (CaptureRect().contains(pos)) return kHitCapture;
    if (QRect(60, 120, 150, 24).contains(pos)) return kHitRelative;
    if (QRect(260, 120, 150, 24).contains(pos)) return kHitAbsolute;
  }
  return -1;
}

void CStrDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  pressed_ = ButtonAt(e->position().toPoint());
  if (pressed_ == kHitCapture) {
    capturing_ = true;
    grabMouse(Qt::CrossCursor);
  }
  update();
}

void CStrDlg::mouseMoveEvent(QMouseEvent* e) {
  if (capturing_) {
    const QPoint g = QCursor::pos();
    x_edit_->setText(QString::number(g.x()));
    y_edit_->setText(QString::number(g.y()));
    return;
  }
  const int h = ButtonAt(e->position().toPoint());
  if (h != hot_) {
    hot_ = h;
    setCursor(h >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
  }
}

void CStrDlg::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (capturing_) {
    capturing_ = false;
    releaseMouse();
    pressed_ = -1;
    update();
    return;
  }
  const int h = ButtonAt(e->position().toPoint());
  const int was = pressed_;
  pressed_ = -1;
  update();
  if (h != was) return;
  switch (h) {
    case kHitOk: Finish(kChoiceOk); break;
    case kHitCancel: Finish(kChoiceCancel); break;
    case kHitThird: Finish(kChoiceThird); break;
    case kHitAbsolute: absolute = 1; update(); break;
    case kHitRelative: absolute = 0; update(); break;
    default: break;
  }
}

void CStrDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), ui::kPanel);
  p.setPen(QPen(ui::kAccent, 2));
  p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  p.fillRect(QRect(0, 0, width(), 4), ui::kAccent);
  p.setFont(fonts_[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(24, 14, width() - 48, 24), Qt::AlignLeft | Qt::AlignVCenter, title);
  p.setFont(fonts_[kFont14]);
  p.setPen(ui::kText);
  const int msg_h = running_mode_ == kConfirm ? 60 : 36;
  p.drawText(QRect(24, 42, width() - 48, msg_h), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, message);
  if (running_mode_ == kPosition) {
    p.drawText(QRect(24, 80, 36, 30), Qt::AlignVCenter, QStringLiteral("X"));
    p.drawText(QRect(224, 80, 36, 30), Qt::AlignVCenter, QStringLiteral("Y"));
    auto radio = [&](const QRect& r, bool on, const QString& caption) {
      p.setPen(QPen(ui::kAccent, 1.5));
      p.setBrush(on ? ui::kAccent : Qt::transparent);
      p.drawEllipse(QRectF(r.x() + 2, r.y() + 5, 14, 14));
      p.setPen(ui::kText);
      p.drawText(r.adjusted(22, 0, 0, 0), Qt::AlignVCenter, caption);
    };
    radio(QRect(60, 120, 150, 24), absolute == 0, QString::fromStdString(texts_.Get(TextFamily::msg_str, text_id::kMsgRelative)));
    radio(QRect(260, 120, 150, 24), absolute != 0, QString::fromStdString(texts_.Get(TextFamily::msg_str, text_id::kMsgAbsolute)));
    ui::DrawButton(p, CaptureRect(), Caption(texts_.Get(TextFamily::button_str, text_id::kBtnCapture)), hot_ == kHitCapture,
                   capturing_, fonts_[kFont14]);
  }
  QString captions[3] = {Caption(texts_.Get(TextFamily::button_str, text_id::kBtnOk)), Caption(texts_.Get(TextFamily::button_str, text_id::kBtnCancel)),
                         QString()};
  if (showing_three_) {
    // The three-button captions are language texts that English leaves empty.
    captions[0] = Caption(texts_.Get(TextFamily::button_tip_str, text_id::kTipYes));
    captions[1] = Caption(texts_.Get(TextFamily::button_tip_str, text_id::kTipCancel));
    captions[2] = Caption(texts_.Get(TextFamily::button_tip_str, text_id::kTipNo));
  }
  ui::DrawButton(p, OkRect(), captions[0], hot_ == kHitOk, pressed_ == kHitOk, fonts_[kFont14], true);
  if (!showing_one_) {
    ui::DrawButton(p, CancelRect(), captions[1], hot_ == kHitCancel, pressed_ == kHitCancel, fonts_[kFont14]);
  }
  if (showing_three_) {
    ui::DrawButton(p, ThirdRect(), captions[2], hot_ == kHitThird, pressed_ == kHitThird, fonts_[kFont14]);
  }
}

}  // namespace halvric
