// The button setting dialog: pointer, wheel and keys.

#include "ui/button/button_set_dlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

#include "config/text_tables.h"
#include "ui/kit/key_capture.h"

namespace halvric {

// ---------------------------------------------------------------------------------------------
// Input

void CButtonSetDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  // A click while a key-cycle key is awaited abandons that key and then acts as usual, so that
  // the dialog's buttons and tabs are never dead.
  if (cycle_capture_) EndCycleCapture();
  for (int p = 0; p < kPageCount; ++p) {
    if (PageTabRect(p).contains(pos)) {
      ShowPage(p);
      return;
    }
  }
  if (ConfirmRect().contains(pos)) return Confirm();
  if (CancelRect().contains(pos)) return Cancel();
  if (DefaultRect().contains(pos)) return SetDefault();
  if (sliders_shown_) {
    for (int i = 0; i < slider_count_; ++i) {
      if (SliderTrack(i).adjusted(-6, -8, 6, 8).contains(pos)) {
        dragging_slider_ = i;
        SetSliderFromPoint(i, pos);
        return;
      }
      for (bool up : {false, true}) {
        if (SliderArrowRect(i, up).contains(pos)) {
          StepSlider(i, up);
          repeat_slider_ = i;
          repeat_up_ = up;
          repeat_count_ = 0;
          timer3_.start(AutoRepeatDelayMs(0));
          return;
        }
      }
    }
  }
  switch (page_) {
    case kPageMouse:
    case kPageAdvanced:
      for (int i = 0; i < static_cast<int>(catalogue_.size()); ++i) {
        if (EntryRect(i).contains(pos)) return ChooseEntry(i);
      }
      break;
    case kPageKeyboard: {
      const int k = keyboard_.KeyAt(pos.x(), pos.y());
      if (k >= 0) return ClickKey(k);
      for (int i = 0; i < PresetCount(); ++i) {
        if (PresetRect(i).contains(pos)) return ChoosePreset(i);
      }
      break;
    }
    case kPageMacro:
      if (MacroListRect().contains(pos)) {
        macro_press_ = pos;
        macro_press_scroll_ = macro_scroll_target_;
        macro_dragging_ = false;
        macro_row_drag_ = false;
        return;
      }
      for (int a = kMacroLoad; a <= kMacroEditor; ++a) {
        if (MacroActionRect(a).contains(pos)) return RunMacroAction(a);
      }
      break;
    case kPageKeyCycle:
      for (int n = 0; n < 3; ++n) {
        if (CycleTypeRect(n).contains(pos)) return SetCycleType(n);
      }
      if (CycleAddRect().contains(pos)) return StartCycleCapture();
      if (CycleClearRect().contains(pos) && request_.key_cycle != nullptr) {
        (*request_.key_cycle)[0] = 0;
        cycle_edited_ = true;
        update();
        return;
      }
      break;
    default: break;
  }
  // Anywhere else the window moves with the pointer.
  moving_window_ = true;
  drag_origin_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CButtonSetDlg::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (moving_window_ && (e->buttons() & Qt::LeftButton)) {
    move(e->globalPosition().toPoint() - drag_origin_);
    return;
  }
  if (dragging_slider_ >= 0 && (e->buttons() & Qt::LeftButton)) {
    SetSliderFromPoint(dragging_slider_, pos);
    return;
  }
  if (page_ == kPageMacro && (e->buttons() & Qt::LeftButton) && !macro_press_.isNull()) {
    const int dy = pos.y() - macro_press_.y();
    // Out of the list to the right: the row goes to the editor instead of scrolling the list.
    if (!macro_row_drag_ && pos.x() > MacroListRect().right()) {
      macro_row_drag_ = true;
      macro_dragging_ = false;
      macro_scroll_target_ = macro_press_scroll_;
      setCursor(Qt::DragMoveCursor);
    }
    if (macro_row_drag_) return;
    if (std::abs(dy) > 3) macro_dragging_ = true;
    if (macro_dragging_) {
      const int limit = std::max(0, (static_cast<int>(rows_.size()) - 1) * kMacroRowHeight);
      macro_scroll_target_ = std::clamp(macro_press_scroll_ - dy, 0, limit);
    }
    return;
  }
  int key = page_ == kPageKeyboard ? keyboard_.KeyAt(pos.x(), pos.y()) : -1;
  if (key != hover_key_) {
    hover_key_ = key;
    if (key >= 0) {
      const ScreenKey& k = keyboard_.keys[static_cast<size_t>(key)];
      SetHint(QString::fromStdString(k.consumer_usage != 0
                                         ? Describe(ButtonAssignment::Consumer(k.consumer_usage))
                                         : Describe(ButtonAssignment::Keyboard(k.modifier, k.modifier ? 0 : k.usage))));
    }
    update();
  }
}

void CButtonSetDlg::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  moving_window_ = false;
  dragging_slider_ = -1;
  repeat_slider_ = -1;
  timer3_.stop();
  if (page_ == kPageMacro && !macro_press_.isNull()) {
    const bool dragged = macro_dragging_;
    const bool row_drag = macro_row_drag_;
    const QPoint press = macro_press_;
    macro_dragging_ = false;
    macro_row_drag_ = false;
    macro_press_ = {};
    if (row_drag) {
      unsetCursor();
      if (!MacroEditDropRect().contains(pos)) return;
      // The row pressed on is chosen, then edited.
      ClickMacroRow((press.y() - MacroListRect().y() - 4 + macro_scroll_ % kMacroRowHeight) / kMacroRowHeight);
      if (const _MACRO_LIST_ITEM_* entry = SelectedMacroEntry()) EditAfterClose(*entry);
      return;
    }
    if (!dragged && MacroListRect().contains(pos)) {
      const int row = (pos.y() - MacroListRect().y() - 4 + macro_scroll_ % kMacroRowHeight) / kMacroRowHeight;
      ClickMacroRow(row);
    }
  }
}

void CButtonSetDlg::wheelEvent(QWheelEvent* e) {
  if (page_ != kPageMacro || rows_.size() <= 1) return;
  ScrollMacroRows(wheel_.Rows(e->angleDelta().y(), NowMs()));
}

void CButtonSetDlg::keyPressEvent(QKeyEvent* e) {
  if (cycle_capture_) {
    if (e->isAutoRepeat()) return;
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    int scan = x11 && e->nativeScanCode() > 8 ? ScanCodeFromEvdev(static_cast<int>(e->nativeScanCode()) - 8) : 0;
    if (scan == 0) scan = ScanCodeFromQtKey(e->key(), (e->modifiers() & Qt::KeypadModifier) != 0);
    if (scan != 0) CycleKey(scan);
    return;
  }
  if (page_ == kPageMacro && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
    ScrollMacroRows(e->key() == Qt::Key_Up ? -1 : 1);
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace halvric
