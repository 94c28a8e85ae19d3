#pragma once
// The macro editor: a custom-drawn window with the macro list (the PC library tree and the
// mouse's macro slots) on the left and the instruction list of the macro being edited on the
// right, with the commands to record, insert, delete, load, save, import and export. Mouse
// transfers run on the device worker; the window stays responsive and shows their progress.

#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/progress.h"
#include "macro/instruction_set.h"
#include "macro/macro_recorder.h"

namespace halvric {

class AppFonts;
class CStrDlg;
class DeviceLayer;
class KeyLabels;
class MacroLibrary;
class TextTables;
struct WorkingCopy;

class MacroEdit : public QWidget {
  Q_OBJECT

 public:
  // Work on the mouse, run on the device worker with the worker's copy of the configuration.
  using MouseJob = std::function<void(DeviceLayer& dev, WorkingCopy& wc)>;

  struct Deps {
    const AppFonts* fonts = nullptr;
    const TextTables* texts = nullptr;
    // The key names of the user's layout, shared with the main window; null: the table names.
    std::shared_ptr<const KeyLabels> keys;
    MacroLibrary* library = nullptr;
    CStrDlg* prompt = nullptr;
    // The main window's copy of the mouse's configuration; null without a mouse.
    std::function<const WorkingCopy*()> mouse;
    // Runs a job on the device worker; `done` follows on the window's thread once the main
    // window has taken over the changed slot table and buttons.
    std::function<void(MouseJob job, std::function<void()> done)> run;
    // Tells the main window that the macro list changed (files or mouse slots).
    std::function<void()> lists_changed;
    // A write to the mouse's macros failed on the way: the main window tells the user and reads
    // the mouse again, so that the slot table shows what the mouse holds. Null: the editor tells
    // the user itself.
    std::function<void()> write_failed;
  };

  enum Command {
    kCmdRecord, kCmdCapture, kCmdMove, kCmdDelay, kCmdDelete, kCmdClear, kCmdNew, kCmdSave, kCmdLoad,
    kCmdDeleteMacro, kCmdNewFolder, kCmdImport, kCmdExport, kCmdIntervals, kCmdClickPositions, kCmdTrack,
    kCmdTrack50, kCmdTrack200, kCmdModeOnce, kCmdModeLoop, kCmdModeFire, kCmdRename, kCmdClose, kCommandCount
  };
  enum RowKind { kRowPcHeader, kRowFolder, kRowPcMacro, kRowMouseHeader, kRowMouseSlot };
  struct PanelRow {
    RowKind kind = kRowPcHeader;
    int index = -1;  // library entry, or mouse slot
  };

  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 640;
  static constexpr int kInstructionRowHeight = 24;
  static constexpr int kPanelRowHeight = 28;
  static constexpr uint32_t kNewTagMs = 300000;

  explicit MacroEdit(Deps deps, QWidget* parent = nullptr);

  // --- state, for tests, screenshots and the main window
  const Macro& macro() const { return macro_; }
  const MacroItemList& items() const { return macro_.items; }
  int cursor() const { return cursor_; }
  int selectionFirst() const { return sel_first_; }
  int selectionLast() const { return sel_last_; }
  const MacroItemList& clipboard() const { return clipboard_; }
  bool modified() const { return modified_; }
  // The file the edited macro came from or was saved to (empty when none).
  const std::string& CurrentFile() const { return path_; }
  bool Busy() const { return busy_; }
  double Progress() const { return progress_; }
  MacroRecorder& recorder() { return recorder_; }
  const std::vector<PanelRow>& rows() const { return rows_; }
  int SelectedRow() const { return selected_row_; }
  // The size the macro takes in the mouse: instruction bytes plus name header and end byte.
  int SizeInMouse() const;
  // The text of instruction row i ("%04d" index, the instruction text, and "new" while fresh).
  QString RowText(int i) const;
  bool RowIsNew(int i) const;

  // --- geometry
  QRect CommandRect(Command c) const;
  QRect InstructionRowRect(int i) const;
  QRect InstructionArea() const;
  QRect PanelArea() const;
  QRect PanelRowRect(int row) const;
  QRect NameRect() const;
  int RowOfSlot(int slot) const;
  int RowOfPath(const std::string& path) const;

  // --- operations (the commands call these)
  void NewMacro();
  void SetMacro(const Macro& m, const std::string& path, int slot);
  void InsertItems(const std::vector<_MACRO_ITEM_>& items);
  void DeleteSelection();
  void CopySelection();
  void Paste();
  void MoveInstruction(int from, int to);
  // Saves the edited macro onto a panel row (a PC macro or a mouse slot), asking as needed.
  void SaveOntoRow(int row);
  // Loads the macro of a panel row, asking first about unsaved changes.
  void LoadRow(int row);
  // Loads a macro file, asking first about unsaved changes. A file of the user's macro list
  // becomes the current file; any other (a library's) is edited as a new macro.
  void OpenFile(const std::string& path);
  // Asks for a new name for the entry of a panel row (a folder, a PC macro or a mouse macro) and
  // renames it; a renamed PC macro becomes the edited macro.
  void RenameRow(int row);
  // The text of the tip line (what the control under the pointer, or a drag, would do).
  QString TipText() const;
  // Rebuilds the panel from the library and the mouse's slot table.
  void RefreshPanel();

  // Mouse input from the main window while recording or capturing.
  void ForwardMouse(uint8_t down, uint8_t up, int wheel_delta, const QPoint& global_pos);

  // Replaces the clock (tests); milliseconds.
  std::function<int64_t()> clock;
  // Replaces the file dialogs (tests): the chosen path, or empty.
  std::function<QString(bool save)> choose_file;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void keyReleaseEvent(QKeyEvent*) override;
  void leaveEvent(QEvent*) override;
  void closeEvent(QCloseEvent*) override;

 private:
  void RunCommand(Command c);
  void Append(const _MACRO_ITEM_& item);
  void ScrollToCursor();
  void ScrollToEnd();
  void Changed();
  bool AskSaveChanges();  // false: the user cancelled
  // Saves the edited macro where it came from, or into `new_file` when given.
  bool SaveCurrent(const std::filesystem::path& new_file = {});
  void WriteToSlot(int slot, const Macro& m);
  void InsertMove();
  void NewFolder();
  void Import();
  void Export();
  void DeleteRowEntry();
  void SelectPath(const std::string& path);
  void ToggleRecording();
  bool Confirm(const QString& message, bool three_buttons, int* choice = nullptr);
  // Shows a message in the prompt.
  void Tell(const QString& message);
  // A write to the mouse's macros failed: the user is told and the slot table read again.
  void MouseWriteFailed();
  bool AskText(const QString& message, int max_length, QString& text);
  void StartJob(MouseJob job, std::function<void()> done);
  ProgressFn ProgressSink();
  int64_t Now() const { return clock ? clock() : clock_.elapsed(); }
  uint32_t Tick() const { return static_cast<uint32_t>(std::max<int64_t>(1, Now())); }
  QString T(int family, int index) const;
  int InstructionRowAt(const QPoint& pos) const;
  int PanelRowAt(const QPoint& pos) const;
  bool CommandOn(Command c) const;
  int ScanCodeOf(const QKeyEvent* e) const;
  RecordOutput Output();

  Deps deps_;
  Macro macro_;
  std::string path_;  // the file the macro came from
  int source_slot_ = -1;
  bool modified_ = false;
  int cursor_ = 0;
  int sel_first_ = -1;
  int sel_last_ = -1;
  MacroItemList clipboard_;
  MacroRecorder recorder_;

  std::vector<PanelRow> rows_;
  int selected_row_ = -1;
  int panel_scroll_ = 0;
  int list_scroll_ = 0;  // pixels

  bool busy_ = false;
  double progress_ = -1;
  QString status_;

  // Pointer state.
  enum Drag { kDragNone, kDragInstruction, kDragMacro, kDragEntry };
  Drag drag_ = kDragNone;
  bool drag_started_ = false;
  int drag_from_ = -1;
  QPoint press_pos_;
  int hot_command_ = -1;
  QPoint pointer_{-1, -1};  // last pointer position over the window
  QString shown_tip_;       // the tip line as last drawn
  QElapsedTimer clock_;
};

}  // namespace halvric
