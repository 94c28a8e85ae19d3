#pragma once
// The floating list of macros or library functions from which the user drags an entry onto a
// button of the main window. In macro mode it also serves as a picker: a double click on the
// selected row closes it with that macro's path. The window itself never talks to the mouse;
// a drop is handed to the owner.

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "macro/list_scrolling.h"
#include "macro/macro_list_item.h"

namespace halvric {
class AppFonts;
class MacroLibrary;
class TextTables;
}  // namespace halvric

// The list's type name clashes with the entry array of the same name, so the window lives in
// the windows' own namespace.
namespace halvric::ui {

class MacroList : public QDialog {
  Q_OBJECT

 public:
  enum Mode { kMacroMode = 0, kLibraryMode = 1 };
  enum DragState { kDragNone = 0, kDragPressed = 1, kDragDragging = 2 };
  static constexpr int kRowHeight = 40;
  static constexpr int kFirstRowY = 10;
  static constexpr int kMacroWidth = 300;
  static constexpr int kLibraryWidth = 540;  // 500 plus a 40-pixel margin
  static constexpr int kHeight = 480;

  MacroList(const AppFonts& fonts, const TextTables& texts, QWidget* parent = nullptr);

  // Shows `entries` (not owned; the owner keeps it alive while shown). Macro mode entries are
  // the library's PC macros; `library` is needed there for deletion and folder state.
  void SetList(Mode mode, const halvric::MacroList* entries, MacroLibrary* library = nullptr);
  // The owner rebuilt the list it handed over.
  void ListChanged();

  // A drop of `entry` at a screen position; the owner decides what lies there.
  std::function<void(const _MACRO_LIST_ITEM_& entry, const QPoint& global_pos)> on_drop;
  // The macro files changed (a deletion).
  std::function<void()> on_files_changed;

  Mode mode() const { return mode_; }
  int Selected() const { return selected_; }
  int FirstRow() const { return first_row_; }
  int ScrollPos() const { return scroll_; }
  int Drag() const { return drag_; }
  double WheelFactor() const { return wheel_.factor(); }
  const std::string& ResultPath() const { return result_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // The row drawn at row index `row`, in window coordinates.
  QRect RowRect(int row) const;
  QRect HideRect() const;
  QRect ScrollBarRect() const;
  // Row index of the entry named `name` (-1 when none).
  int RowOf(const std::string& name) const;
  // The entry of a row.
  const _MACRO_LIST_ITEM_& EntryOfRow(int row) const;

  // The program's close request: closes as if cancelled.
  void CloseRequest();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  void Rebuild();
  int RowAt(const QPoint& pos) const;
  void MoveSelection(int delta);
  void SetFirstRow(int row);
  bool IsOpen(const _MACRO_LIST_ITEM_& folder) const;

  const AppFonts& fonts_;
  const TextTables& texts_;
  Mode mode_ = kMacroMode;
  const halvric::MacroList* entries_ = nullptr;
  MacroLibrary* library_ = nullptr;
  std::vector<int> rows_;  // entry index of each visible row
  std::map<std::string, bool> open_;  // folder state of library mode
  int selected_ = -1;
  int hover_ = -1;
  int pressed_ = -1;
  int scroll_ = 0;
  int first_row_ = 0;
  int drag_ = kDragNone;
  bool scrollbar_drag_ = false;
  bool moving_window_ = false;
  QPoint press_pos_;
  QPoint move_origin_;
  std::string result_;
  WheelAccelerator wheel_{20.0};
  QElapsedTimer clock_;
};

}  // namespace halvric::ui
