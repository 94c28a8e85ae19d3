// The macro page of the button dialog: the list of the library's macros (rows, scrolling,
// selection, a macro file dropped on it) and its actions (load a file, save one, open the editor).
#include "ui/button/button_set_dlg.h"

#include <algorithm>

#include "config/text_tables.h"
#include "macro/macro_file.h"

namespace halvric {

QRect CButtonSetDlg::MacroListRect() const { return {20, kContentTop, 640, 420}; }
QRect CButtonSetDlg::MacroRowRect(int visible_row) const {
  const QRect list = MacroListRect();
  return {list.x() + 4, list.y() + 4 + visible_row * kMacroRowHeight - macro_scroll_ % kMacroRowHeight,
          list.width() - 8, kMacroRowHeight - 2};
}

int CButtonSetDlg::MacroRowOf(const std::string& name) const {
  if (macros_ == nullptr) return -1;
  const int first = macro_scroll_ / kMacroRowHeight;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if ((*macros_)[static_cast<size_t>(rows_[r].entry)].name == name) return static_cast<int>(r) - first;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Macro page

void CButtonSetDlg::MacroListChanged(const MacroList* macros) {
  const int selected = macro_selected_;
  macros_ = macros;
  RebuildMacroRows();
  macro_selected_ = std::min(selected, static_cast<int>(rows_.size()) - 1);
  const int limit = std::max(0, (static_cast<int>(rows_.size()) - 1) * kMacroRowHeight);
  macro_scroll_ = std::min(macro_scroll_, limit);
  macro_scroll_target_ = std::min(macro_scroll_target_, limit);
  update();
}

void CButtonSetDlg::RebuildMacroRows() {
  rows_.clear();
  if (macros_ == nullptr) return;
  // Every folder is a group row. An entry belongs to the folder its parent id names, or, where
  // the list carries no ids, to the folder above it.
  std::map<int32_t, std::size_t> folder_of_id;
  for (std::size_t i = 0; i < macros_->size(); ++i) {
    if ((*macros_)[i].IsFolder() && (*macros_)[i].id != 0) folder_of_id.emplace((*macros_)[i].id, i);
  }
  std::ptrdiff_t group = -1;
  for (std::size_t i = 0; i < macros_->size(); ++i) {
    const _MACRO_LIST_ITEM_& e = (*macros_)[i];
    if (e.IsFolder()) {
      rows_.push_back({static_cast<int>(i), true});
      group = static_cast<std::ptrdiff_t>(i);
      continue;
    }
    const auto by_id = e.parent != 0 ? folder_of_id.find(e.parent) : folder_of_id.end();
    const std::ptrdiff_t owner = by_id != folder_of_id.end() ? static_cast<std::ptrdiff_t>(by_id->second) : group;
    if (owner < 0 || group_open_[(*macros_)[static_cast<std::size_t>(owner)].name]) rows_.push_back({static_cast<int>(i), false});
  }
}

void CButtonSetDlg::ClickMacroRow(int visible_row) {
  const int r = macro_scroll_ / kMacroRowHeight + visible_row;
  if (r < 0 || r >= static_cast<int>(rows_.size())) return;
  const _MACRO_LIST_ITEM_& e = (*macros_)[static_cast<size_t>(rows_[static_cast<size_t>(r)].entry)];
  if (rows_[static_cast<size_t>(r)].group) {
    group_open_[e.name] = !group_open_[e.name];
    RebuildMacroRows();
    macro_selected_ = std::min(macro_selected_, static_cast<int>(rows_.size()) - 1);
    update();
    return;
  }
  macro_selected_ = r;
  assignment_ = ButtonAssignment::Make(e.type, e.op1, e.op2, e.op3 == builtin_action::kMarker ? e.op3 : 0);
  macro_name_ = e.name;
  const bool file = e.type >= function_type::kMacro && e.type <= function_type::kMacroFire && e.inMouse == 0 &&
                    e.op3 != builtin_action::kMarker && HasMacroExtension(e.path);
  macro_file_path_ = file ? e.path : std::string();
  macro_file_pick_ = assignment_;
  Recompute();
}

QRect CButtonSetDlg::MacroActionRect(int action) const {
  switch (action) {
    case kMacroLoad: return {680, kContentTop + 260, 154, 36};
    case kMacroSave: return {846, kContentTop + 260, 154, 36};
    case kMacroEditor: return {680, kContentTop + 306, 320, 36};
    default: return {};
  }
}

QRect CButtonSetDlg::MacroEditDropRect() const { return {680, kContentTop, 320, 240}; }

const _MACRO_LIST_ITEM_* CButtonSetDlg::SelectedMacroEntry() const {
  if (macros_ == nullptr || macro_selected_ < 0 || macro_selected_ >= static_cast<int>(rows_.size())) return nullptr;
  const MacroRow& row = rows_[static_cast<size_t>(macro_selected_)];
  if (row.group) return nullptr;
  const _MACRO_LIST_ITEM_& e = (*macros_)[static_cast<size_t>(row.entry)];
  const bool macro = e.type >= function_type::kMacro && e.type <= function_type::kMacroFire && e.op3 != builtin_action::kMarker;
  return macro ? &e : nullptr;
}

void CButtonSetDlg::EditAfterClose(const std::optional<_MACRO_LIST_ITEM_>& entry) {
  if (!edit_macro) return;
  // The editor is a window of its own: the modal dialog ends first (as cancelled), then it opens.
  const auto open = edit_macro;
  Cancel();
  QTimer::singleShot(0, [open, entry] { open(entry); });
}

void CButtonSetDlg::RunMacroAction(int action) {
  switch (action) {
    case kMacroLoad: {
      if (!pick_macro_file) return;
      const std::string path = pick_macro_file();
      if (path.empty()) return;
      const auto header = ReadMacroHeader(path);
      if (!header) {
        if (header.fault() == MacroFileStatus::kInvalidFormat) SetHint(T(static_cast<int>(TextFamily::msg_str), 20));
        return;
      }
      const int mode = header->type >= function_type::kMacro && header->type <= function_type::kMacroFire ? header->type
                                                                                                           : function_type::kMacro;
      assignment_ = ButtonAssignment::Make(mode, 0, 0, 0);
      macro_name_ = header->name;
      macro_file_path_ = path;
      macro_file_pick_ = assignment_;
      macro_selected_ = -1;
      Recompute();
      SetHint(QString::fromStdString(header->name));
      return;
    }
    case kMacroSave: {
      const _MACRO_LIST_ITEM_* e = SelectedMacroEntry();
      std::string path = e != nullptr && e->inMouse == 0 && HasMacroExtension(e->path) ? e->path : MacroFilePath();
      if (path.empty() || !save_to_list) return;
      if (save_to_list(path)) SetHint(T(static_cast<int>(TextFamily::msg_str), 2) + QStringLiteral(": ") + QString::fromStdString(macro_name_));
      return;
    }
    case kMacroEditor: {
      const _MACRO_LIST_ITEM_* e = SelectedMacroEntry();
      EditAfterClose(e != nullptr ? std::optional<_MACRO_LIST_ITEM_>(*e) : std::nullopt);
      return;
    }
    default: return;
  }
}

void CButtonSetDlg::ScrollMacroRows(int rows) {
  const int n = static_cast<int>(rows_.size());
  if (n <= 1 || rows == 0) return;
  macro_selected_ = std::clamp(macro_selected_ + rows, 0, n - 1);
  macro_scroll_target_ = std::clamp(macro_scroll_target_ + rows * kMacroRowHeight, 0, (n - 1) * kMacroRowHeight);
  update();
}

void CButtonSetDlg::OnTimer2() {
  // The scroll offset approaches its target in shrinking steps.
  const int d = macro_scroll_target_ - macro_scroll_;
  if (d != 0) {
    macro_scroll_ += SmoothScrollStep(d, macro_dragging_);
    update();
  }
}

}  // namespace halvric
