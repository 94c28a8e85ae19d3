// The macro editor: keys and pointer, recorded or used to edit.

#include "ui/macro/macro_edit.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "config/working_copy.h"
#include "macro/instruction_text.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "macro/macro_space.h"
#include "macro/macro_storage.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_capture.h"
#include "ui/kit/key_resources.h"
#include "ui/kit/str_dlg.h"

namespace halvric {
namespace {

constexpr int kDragThreshold = 3;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Recording input

RecordOutput MacroEdit::Output() {
  RecordOutput out;
  out.append = [this](const _MACRO_ITEM_& it) { Append(it); };
  out.insert = [this](const std::vector<_MACRO_ITEM_>& items) { InsertItems(items); };
  return out;
}

int MacroEdit::ScanCodeOf(const QKeyEvent* e) const {
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  int scan = x11 && e->nativeScanCode() > 8 ? ScanCodeFromEvdev(static_cast<int>(e->nativeScanCode()) - 8) : 0;
  if (scan == 0) scan = ScanCodeFromQtKey(e->key(), (e->modifiers() & Qt::KeypadModifier) != 0);
  return scan;
}

void MacroEdit::ForwardMouse(uint8_t down, uint8_t up, int wheel_delta, const QPoint& global_pos) {
  if (recorder_.capture_state() == MacroRecorder::kIdle) return;
  RecordMouseEvent ev;
  ev.buttons_down = down;
  ev.buttons_up = up;
  ev.wheel_delta = wheel_delta;
  ev.x = global_pos.x();
  ev.y = global_pos.y();
  ev.time_ms = Now();
  const QPoint local = mapFromGlobal(global_pos);
  ev.over_record_controls = isVisible() && (CommandRect(kCmdRecord).contains(local) || CommandRect(kCmdCapture).contains(local));
  const bool was_capturing = recorder_.capturing();
  recorder_.OnMouse(ev, Output());
  if (was_capturing && !recorder_.capturing()) releaseKeyboard();
}

void MacroEdit::keyPressEvent(QKeyEvent* e) {
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    if (e->isAutoRepeat() && !recorder_.recording()) return;
    const bool was_capturing = recorder_.capturing();
    recorder_.OnKey({ScanCodeOf(e), true, Now()}, Output());
    if (was_capturing && !recorder_.capturing()) releaseKeyboard();
    return;
  }
  const bool ctrl_only = (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier)) ==
                         Qt::ControlModifier;
  const int n = static_cast<int>(macro_.items.size());
  switch (e->key()) {
    case Qt::Key_Escape: close(); return;
    case Qt::Key_F2: RenameRow(selected_row_); return;
    case Qt::Key_Delete: DeleteSelection(); return;
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const int d = e->key() == Qt::Key_Up ? -1 : 1;
      const QPoint pointer = mapFromGlobal(QCursor::pos());
      if (PanelArea().contains(pointer)) {
        if (rows_.size() > 1) selected_row_ = std::clamp(selected_row_ + d, 0, static_cast<int>(rows_.size()) - 1);
      } else {
        cursor_ = std::clamp(cursor_ + d, 0, n);
        sel_first_ = sel_last_ = cursor_ < n ? cursor_ : -1;
        ScrollToCursor();
      }
      update();
      return;
    }
    default: break;
  }
  if (ctrl_only) {
    switch (e->key()) {
      case Qt::Key_A:
        if (n > 0) {
          sel_first_ = 0;
          sel_last_ = n - 1;
        }
        update();
        return;
      case Qt::Key_C: CopySelection(); return;
      case Qt::Key_X:
        CopySelection();
        DeleteSelection();
        return;
      case Qt::Key_V: Paste(); return;
      default: break;
    }
  }
  QWidget::keyPressEvent(e);
}

void MacroEdit::keyReleaseEvent(QKeyEvent* e) {
  if (!recorder_.recording() || e->isAutoRepeat()) return;
  recorder_.OnKey({ScanCodeOf(e), false, Now()}, Output());
}

// ---------------------------------------------------------------------------------------------
// Pointer

namespace {
uint8_t ButtonBit(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return 0x01;
    case Qt::RightButton: return 0x02;
    case Qt::MiddleButton: return 0x04;
    case Qt::BackButton: return 0x08;
    case Qt::ForwardButton: return 0x10;
    default: return 0;
  }
}
}  // namespace

void MacroEdit::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    // The record/stop control itself is not recorded; its click stops the recording.
    if (recorder_.recording() && e->button() == Qt::LeftButton && CommandRect(kCmdRecord).contains(pos)) {
      ToggleRecording();
      return;
    }
    ForwardMouse(ButtonBit(e->button()), 0, 0, e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  press_pos_ = pos;
  drag_ = kDragNone;
  drag_started_ = false;
  for (int c = 0; c < kCommandCount; ++c) {
    if (CommandRect(static_cast<Command>(c)).contains(pos)) {
      RunCommand(static_cast<Command>(c));
      return;
    }
  }
  if (busy_) return;
  if (NameRect().contains(pos)) {
    drag_ = kDragMacro;
    return;
  }
  if (const int row = PanelRowAt(pos); row >= 0) {
    selected_row_ = row;
    const PanelRow& r = rows_[static_cast<size_t>(row)];
    if (r.kind == kRowFolder) {
      const std::string path = deps_.library->macros()[static_cast<size_t>(r.index)].path;
      deps_.library->SetExpanded(path, !deps_.library->IsExpanded(path));
      RefreshPanel();
      return;
    }
    drag_ = kDragEntry;
    drag_from_ = row;
    update();
    return;
  }
  if (const int i = InstructionRowAt(pos); i >= 0) {
    const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    const int n = static_cast<int>(macro_.items.size());
    if (shift && i < n) {
      const int anchor = sel_first_ >= 0 ? sel_first_ : std::min(cursor_, n - 1);
      sel_first_ = std::min(anchor, i);
      sel_last_ = std::max(anchor, i);
    } else {
      cursor_ = i;
      sel_first_ = sel_last_ = i < n ? i : -1;
      if (i < n) {
        drag_ = kDragInstruction;
        drag_from_ = i;
      }
    }
    update();
  }
}

void MacroEdit::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    ForwardMouse(0, 0, 0, e->globalPosition().toPoint());
    return;
  }
  pointer_ = pos;
  if (drag_ != kDragNone && (e->buttons() & Qt::LeftButton)) {
    const QPoint d = pos - press_pos_;
    if (!drag_started_ && (std::abs(d.x()) > kDragThreshold || std::abs(d.y()) > kDragThreshold)) {
      drag_started_ = true;
      setCursor(Qt::DragMoveCursor);
    }
    if (TipText() != shown_tip_) update();
    return;
  }
  int hot = -1;
  for (int c = 0; c < kCommandCount; ++c) {
    if (CommandRect(static_cast<Command>(c)).contains(pos)) hot = c;
  }
  if (hot != hot_command_) {
    hot_command_ = hot;
    update();
  } else if (TipText() != shown_tip_) {
    update();
  }
}

void MacroEdit::leaveEvent(QEvent*) {
  pointer_ = {-1, -1};
  hot_command_ = -1;
  update();
}

void MacroEdit::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    if (recorder_.recording() && e->button() == Qt::LeftButton && CommandRect(kCmdRecord).contains(pos)) return;
    ForwardMouse(0, ButtonBit(e->button()), 0, e->globalPosition().toPoint());
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  const Drag drag = drag_;
  const bool started = drag_started_;
  drag_ = kDragNone;
  drag_started_ = false;
  unsetCursor();
  if (!started) return;
  switch (drag) {
    case kDragInstruction:
      if (InstructionArea().contains(pos)) {
        MoveInstruction(drag_from_, InstructionRowAt(pos));
      } else if (PanelArea().contains(pos) && drag_from_ < static_cast<int>(macro_.items.size())) {
        // Dragged out of the list onto the macro list: the instruction is removed.
        sel_first_ = sel_last_ = drag_from_;
        DeleteSelection();
      }
      break;
    case kDragMacro:
      if (const int row = PanelRowAt(pos); row >= 0) SaveOntoRow(row);
      break;
    case kDragEntry:
      if (InstructionArea().contains(pos) || NameRect().contains(pos)) LoadRow(drag_from_);
      break;
    default: break;
  }
  update();
}

void MacroEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (recorder_.capture_state() == MacroRecorder::kIdle && e->button() == Qt::LeftButton) {
    if (NameRect().contains(pos)) {
      QString name = QString::fromStdString(macro_.name);
      if (AskText(T(static_cast<int>(TextFamily::cap_input_str), 2), static_cast<int>(kMaxMacroNameChars), name)) {
        macro_.name = name.toStdString();
        Changed();
      }
      return;
    }
    if (const int row = PanelRowAt(pos); row >= 0) {
      LoadRow(row);
      return;
    }
  }
  mousePressEvent(e);
}

void MacroEdit::wheelEvent(QWheelEvent* e) {
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    ForwardMouse(0, 0, e->angleDelta().y(), e->globalPosition().toPoint());
    return;
  }
  const int steps = -e->angleDelta().y() / 120 * kInstructionRowHeight * 3;
  if (PanelArea().contains(e->position().toPoint())) {
    panel_scroll_ = std::clamp(panel_scroll_ + steps, 0, std::max(0, static_cast<int>(rows_.size()) * kPanelRowHeight - PanelArea().height() + 8));
  } else {
    list_scroll_ = std::clamp(list_scroll_ + steps, 0,
                              std::max(0, static_cast<int>(macro_.items.size()) * kInstructionRowHeight - InstructionArea().height() + 8));
  }
  update();
}

void MacroEdit::closeEvent(QCloseEvent* e) {
  if (recorder_.capture_state() != MacroRecorder::kIdle) {
    recorder_.StopRecording();
    releaseKeyboard();
  }
  if (!AskSaveChanges()) {
    e->ignore();
    return;
  }
  // Changes the user chose to discard are gone: the editor opens empty next time instead of
  // holding them and asking again.
  if (modified_) NewMacro();
  e->accept();
}

}  // namespace halvric
