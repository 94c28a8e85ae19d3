// The macro editor: questions to the user, saving to the library and the mouse, loading and deleting.

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
#include "device/mouse.h"
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
// Questions

bool MacroEdit::Confirm(const QString& message, bool three_buttons, int* choice) {
  CStrDlg& p = *deps_.prompt;
  p.mode = CStrDlg::kConfirm;
  p.title = windowTitle();
  p.message = message;
  p.three_buttons = three_buttons;
  const bool ok = p.exec() == QDialog::Accepted;
  if (choice != nullptr) *choice = ok ? p.choice : CStrDlg::kChoiceCancel;
  return ok && p.choice == CStrDlg::kChoiceOk;
}

// A message: OK alone, nothing to decide.
void MacroEdit::Tell(const QString& message) {
  deps_.prompt->message_only = true;
  Confirm(message, false);
}

bool MacroEdit::AskText(const QString& message, int max_length, QString& text) {
  CStrDlg& p = *deps_.prompt;
  p.mode = CStrDlg::kText;
  p.title = windowTitle();
  p.message = message;
  p.max_length = max_length;
  p.text = text;
  if (p.exec() != QDialog::Accepted) return false;
  text = p.text;
  return true;
}

bool MacroEdit::AskSaveChanges() {
  if (!modified_) return true;
  int choice = CStrDlg::kChoiceCancel;
  const QString msg = T(static_cast<int>(TextFamily::msg_str), 51).replace(QStringLiteral("%s"), QString::fromStdString(macro_.name));
  Confirm(msg, true, &choice);
  if (choice == CStrDlg::kChoiceCancel) return false;
  if (choice == CStrDlg::kChoiceOk) return SaveCurrent();
  return true;  // discard
}

// The edited macro goes back where it came from: its file, its mouse slot, or a new file of the
// library.
bool MacroEdit::SaveCurrent(const std::filesystem::path& new_file) {
  if (new_file.empty() && source_slot_ >= 0) {
    WriteToSlot(source_slot_, macro_);
    return true;
  }
  if (deps_.library == nullptr) return false;
  std::filesystem::path target = !new_file.empty() ? new_file
                                 : path_.empty()    ? deps_.library->NewMacroPath(deps_.library->tree())
                                                    : std::filesystem::path(path_);
  if (macro_.name.empty()) {
    QString name = T(static_cast<int>(TextFamily::msg_str), 24);
    if (!AskText(T(static_cast<int>(TextFamily::cap_input_str), 2), static_cast<int>(kMaxMacroNameChars), name)) return false;
    macro_.name = name.toStdString();
  }
  if (!deps_.library->SaveMacro(target, macro_)) return false;
  path_ = target.string();
  modified_ = false;
  deps_.library->ScanLibrary();
  RefreshPanel();
  if (deps_.lists_changed) deps_.lists_changed();
  return true;
}

void MacroEdit::SaveOntoRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || busy_) return;
  const PanelRow r = rows_[static_cast<size_t>(row)];
  const QString overwrite = T(static_cast<int>(TextFamily::msg_str), 30);
  if (r.kind == kRowMouseSlot) {
    const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
    if (wc == nullptr || !wc->loaded) return;
    const MacroSlot& slot = wc->macros[static_cast<size_t>(r.index)];
    const bool used = slot.start != 0;
    Macro m = macro_;
    if (m.mode < kMacroModeOnce || m.mode > kMacroModeFire) m.mode = kMacroModeOnce;
    if (used) {
      if (!Confirm(QString(overwrite).replace(QStringLiteral("%s"), QString::fromStdString(slot.name)), false)) return;
    }
    // A used slot, or a macro without a name, asks for the name the slot will show.
    if (used || m.name.empty()) {
      QString name = QString::fromStdString(used ? slot.name : m.name);
      if (name.isEmpty()) name = T(static_cast<int>(TextFamily::msg_str), 24);
      if (!AskText(T(static_cast<int>(TextFamily::cap_input_str), 2), static_cast<int>(kMaxMacroNameChars), name)) return;
      m.name = name.left(static_cast<int>(kMaxMacroNameChars)).toStdString();
    }
    macro_.name = m.name;
    macro_.mode = m.mode;
    source_slot_ = r.index;
    path_.clear();
    WriteToSlot(r.index, m);
    return;
  }
  if (r.kind == kRowPcMacro) {
    const _MACRO_LIST_ITEM_& e = deps_.library->macros()[static_cast<size_t>(r.index)];
    if (!Confirm(QString(overwrite).replace(QStringLiteral("%s"), QString::fromStdString(e.name)), false)) return;
    const std::string path = e.path;
    macro_.name = e.name;
    if (deps_.library->SaveMacro(path, macro_)) {
      path_ = path;
      source_slot_ = -1;
      modified_ = false;
      if (deps_.lists_changed) deps_.lists_changed();
    }
    RefreshPanel();
    return;
  }
  if (r.kind == kRowFolder || r.kind == kRowPcHeader) {
    // Onto a folder: a new file inside it.
    const std::filesystem::path folder =
        r.kind == kRowFolder ? std::filesystem::path(deps_.library->macros()[static_cast<size_t>(r.index)].path) : deps_.library->tree();
    if (SaveCurrent(deps_.library->NewMacroPath(folder))) source_slot_ = -1;
  }
}

void MacroEdit::StartJob(MouseJob job, std::function<void()> done) {
  if (!deps_.run) return;
  busy_ = true;
  progress_ = 0;
  update();
  QPointer<MacroEdit> self(this);
  deps_.run(std::move(job), [self, done = std::move(done)] {
    if (!self) return;
    self->busy_ = false;
    self->progress_ = -1;
    self->RefreshPanel();
    if (done) done();
    if (self->deps_.lists_changed) self->deps_.lists_changed();
    self->update();
  });
}

void MacroEdit::MouseWriteFailed() {
  status_.clear();
  if (deps_.write_failed) deps_.write_failed();
  else Tell(UiText(*deps_.texts, ui_text::kUpgradeWriteError));
}

// Progress of a transfer, reported from the worker and shown by the window. The device worker is
// stopped before this window goes away, so the queued calls always find it.
ProgressFn MacroEdit::ProgressSink() {
  return [this](double f) {
    QMetaObject::invokeMethod(this, [this, f] {
      progress_ = f;
      update();
    }, Qt::QueuedConnection);
  };
}

void MacroEdit::WriteToSlot(int slot, const Macro& m) {
  if (busy_) return;
  auto result = std::make_shared<MacroStoreResult>(MacroStoreResult::kFailed);
  const ProgressFn progress = ProgressSink();
  StartJob(
      [slot, m, result, progress](DeviceLayer& dev, WorkingCopy& wc) {
        *result = WriteMacroToSlot(MouseAt(dev, wc.path), wc, slot, m, progress);
      },
      [this, result, slot] {
        if (*result == MacroStoreResult::kOk) {
          modified_ = false;
          status_.clear();
          selected_row_ = RowOfSlot(slot);
        } else if (*result == MacroStoreResult::kNoSpace) {
          Tell(T(static_cast<int>(TextFamily::msg_str), 19));
        } else {
          MouseWriteFailed();
        }
      });
}

void MacroEdit::LoadRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || busy_) return;
  const PanelRow r = rows_[static_cast<size_t>(row)];
  if (r.kind != kRowPcMacro && r.kind != kRowMouseSlot) return;
  if (r.kind == kRowMouseSlot) {
    const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
    if (wc == nullptr || wc->macros[static_cast<size_t>(r.index)].start == 0) return;
  }
  if (!AskSaveChanges()) return;
  if (r.kind == kRowPcMacro) {
    const std::string path = deps_.library->macros()[static_cast<size_t>(r.index)].path;
    const auto m = LoadMacroFile(path);
    if (!m) {
      // The editor is left empty rather than showing a macro the list no longer points at.
      NewMacro();
      if (m.fault() == MacroFileStatus::kInvalidFormat) Tell(T(static_cast<int>(TextFamily::msg_str), 20));
      return;
    }
    SetMacro(*m, path, -1);
    SelectPath(path);
    return;
  }
  const int slot = r.index;
  auto loaded = std::make_shared<Macro>();
  auto ok = std::make_shared<bool>(false);
  const ProgressFn progress = ProgressSink();
  StartJob(
      [slot, loaded, ok, progress](DeviceLayer& dev, WorkingCopy& wc) {
        *ok = ReadMacroFromSlot(MouseAt(dev, wc.path), wc, slot, *loaded, progress) == MacroStoreResult::kOk;
      },
      [this, slot, loaded, ok] {
        if (!*ok) return;
        SetMacro(*loaded, {}, slot);
        selected_row_ = RowOfSlot(slot);
      });
}

void MacroEdit::DeleteRowEntry() {
  if (selected_row_ < 0 || selected_row_ >= static_cast<int>(rows_.size()) || busy_) return;
  const PanelRow r = rows_[static_cast<size_t>(selected_row_)];
  if (r.kind == kRowPcMacro || r.kind == kRowFolder) {
    const _MACRO_LIST_ITEM_ e = deps_.library->macros()[static_cast<size_t>(r.index)];
    const int msg = r.kind == kRowFolder ? 27 : 25;
    if (!Confirm(T(static_cast<int>(TextFamily::msg_str), msg).replace(QStringLiteral("%s"), QString::fromStdString(e.name)), false)) return;
    std::error_code ec;
    std::filesystem::remove(e.path, ec);  // a folder goes only when it is empty
    // The deleted file is no longer where the edited macro is saved.
    if (r.kind == kRowPcMacro && path_ == e.path) path_.clear();
    deps_.library->ScanLibrary();
    RefreshPanel();
    if (deps_.lists_changed) deps_.lists_changed();
  } else if (r.kind == kRowMouseSlot) {
    const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
    if (wc == nullptr || wc->macros[static_cast<size_t>(r.index)].start == 0) return;
    const QString name = QString::fromStdString(wc->macros[static_cast<size_t>(r.index)].name);
    if (!Confirm(T(static_cast<int>(TextFamily::msg_str), 25).replace(QStringLiteral("%s"), name), false)) return;
    const int slot = r.index;
    if (source_slot_ == slot) source_slot_ = -1;
    auto result = std::make_shared<MacroStoreResult>(MacroStoreResult::kFailed);
    StartJob([slot, result](DeviceLayer& dev, WorkingCopy& wc) { *result = DeleteMacroSlot(MouseAt(dev, wc.path), wc, slot); },
             [this, result] {
               if (*result == MacroStoreResult::kFailed) MouseWriteFailed();
             });
  }
}

void MacroEdit::OpenFile(const std::string& path) {
  if (busy_ || !AskSaveChanges()) return;
  const auto m = LoadMacroFile(path);
  if (!m) {
    NewMacro();
    if (m.fault() == MacroFileStatus::kInvalidFormat) Tell(T(static_cast<int>(TextFamily::msg_str), 20));
    return;
  }
  const bool in_list = deps_.library != nullptr && deps_.library->FindEntry(path) >= 0;
  SetMacro(*m, in_list ? path : std::string(), -1);
  if (in_list) SelectPath(path);
}

void MacroEdit::SelectPath(const std::string& path) {
  const int row = RowOfPath(path);
  if (row >= 0) selected_row_ = row;
  update();
}

void MacroEdit::RenameRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || busy_) return;
  const PanelRow r = rows_[static_cast<size_t>(row)];
  const int name_prompt = 24;    // "Macro name"
  const int folder_prompt = 26;  // "Folder name"
  if (r.kind == kRowFolder) {
    const _MACRO_LIST_ITEM_ e = deps_.library->macros()[static_cast<size_t>(r.index)];
    QString name = QString::fromStdString(e.name);
    if (!AskText(T(static_cast<int>(TextFamily::msg_str), folder_prompt), static_cast<int>(kMaxFolderNameChars), name) ||
        name.trimmed().isEmpty()) {
      return;
    }
    const auto renamed = deps_.library->RenameEntry(e, name.toStdString());
    // The edited macro may live inside the renamed folder.
    if (renamed && !path_.empty() && path_.starts_with(e.path + "/")) path_ = *renamed + path_.substr(e.path.size());
    RefreshPanel();
    for (size_t i = 0; renamed && i < rows_.size(); ++i) {
      if (rows_[i].kind == kRowFolder && deps_.library->macros()[static_cast<size_t>(rows_[i].index)].path == *renamed) {
        selected_row_ = static_cast<int>(i);
      }
    }
    if (deps_.lists_changed) deps_.lists_changed();
    update();
    return;
  }
  if (r.kind == kRowPcMacro) {
    const _MACRO_LIST_ITEM_ e = deps_.library->macros()[static_cast<size_t>(r.index)];
    QString name = QString::fromStdString(e.name);
    if (!AskText(T(static_cast<int>(TextFamily::msg_str), name_prompt), static_cast<int>(kMaxMacroNameChars), name) ||
        name.isEmpty()) {
      return;
    }
    // The renamed macro is loaded into the editor: unsaved changes of another macro are asked about first.
    if (path_ != e.path && !AskSaveChanges()) return;
    const auto renamed = deps_.library->RenameEntry(e, name.left(static_cast<int>(kMaxMacroNameChars)).toStdString());
    if (!renamed) {
      RefreshPanel();
      return;
    }
    if (path_ == e.path && modified_) {
      // Edits not yet saved stay; only the name and the file change.
      macro_.name = name.left(static_cast<int>(kMaxMacroNameChars)).toStdString();
      path_ = *renamed;
    } else if (const auto m = LoadMacroFile(*renamed)) {
      SetMacro(*m, *renamed, -1);
    }
    RefreshPanel();
    SelectPath(*renamed);
    if (deps_.lists_changed) deps_.lists_changed();
    return;
  }
  if (r.kind == kRowMouseSlot) {
    const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
    if (wc == nullptr || !wc->loaded || wc->macros[static_cast<size_t>(r.index)].start == 0) return;
    QString name = QString::fromStdString(wc->macros[static_cast<size_t>(r.index)].name);
    if (!AskText(T(static_cast<int>(TextFamily::msg_str), name_prompt), static_cast<int>(kMaxMacroNameChars), name) ||
        name.isEmpty()) {
      return;
    }
    // The name lives in the macro's record: the macro is read and written back under the new name.
    const int slot = r.index;
    const std::string new_name = name.left(static_cast<int>(kMaxMacroNameChars)).toStdString();
    auto result = std::make_shared<MacroStoreResult>(MacroStoreResult::kFailed);
    const ProgressFn progress = ProgressSink();
    StartJob(
        [slot, new_name, result, progress](DeviceLayer& dev, WorkingCopy& wc) {
          const Mouse mouse = MouseAt(dev, wc.path);
          Macro m;
          if ((*result = ReadMacroFromSlot(mouse, wc, slot, m)) != MacroStoreResult::kOk) return;
          m.name = new_name;
          *result = WriteMacroToSlot(mouse, wc, slot, m, progress);
        },
        [this, slot, new_name, result] {
          if (*result == MacroStoreResult::kNoSpace) Tell(T(static_cast<int>(TextFamily::msg_str), 19));
          if (*result == MacroStoreResult::kFailed) MouseWriteFailed();
          if (*result != MacroStoreResult::kOk) return;
          if (source_slot_ == slot) macro_.name = new_name;
          selected_row_ = RowOfSlot(slot);
          update();
        });
  }
}

}  // namespace halvric
