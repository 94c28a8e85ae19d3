#include "ui/macro/macro_edit.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

#include "ui/kit/app_fonts.h"
#include "ui/kit/key_capture.h"
#include "ui/kit/key_resources.h"
#include "config/usage_to_scan_table.h"
#include "ui/kit/str_dlg.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "config/working_copy.h"
#include "device/mouse.h"
#include "macro/instruction_text.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "macro/macro_space.h"
#include "macro/macro_storage.h"

namespace halvric {
namespace {

constexpr int kDragThreshold = 3;

}  // namespace

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
    case kCmdNew: return {12, 600, 70, 30};
    case kCmdLoad: return {88, 600, 70, 30};
    case kCmdSave: return {164, 600, 70, 30};
    case kCmdDeleteMacro: return {240, 600, 70, 30};
    case kCmdNewFolder: return {316, 600, 76, 30};
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
    int hidden_below = -1;  // depth of a closed folder whose contents are hidden
    for (size_t i = 0; i < list.size(); ++i) {
      const _MACRO_LIST_ITEM_& e = list[i];
      if (hidden_below >= 0 && e.depth > hidden_below) continue;
      hidden_below = -1;
      rows_.push_back({e.IsFolder() ? kRowFolder : kRowPcMacro, static_cast<int>(i)});
      if (e.IsFolder() && !deps_.library->IsExpanded(e.path)) hidden_below = e.depth;
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
  static const InstructionNames names = TableInstructionNames();
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
  macro_ = m;
  if (macro_.mode < kMacroModeOnce || macro_.mode > kMacroModeFire) macro_.mode = kMacroModeOnce;
  path_ = path;
  source_slot_ = slot;
  modified_ = false;
  cursor_ = static_cast<int>(macro_.items.size());
  sel_first_ = sel_last_ = -1;
  list_scroll_ = 0;
  update();
}

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
  if (!modified_ || macro_.items.empty()) return true;
  int choice = CStrDlg::kChoiceCancel;
  const QString msg = T(static_cast<int>(TextFamily::msg_str), 51).replace(QStringLiteral("%s"), QString::fromStdString(macro_.name));
  Confirm(msg, true, &choice);
  if (choice == CStrDlg::kChoiceCancel) return false;
  if (choice == CStrDlg::kChoiceOk) return SaveCurrent();
  return true;  // discard
}

// The edited macro goes back where it came from: its file, its mouse slot, or a new file of the
// library.
bool MacroEdit::SaveCurrent() {
  if (source_slot_ >= 0) {
    WriteToSlot(source_slot_, macro_);
    return true;
  }
  if (deps_.library == nullptr) return false;
  std::filesystem::path target = path_.empty() ? deps_.library->NewMacroPath(deps_.library->tree()) : std::filesystem::path(path_);
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
    path_ = deps_.library->NewMacroPath(folder).string();
    source_slot_ = -1;
    SaveCurrent();
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
    if (done) done();
    self->RefreshPanel();
    if (self->deps_.lists_changed) self->deps_.lists_changed();
    self->update();
  });
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
  const TextTables* texts = deps_.texts;
  auto result = std::make_shared<MacroStoreResult>(MacroStoreResult::kFailed);
  const ProgressFn progress = ProgressSink();
  StartJob(
      [slot, m, texts, result, progress](DeviceLayer& dev, WorkingCopy& wc) {
        *result = WriteMacroToSlot(MouseAt(dev, wc.path), wc, *texts, slot, m, progress);
      },
      [this, result] {
        if (*result == MacroStoreResult::kOk) {
          modified_ = false;
          status_.clear();
        } else {
          status_ = T(static_cast<int>(TextFamily::msg_str), *result == MacroStoreResult::kNoSpace ? 19 : 10);
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
    Macro m;
    if (LoadMacroFile(path, m) != MacroFileStatus::kOk) {
      status_ = T(static_cast<int>(TextFamily::msg_str), 20);
      update();
      return;
    }
    SetMacro(m, path, -1);
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
        if (*ok) SetMacro(*loaded, {}, slot);
      });
}

void MacroEdit::DeleteRowEntry() {
  if (selected_row_ < 0 || busy_) return;
  const PanelRow r = rows_[static_cast<size_t>(selected_row_)];
  if (r.kind == kRowPcMacro || r.kind == kRowFolder) {
    const _MACRO_LIST_ITEM_ e = deps_.library->macros()[static_cast<size_t>(r.index)];
    const int msg = r.kind == kRowFolder ? 27 : 25;
    if (!Confirm(T(static_cast<int>(TextFamily::msg_str), msg).replace(QStringLiteral("%s"), QString::fromStdString(e.name)), false)) return;
    std::error_code ec;
    if (r.kind == kRowFolder) std::filesystem::remove(e.path, ec);  // only an empty folder goes
    else std::filesystem::remove(e.path, ec);
    deps_.library->ScanLibrary();
    RefreshPanel();
    if (deps_.lists_changed) deps_.lists_changed();
  } else if (r.kind == kRowMouseSlot) {
    const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
    if (wc == nullptr || wc->macros[static_cast<size_t>(r.index)].start == 0) return;
    const QString name = QString::fromStdString(wc->macros[static_cast<size_t>(r.index)].name);
    if (!Confirm(T(static_cast<int>(TextFamily::msg_str), 25).replace(QStringLiteral("%s"), name), false)) return;
    const int slot = r.index;
    const TextTables* texts = deps_.texts;
    StartJob([slot, texts](DeviceLayer& dev, WorkingCopy& wc) { DeleteMacroSlot(MouseAt(dev, wc.path), wc, *texts, slot); }, {});
  }
}

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
    case kCmdSave: SaveOntoRow(selected_row_ >= 0 ? selected_row_ : 0); break;
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
  const QString file = choose_file ? choose_file(false)
                                   : QFileDialog::getOpenFileName(this, T(static_cast<int>(TextFamily::button_tip_str), 12), {},
                                                                  QStringLiteral("Macro (*.mf)"));
  if (file.isEmpty() || !AskSaveChanges()) return;
  Macro m;
  if (LoadMacroFile(file.toStdString(), m) != MacroFileStatus::kOk) {
    status_ = T(static_cast<int>(TextFamily::msg_str), 20);
    update();
    return;
  }
  SetMacro(m, {}, -1);
  modified_ = true;
}

void MacroEdit::Export() {
  const QString file = choose_file ? choose_file(true)
                                   : QFileDialog::getSaveFileName(this, T(static_cast<int>(TextFamily::button_tip_str), 13),
                                                                  QString::fromStdString(ExportFileName(macro_.name, TodayText(std::time(nullptr))) + ".mf"),
                                                                  QStringLiteral("Macro (*.mf)"));
  if (file.isEmpty()) return;
  if (SaveMacroFile(file.toStdString(), macro_) != MacroFileStatus::kOk) status_ = T(static_cast<int>(TextFamily::msg_str), 20);
  update();
}

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
  if (drag_ != kDragNone && (e->buttons() & Qt::LeftButton)) {
    const QPoint d = pos - press_pos_;
    if (!drag_started_ && (std::abs(d.x()) > kDragThreshold || std::abs(d.y()) > kDragThreshold)) {
      drag_started_ = true;
      setCursor(Qt::DragMoveCursor);
    }
    return;
  }
  int hot = -1;
  for (int c = 0; c < kCommandCount; ++c) {
    if (CommandRect(static_cast<Command>(c)).contains(pos)) hot = c;
  }
  if (hot != hot_command_) {
    hot_command_ = hot;
    update();
  }
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
      if (InstructionArea().contains(pos)) MoveInstruction(drag_from_, InstructionRowAt(pos));
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
  e->accept();
}

}  // namespace halvric
