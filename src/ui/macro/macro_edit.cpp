#include "ui/macro/macro_edit.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

#include "config/key_labels.h"
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

namespace halvric {
MacroEdit::MacroEdit(Deps deps, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), deps_(std::move(deps)), recorder_(ProgramScanTable()) {
  clock_.start();
  setWindowTitle(QString::fromStdString(deps_.texts->Get(TextFamily::macro_editor_cap_str)));
  setFixedSize(kWidth, kHeight);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  macro_.mode = kMacroModeOnce;
  RefreshPanel();
}

QString MacroEdit::T(int family, int index) const {
  return QString::fromStdString(deps_.texts->Get(static_cast<TextFamily>(family), index));
}

// ---------------------------------------------------------------------------------------------
// Geometry

QRect MacroEdit::PanelArea() const { return {12, 92, 380, 500}; }
QRect MacroEdit::InstructionArea() const { return {410, 132, 600, 388}; }
QRect MacroEdit::NameRect() const { return {410, 56, 330, 30}; }

QRect MacroEdit::PanelRowRect(int row) const {
  const QRect a = PanelArea();
  return {a.x() + 4, a.y() + 4 + row * kPanelRowHeight - panel_scroll_, a.width() - 8, kPanelRowHeight - 2};
}

QRect MacroEdit::InstructionRowRect(int i) const {
  const QRect a = InstructionArea();
  return {a.x() + 4, a.y() + 4 + i * kInstructionRowHeight - list_scroll_, a.width() - 8, kInstructionRowHeight};
}

QRect MacroEdit::CommandRect(Command c) const {
  switch (c) {
    case kCmdModeOnce: return {410, 94, 150, 30};
    case kCmdModeLoop: return {566, 94, 130, 30};
    case kCmdModeFire: return {702, 94, 140, 30};
    case kCmdRecord: return {410, 528, 110, 32};
    case kCmdCapture: return {526, 528, 44, 32};
    case kCmdMove: return {576, 528, 44, 32};
    case kCmdDelay: return {626, 528, 44, 32};
    case kCmdDelete: return {676, 528, 80, 32};
    case kCmdClear: return {762, 528, 80, 32};
    case kCmdImport: return {848, 528, 78, 32};
    case kCmdExport: return {932, 528, 78, 32};
    case kCmdIntervals: return {410, 570, 170, 26};
    case kCmdClickPositions: return {586, 570, 200, 26};
    case kCmdTrack: return {792, 570, 190, 26};
    case kCmdTrack50: return {792, 600, 80, 26};
    case kCmdTrack200: return {878, 600, 90, 26};
    case kCmdNew: return {12, 600, 56, 30};
    case kCmdLoad: return {71, 600, 56, 30};
    case kCmdSave: return {130, 600, 56, 30};
    case kCmdDeleteMacro: return {189, 600, 62, 30};
    case kCmdRename: return {254, 600, 58, 30};
    case kCmdNewFolder: return {315, 600, 77, 30};
    case kCmdClose: return {kWidth - 44, 10, 32, 28};
    default: return {};
  }
}

int MacroEdit::InstructionRowAt(const QPoint& pos) const {
  const QRect a = InstructionArea();
  if (!a.contains(pos)) return -1;
  const int i = (pos.y() - a.y() - 4 + list_scroll_) / kInstructionRowHeight;
  return std::clamp(i, 0, static_cast<int>(macro_.items.size()));
}

int MacroEdit::PanelRowAt(const QPoint& pos) const {
  if (!PanelArea().contains(pos)) return -1;
  const int r = (pos.y() - PanelArea().y() - 4 + panel_scroll_) / kPanelRowHeight;
  return r >= 0 && r < static_cast<int>(rows_.size()) ? r : -1;
}

int MacroEdit::RowOfSlot(int slot) const {
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r].kind == kRowMouseSlot && rows_[r].index == slot) return static_cast<int>(r);
  }
  return -1;
}

int MacroEdit::RowOfPath(const std::string& path) const {
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r].kind == kRowPcMacro && deps_.library->macros()[static_cast<size_t>(rows_[r].index)].path == path) {
      return static_cast<int>(r);
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Panel

void MacroEdit::RefreshPanel() {
  rows_.clear();
  rows_.push_back({kRowPcHeader, -1});
  if (deps_.library != nullptr) {
    const MacroList& list = deps_.library->macros();
    const MacroLibrary& library = *deps_.library;
    for (const int i : VisibleTreeOrder(list, [&library](const _MACRO_LIST_ITEM_& f) { return library.IsExpanded(f.path); })) {
      rows_.push_back({list[static_cast<size_t>(i)].IsFolder() ? kRowFolder : kRowPcMacro, i});
    }
  }
  rows_.push_back({kRowMouseHeader, -1});
  const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
  if (wc != nullptr && wc->loaded) {
    bool empty_shown = false;
    for (int s = 0; s < kMacroSlots; ++s) {
      const bool used = wc->macros[static_cast<size_t>(s)].start != 0;
      if (!used && empty_shown) continue;
      if (!used) empty_shown = true;
      rows_.push_back({kRowMouseSlot, s});
    }
  }
  selected_row_ = std::min(selected_row_, static_cast<int>(rows_.size()) - 1);
  // A file deleted from the list (here or in the macro list) is no longer where Save writes.
  std::error_code ec;
  if (!path_.empty() && !std::filesystem::exists(path_, ec)) path_.clear();
  if (source_slot_ >= 0 && wc != nullptr && wc->loaded && wc->macros[static_cast<size_t>(source_slot_)].start == 0) source_slot_ = -1;
  update();
}

// ---------------------------------------------------------------------------------------------
// The instruction list

int MacroEdit::SizeInMouse() const {
  int n = 0;
  for (const _MACRO_ITEM_& it : macro_.items) n += it.size;
  return n + kMacroHeaderOverhead + 1;
}

bool MacroEdit::RowIsNew(int i) const {
  const _MACRO_ITEM_& it = macro_.items[static_cast<size_t>(i)];
  return it.inserted != 0 && static_cast<uint32_t>(Now()) - it.inserted < kNewTagMs &&
         static_cast<int64_t>(it.inserted) <= std::max<int64_t>(1, Now());
}

QString MacroEdit::RowText(int i) const {
  const InstructionNames names = deps_.keys ? LabelInstructionNames(*deps_.keys) : TableInstructionNames();
  const _MACRO_ITEM_& it = macro_.items[static_cast<size_t>(i)];
  return QString::asprintf("%04d", i) + QStringLiteral("  ") +
         QString::fromStdString(InstructionText(it.code, *deps_.texts, names));
}

void MacroEdit::Changed() {
  modified_ = true;
  update();
}

void MacroEdit::InsertItems(const std::vector<_MACRO_ITEM_>& items) {
  const uint32_t tick = Tick();
  for (_MACRO_ITEM_ it : items) {
    it.inserted = tick;
    it.untimed = 0;
    cursor_ = std::clamp(cursor_, 0, static_cast<int>(macro_.items.size()));
    macro_.items.insert(macro_.items.begin() + cursor_, it);
    ++cursor_;
  }
  sel_first_ = sel_last_ = -1;
  ScrollToCursor();
  Changed();
}

void MacroEdit::Append(const _MACRO_ITEM_& item) {
  _MACRO_ITEM_ it = item;
  it.inserted = 0;
  macro_.items.push_back(it);
  ScrollToEnd();
  Changed();
}

void MacroEdit::DeleteSelection() {
  const int n = static_cast<int>(macro_.items.size());
  if (n == 0) return;
  int first = sel_first_, last = sel_last_;
  if (first < 0) first = last = std::min(cursor_, n - 1);
  first = std::clamp(first, 0, n - 1);
  last = std::clamp(last, first, n - 1);
  macro_.items.erase(macro_.items.begin() + first, macro_.items.begin() + last + 1);
  cursor_ = std::min(first, std::max(0, static_cast<int>(macro_.items.size()) - 1));
  sel_first_ = sel_last_ = -1;
  ScrollToCursor();
  Changed();
}

void MacroEdit::CopySelection() {
  const int n = static_cast<int>(macro_.items.size());
  if (n == 0) return;
  int first = sel_first_, last = sel_last_;
  if (first < 0) first = last = std::min(cursor_, n - 1);
  clipboard_.assign(macro_.items.begin() + std::clamp(first, 0, n - 1), macro_.items.begin() + std::clamp(last, 0, n - 1) + 1);
}

void MacroEdit::Paste() {
  if (clipboard_.empty()) return;
  InsertItems(clipboard_);
}

void MacroEdit::MoveInstruction(int from, int to) {
  const int n = static_cast<int>(macro_.items.size());
  if (from < 0 || from >= n || to < 0 || to > n || to == from || to == from + 1) return;
  _MACRO_ITEM_ it = macro_.items[static_cast<size_t>(from)];
  macro_.items.erase(macro_.items.begin() + from);
  const int at = to > from ? to - 1 : to;
  it.inserted = Tick();
  macro_.items.insert(macro_.items.begin() + at, it);
  cursor_ = at;
  sel_first_ = sel_last_ = -1;
  Changed();
}

void MacroEdit::ScrollToCursor() {
  const int y = cursor_ * kInstructionRowHeight;
  const int visible = InstructionArea().height() - 8;
  if (y < list_scroll_) list_scroll_ = y;
  else if (y + kInstructionRowHeight > list_scroll_ + visible - 4) list_scroll_ = y + kInstructionRowHeight - (visible - 4);
  list_scroll_ = std::max(0, list_scroll_);
}

void MacroEdit::ScrollToEnd() {
  const int total = static_cast<int>(macro_.items.size()) * kInstructionRowHeight;
  list_scroll_ = std::max(0, total - (InstructionArea().height() - 12));
}

void MacroEdit::NewMacro() {
  SetMacro(Macro{}, {}, -1);
}

void MacroEdit::SetMacro(const Macro& m, const std::string& path, int slot) {
  // The mode stays as the file or slot gave it, so that saving writes it back unchanged; a mode
  // outside 8-10 becomes 8 only where it goes into the mouse (WriteMacroToSlot).
  macro_ = m;
  path_ = path;
  source_slot_ = slot;
  modified_ = false;
  cursor_ = static_cast<int>(macro_.items.size());
  sel_first_ = sel_last_ = -1;
  list_scroll_ = 0;
  update();
}

}  // namespace halvric
