// The macro editor: the command buttons (record, inserts, folders, import and export).

#include "ui/macro/macro_edit.h"

#include <QCloseEvent>
#include <QDir>
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
#include "ui/kit/ui_text.h"

namespace halvric {

// ---------------------------------------------------------------------------------------------
// Commands

bool MacroEdit::CommandOn(Command c) const {
  const RecordOptions& o = recorder_.options();
  switch (c) {
    case kCmdRecord: return recorder_.recording();
    case kCmdCapture: return recorder_.capturing();
    case kCmdIntervals: return o.record_intervals;
    case kCmdClickPositions: return o.record_click_positions;
    case kCmdTrack: return o.record_cursor_track;
    case kCmdTrack50: return o.track_interval_ms == 50;
    case kCmdTrack200: return o.track_interval_ms != 50;
    case kCmdModeOnce: return macro_.mode == kMacroModeOnce;
    case kCmdModeLoop: return macro_.mode == kMacroModeLoop;
    case kCmdModeFire: return macro_.mode == kMacroModeFire;
    default: return false;
  }
}

void MacroEdit::ToggleRecording() {
  if (recorder_.recording()) {
    recorder_.StopRecording();
    status_.clear();
    releaseKeyboard();
  } else {
    recorder_.StartRecording();
    status_ = T(static_cast<int>(TextFamily::msg_str), 21);
    grabKeyboard();
  }
  update();
}

void MacroEdit::RunCommand(Command c) {
  if (busy_) return;
  RecordOptions& o = recorder_.options();
  switch (c) {
    case kCmdRecord: ToggleRecording(); break;
    case kCmdCapture:
      recorder_.StartCapture();
      grabKeyboard();
      break;
    case kCmdMove: InsertMove(); break;
    case kCmdDelay: InsertItems({DefaultDelayItem()}); break;
    case kCmdDelete: DeleteSelection(); break;
    case kCmdClear:
      macro_.items.clear();
      cursor_ = 0;
      sel_first_ = sel_last_ = -1;
      Changed();
      break;
    case kCmdNew:
      if (AskSaveChanges()) NewMacro();
      break;
    case kCmdLoad: LoadRow(selected_row_); break;
    case kCmdSave: {
      // With the "Mouse memory" heading chosen, the macro goes into the first empty slot.
      int row = selected_row_ >= 0 ? selected_row_ : 0;
      if (rows_[static_cast<size_t>(row)].kind == kRowMouseHeader) {
        const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
        for (int s = 0; wc != nullptr && s < kMacroSlots; ++s) {
          if (wc->macros[static_cast<size_t>(s)].start == 0) {
            row = RowOfSlot(s);
            break;
          }
        }
      }
      SaveOntoRow(row);
      break;
    }
    case kCmdDeleteMacro: DeleteRowEntry(); break;
    case kCmdNewFolder: NewFolder(); break;
    case kCmdImport: Import(); break;
    case kCmdExport: Export(); break;
    case kCmdIntervals: o.record_intervals = !o.record_intervals; break;
    case kCmdClickPositions: o.record_click_positions = !o.record_click_positions; break;
    case kCmdTrack: o.record_cursor_track = !o.record_cursor_track; break;
    case kCmdTrack50: o.track_interval_ms = 50; break;
    case kCmdTrack200: o.track_interval_ms = 200; break;
    case kCmdModeOnce: macro_.mode = kMacroModeOnce; Changed(); break;
    case kCmdModeLoop: macro_.mode = kMacroModeLoop; Changed(); break;
    case kCmdModeFire: macro_.mode = kMacroModeFire; Changed(); break;
    case kCmdRename: RenameRow(selected_row_); break;
    case kCmdClose: close(); return;
    default: break;
  }
  update();
}

void MacroEdit::InsertMove() {
  CStrDlg& p = *deps_.prompt;
  p.mode = CStrDlg::kPosition;
  p.title = T(static_cast<int>(TextFamily::msg_str), 4);
  p.message.clear();
  p.x = 0;
  p.y = 0;
  p.absolute = 0;
  if (p.exec() != QDialog::Accepted) return;
  InsertItems({p.absolute ? MoveToItem(p.x, p.y) : MoveByItem(p.x, p.y)});
}

void MacroEdit::NewFolder() {
  if (deps_.library == nullptr) return;
  QString name;
  if (!AskText(T(static_cast<int>(TextFamily::msg_str), 26), static_cast<int>(kMaxFolderNameChars), name) || name.trimmed().isEmpty()) return;
  std::filesystem::path parent;
  if (selected_row_ >= 0 && rows_[static_cast<size_t>(selected_row_)].kind == kRowFolder) {
    parent = deps_.library->macros()[static_cast<size_t>(rows_[static_cast<size_t>(selected_row_)].index)].path;
  }
  deps_.library->NewFolder(parent, name.toStdString());
  RefreshPanel();
}

void MacroEdit::Import() {
  const QString filter = UiText(*deps_.texts, ui_text::kMacroFilter);
  const QString file =
      choose_file ? choose_file(false)
                  : QFileDialog::getOpenFileName(this, T(static_cast<int>(TextFamily::button_tip_str), 12),
                                                 QString::fromStdString(ImportFileName(TodayText(std::time(nullptr))) + ".mf"), filter);
  if (file.isEmpty()) return;
  // A file that is not a macro file ends the import before anything changes.
  const auto header = ReadMacroHeader(file.toStdString());
  if (!header) {
    if (header.fault() == MacroFileStatus::kInvalidFormat) Tell(T(static_cast<int>(TextFamily::msg_str), 20));
    return;
  }
  const auto m = LoadMacroFile(file.toStdString());
  if (!m) {
    if (m.fault() == MacroFileStatus::kInvalidFormat) Tell(T(static_cast<int>(TextFamily::msg_str), 20));
    return;
  }
  if (!AskSaveChanges()) return;
  SetMacro(*m, {}, -1);
  modified_ = true;
}

// The path the user typed, with ".mf" added when the name carries no extension of its own kind
// (the save dialog's default suffix does not apply to every platform dialog).
namespace {
QString WithMacroSuffix(const QString& file) {
  return file.endsWith(QStringLiteral(".mf"), Qt::CaseInsensitive) ? file : file + QStringLiteral(".mf");
}
}  // namespace

void MacroEdit::Export() {
  QString file = choose_file ? choose_file(true) : QString();
  if (!choose_file) {
    QFileDialog dialog(this, T(static_cast<int>(TextFamily::button_tip_str), 13));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(UiText(*deps_.texts, ui_text::kMacroFilter));
    dialog.setDefaultSuffix(QStringLiteral("mf"));
    dialog.selectFile(QString::fromStdString(ExportFileName(macro_.name, TodayText(std::time(nullptr))) + ".mf"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) file = dialog.selectedFiles().front();
  }
  if (file.isEmpty()) return;
  file = WithMacroSuffix(file);
  // A file that cannot be written is left as it was; the macro stays in the editor, and the user
  // learns that nothing was saved.
  if (SaveMacroFile(file.toStdString(), macro_) != MacroFileStatus::kOk) {
    Tell(UiText(*deps_.texts, ui_text::kCannotWrite, {QDir::toNativeSeparators(file).toStdString()}));
  }
  update();
}

}  // namespace halvric
