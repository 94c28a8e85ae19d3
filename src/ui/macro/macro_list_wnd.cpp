#include "ui/macro/macro_list_wnd.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>

#include "config/text_tables.h"
#include "macro/macro_library.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric::ui {

MacroList::MacroList(const AppFonts& fonts, const TextTables& texts, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), fonts_(fonts), texts_(texts) {
  clock_.start();
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(kMacroWidth, kHeight);
}

void MacroList::SetList(Mode mode, const halvric::MacroList* entries, MacroLibrary* library) {
  mode_ = mode;
  entries_ = entries;
  library_ = library;
  result_.clear();
  setWindowTitle(QString::fromStdString(texts_.Get(TextFamily::msg_str, mode == kLibraryMode ? 0 : 1)));
  resize(mode == kLibraryMode ? kLibraryWidth : kMacroWidth, kHeight);
  selected_ = -1;
  scroll_ = first_row_ = 0;
  Rebuild();
}

void MacroList::ListChanged() {
  Rebuild();
  selected_ = std::min(selected_, RowCount() - 1);
  SetFirstRow(first_row_);
  update();
}

bool MacroList::IsOpen(const _MACRO_LIST_ITEM_& folder) const {
  if (mode_ == kMacroMode && library_ != nullptr) return library_->IsExpanded(folder.path);
  const auto it = open_.find(folder.path + "|" + folder.name);
  return it == open_.end() || it->second;
}

void MacroList::Rebuild() {
  rows_.clear();
  if (entries_ == nullptr) return;
  rows_ = VisibleTreeOrder(*entries_, [this](const _MACRO_LIST_ITEM_& folder) { return IsOpen(folder); });
}

const _MACRO_LIST_ITEM_& MacroList::EntryOfRow(int row) const { return (*entries_)[static_cast<size_t>(rows_[static_cast<size_t>(row)])]; }

QRect MacroList::RowRect(int row) const { return {8, kFirstRowY + row * kRowHeight - scroll_, width() - 30, kRowHeight - 4}; }
QRect MacroList::ScrollBarRect() const { return {width() - 16, kFirstRowY, 10, height() - kFirstRowY - 52}; }
QRect MacroList::HideRect() const { return mode_ == kLibraryMode ? QRect(width() - 110, height() - 42, 96, 32) : QRect(); }

int MacroList::RowOf(const std::string& name) const {
  for (int r = 0; r < RowCount(); ++r) {
    if (EntryOfRow(r).name == name) return r;
  }
  return -1;
}

int MacroList::RowAt(const QPoint& pos) const {
  if (pos.x() < 8 || pos.x() >= width() - 22 || pos.y() < kFirstRowY || pos.y() >= height() - 50) return -1;
  const int r = (pos.y() - kFirstRowY + scroll_) / kRowHeight;
  return r >= 0 && r < RowCount() ? r : -1;
}

void MacroList::SetFirstRow(int row) {
  first_row_ = std::clamp(row, 0, std::max(0, RowCount() - 1));
  scroll_ = first_row_ * kRowHeight;
  update();
}

void MacroList::MoveSelection(int delta) {
  if (RowCount() == 0) return;
  selected_ = std::clamp(selected_ + delta, 0, RowCount() - 1);
  // Keep the selection visible.
  const int h = height();
  const int y = kRowHeight * selected_;
  if (y < scroll_) SetFirstRow(selected_);
  else if (y > scroll_ + h - (delta < 0 ? 62 : 102)) SetFirstRow(std::max(0, selected_ - (h - 62) / kRowHeight + 1));
  update();
}

void MacroList::CloseRequest() {
  if (drag_ != kDragNone) releaseMouse();
  drag_ = kDragNone;
  reject();
}

void MacroList::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up: MoveSelection(-1); return;
    case Qt::Key_Down: MoveSelection(1); return;
    case Qt::Key_Delete: {
      // Macro mode only: the file goes at once, without a question.
      if (mode_ != kMacroMode || selected_ < 0 || selected_ >= RowCount()) return;
      const _MACRO_LIST_ITEM_& entry = EntryOfRow(selected_);
      if (entry.IsFolder()) return;
      std::error_code ec;
      std::filesystem::remove(entry.path, ec);
      if (library_ != nullptr) library_->ScanLibrary();
      ListChanged();
      if (on_files_changed) on_files_changed();
      return;
    }
    case Qt::Key_Escape: reject(); return;
    default: QDialog::keyPressEvent(e);
  }
}

void MacroList::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  if (HideRect().contains(pos)) {
    hide();
    return;
  }
  if (ScrollBarRect().contains(pos)) {
    scrollbar_drag_ = true;
    mouseMoveEvent(e);
    return;
  }
  const int row = RowAt(pos);
  if (row < 0) {
    moving_window_ = true;
    move_origin_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
    return;
  }
  selected_ = row;
  pressed_ = row;
  press_pos_ = pos;
  const _MACRO_LIST_ITEM_& entry = EntryOfRow(row);
  if (entry.IsFolder()) {
    const bool open = IsOpen(entry);
    if (mode_ == kMacroMode && library_ != nullptr) library_->SetExpanded(entry.path, !open);
    else open_[entry.path + "|" + entry.name] = !open;
    Rebuild();
    pressed_ = -1;
  } else {
    drag_ = kDragPressed;
  }
  update();
}

void MacroList::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (moving_window_ && (e->buttons() & Qt::LeftButton)) {
    move(e->globalPosition().toPoint() - move_origin_);
    return;
  }
  if (scrollbar_drag_ && (e->buttons() & Qt::LeftButton)) {
    const QRect bar = ScrollBarRect();
    const double f = std::clamp((pos.y() - bar.y()) / static_cast<double>(std::max(1, bar.height())), 0.0, 1.0);
    SetFirstRow(static_cast<int>(f * std::max(0, RowCount() - 1) + 0.5));
    return;
  }
  if (drag_ == kDragPressed && (e->buttons() & Qt::LeftButton)) {
    const QPoint d = pos - press_pos_;
    // More than 2 pixels across or at least 3 down starts a drag; jitter does not.
    if (std::abs(d.x()) > 2 || std::abs(d.y()) >= 3) {
      drag_ = kDragDragging;
      setCursor(Qt::DragCopyCursor);
    }
    return;
  }
  if (drag_ == kDragDragging) return;
  const int row = RowAt(pos);
  if (row != hover_) {
    hover_ = row;
    setCursor(row >= 0 && !EntryOfRow(row).IsFolder() ? Qt::OpenHandCursor : Qt::ArrowCursor);
    update();
  }
}

void MacroList::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  moving_window_ = false;
  scrollbar_drag_ = false;
  const int state = drag_;
  const int pressed = pressed_;
  drag_ = kDragNone;
  pressed_ = -1;
  unsetCursor();
  if (state == kDragDragging && pressed >= 0 && pressed < RowCount() && on_drop) {
    const _MACRO_LIST_ITEM_ entry = EntryOfRow(pressed);
    on_drop(entry, e->globalPosition().toPoint());
  }
  update();
}

void MacroList::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (mode_ == kMacroMode) {
    const int row = RowAt(e->position().toPoint());
    if (row >= 0 && row == selected_) {
      const _MACRO_LIST_ITEM_& entry = EntryOfRow(row);
      if (entry.IsFolder()) {
        mousePressEvent(e);  // a folder opens or closes, as with a single click
        return;
      }
      result_ = entry.path;
      accept();
      return;
    }
    if (selected_ < 0 || selected_ >= RowCount()) {
      // Nothing chosen: the picker closes with an empty result.
      result_.clear();
      accept();
      return;
    }
  }
  mousePressEvent(e);
}

void MacroList::wheelEvent(QWheelEvent* e) {
  if (RowCount() <= 1) return;
  const int rows = wheel_.Rows(e->angleDelta().y(), clock_.elapsed());
  scroll_ = std::clamp(scroll_ + rows * kRowHeight, 0, (RowCount() - 1) * kRowHeight);
  first_row_ = std::clamp(scroll_ / kRowHeight, 0, RowCount() - 1);
  update();
}

void MacroList::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), kSidebar);
  p.setPen(kLine);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.save();
  p.setClipRect(QRect(0, kFirstRowY - 2, width(), height() - kFirstRowY - 50));
  for (int r = first_row_ > 0 ? first_row_ - 1 : 0; r < RowCount(); ++r) {
    const QRect rr = RowRect(r);
    if (rr.top() > height()) break;
    const _MACRO_LIST_ITEM_& e = EntryOfRow(r);
    const bool sel = r == selected_;
    p.setPen(sel ? kAccent : kLine);
    p.setBrush(sel ? kPanelHot : r == hover_ ? kPanel.lighter(115) : kPanel);
    p.drawRoundedRect(QRectF(rr), 6, 6);
    const int indent = 12 + e.depth * 16;
    p.setFont(e.IsFolder() ? fonts_[kFont14Bold] : fonts_[kFont12]);
    p.setPen(e.IsFolder() ? kAccent : kTextStrong);
    QString caption = QString::fromStdString(e.name);
    if (e.IsFolder()) caption = (IsOpen(e) ? QStringLiteral("\u25be ") : QStringLiteral("\u25b8 ")) + caption;
    if (mode_ == kLibraryMode && !e.IsFolder()) {
      p.drawText(rr.adjusted(indent, 2, -8, -rr.height() / 2), Qt::AlignLeft | Qt::AlignVCenter, caption);
      p.setFont(fonts_[kFont10]);
      p.setPen(kTextDim);
      p.drawText(rr.adjusted(indent, rr.height() / 2, -8, -2), Qt::AlignLeft | Qt::AlignVCenter,
                 p.fontMetrics().elidedText(QString::fromStdString(e.desc.empty() ? e.label : e.desc), Qt::ElideRight, rr.width() - indent - 8));
    } else {
      p.drawText(rr.adjusted(indent, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
      if (!e.IsFolder()) {
        p.setFont(fonts_[kFont10]);
        p.setPen(kTextDim);
        p.drawText(rr.adjusted(0, 0, -8, 0), Qt::AlignRight | Qt::AlignVCenter, UiText(texts_, ui_text::kBytes, {static_cast<long long>(e.size)}));
      }
    }
  }
  p.restore();
  // Scroll bar.
  const QRect bar = ScrollBarRect();
  p.setPen(Qt::NoPen);
  p.setBrush(kPanel);
  p.drawRoundedRect(QRectF(bar), 5, 5);
  if (RowCount() > 1) {
    const double f = first_row_ / static_cast<double>(RowCount() - 1);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(bar.x(), bar.y() + f * (bar.height() - 30), bar.width(), 30), 5, 5);
  }
  // Foot: the quick-drop hint, and "Hide" in library mode.
  p.setFont(fonts_[kFont10]);
  p.setPen(kTextDim);
  p.drawText(QRect(10, height() - 46, width() - (mode_ == kLibraryMode ? 130 : 20), 40), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
             QString::fromStdString(texts_.Get(TextFamily::msg_str, 8)));
  if (mode_ == kLibraryMode) DrawButton(p, HideRect(), QString::fromStdString(texts_.Get(TextFamily::button_str, 11)), false, false, fonts_[kFont12]);
}

}  // namespace halvric::ui
