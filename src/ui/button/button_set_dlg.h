#pragma once
// The button setting dialog: a custom-drawn modal window in which the user picks the function of
// one mouse button from five pages (ready-made mouse functions, the on-screen keyboard, advanced
// functions, macros, key cycles). Every control is drawn and hit-tested by the dialog itself.
// One instance lives as long as the main window and is prepared anew for every opening.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "config/button_assignment.h"
#include "config/function_catalogue.h"
#include "config/screen_keyboard.h"
#include "device/memory_map.h"
#include "macro/list_scrolling.h"
#include "macro/macro_list_item.h"

namespace halvric {

class AppFonts;
class KeyLabels;
class TextTables;

// What the main window hands over for one opening.
struct ButtonSetRequest {
  ButtonAssignment current;
  std::vector<int> hidden_types;
  int type_code = 0;
  int protocol_level = 0;
  bool gamepad = false;
  int dpi_unit = 50;
  int max_dpi = 255;  // largest raw DPI value of the model
  int profile = 0;
  uint32_t key_cycle_address = 0;  // where the mouse keeps that profile's key-cycle block
  // The current profile's key-cycle block, edited in place (restored on cancel). May be null.
  std::array<uint8_t, kExtensionSize>* key_cycle = nullptr;
  // Rows of the macro page: groups (folders) each followed by their entries. May be null.
  const MacroList* macros = nullptr;
};

class CButtonSetDlg : public QDialog {
  Q_OBJECT

 public:
  enum Page { kPageMouse = 0, kPageKeyboard, kPageAdvanced, kPageMacro, kPageKeyCycle, kPageCount };
  static constexpr int kWidth = 1024;
  static constexpr int kHeight = 600;
  static constexpr int kMaxCycleKeys = 5;
  static constexpr int kMacroRowHeight = 32;
  // Top of every page's content, below the tabs.
  static constexpr int kContentTop = 100;

  // `keys` names the keys in descriptions, hints and key cycles; `keyboard` must have been built
  // with the same labels (LoadProgramScreenKeyboard), so that all of them agree.
  CButtonSetDlg(const AppFonts& fonts, const TextTables& texts, std::shared_ptr<const KeyLabels> keys,
                ScreenKeyboard keyboard, QWidget* parent = nullptr);

  // Prepares the dialog for `request` (catalogue, sliders, first page, marks) without running it.
  void Prepare(const ButtonSetRequest& request);
  // Prepares and runs the dialog modally; 1 when the user confirmed.
  int Open(const ButtonSetRequest& request);
  // Another window asks the dialog to close as if cancelled.
  void CloseRequest();
  // The main window rebuilt the macro list while the dialog is open.
  void MacroListChanged(const MacroList* macros);

  // The Macro page's file and editor actions, provided by the owner (none when not set).
  // Opens the user's macro list as a picker: the chosen file, or empty.
  std::function<std::string()> pick_macro_file;
  // Adds the macro file `path` to the user's macro list; true when it was saved.
  std::function<bool(const std::string& path)> save_to_list;
  // Opens the macro editor once the dialog has closed, with the macro of `entry` when given.
  std::function<void(const std::optional<_MACRO_LIST_ITEM_>& entry)> edit_macro;
  enum MacroAction { kMacroLoad = 0, kMacroSave = 1, kMacroEditor = 2 };
  QRect MacroActionRect(int action) const;
  // Where a row of the macro list is dragged to be edited.
  QRect MacroEditDropRect() const;

  // The result.
  ButtonAssignment Assignment() const { return assignment_; }
  const QString& Description() const { return description_; }
  const std::string& MacroName() const { return macro_name_; }
  // The macro file of the library row chosen on the Macro page while that choice stands, else
  // empty. Such a macro is not in the mouse yet: whoever applies the result stores it first.
  std::string MacroFilePath() const { return assignment_ == macro_file_pick_ ? macro_file_path_ : std::string(); }

  // State, for tests and screenshots.
  int page() const { return page_; }
  const std::vector<_FITEM_>& catalogue() const { return catalogue_; }
  const ScreenKeyboard& keyboard() const { return keyboard_; }
  bool SlidersShown() const { return sliders_shown_; }
  int SliderCount() const { return slider_count_; }
  int SliderValue(int i) const { return sliders_[static_cast<size_t>(i)].value; }
  int SliderMaximum(int i) const { return sliders_[static_cast<size_t>(i)].maximum; }
  bool CapturingCycleKey() const { return cycle_capture_; }
  int MacroSelectedRow() const { return macro_selected_; }
  int MacroScroll() const { return macro_scroll_; }
  int MacroScrollTarget() const { return macro_scroll_target_; }
  int VisibleMacroRows() const { return static_cast<int>(rows_.size()); }
  int HintAlpha() const { return hint_alpha_; }

  // Hit areas in dialog coordinates.
  QRect PageTabRect(int page) const;
  QRect EntryRect(int catalogue_index) const;  // empty when the entry is not drawn
  QRect KeyRect(int key) const;
  QRect PresetRect(int preset) const;
  int PresetCount() const;
  QString PresetCaption(int preset) const;
  QRect SliderTrack(int i) const;
  QRect SliderArrowRect(int i, bool up) const;
  QRect CycleTypeRect(int n) const;  // 0 positive, 1 reverse, 2 current position
  QRect CycleAddRect() const;
  QRect CycleClearRect() const;
  QRect MacroRowRect(int visible_row) const;  // by position on screen (0 = first drawn)
  QRect MacroListRect() const;
  QRect ConfirmRect() const;
  QRect CancelRect() const;
  QRect DefaultRect() const;
  // The visible macro row showing entry `name` (-1 when none).
  int MacroRowOf(const std::string& name) const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void showEvent(QShowEvent*) override;
  void reject() override;

 private:
  struct SliderState {
    QString label;
    int value = 0;
    int minimum = 1;
    int maximum = 255;
    int step = 1;  // shown value per raw unit
  };
  // One drawn row of the macro page.
  struct MacroRow {
    int entry = -1;   // index into the macro list
    bool group = false;
  };

  void Recompute();
  void ShowPage(int page);
  void ChooseEntry(int index);
  void ClickKey(int key);
  void MarkKeyboard(const ButtonAssignment& a);
  void ChoosePreset(int preset);
  void OpenSliders();
  void SetSliderFromPoint(int i, const QPoint& pos);
  void StepSlider(int i, bool up);
  void WriteSlidersBack();
  void RebuildMacroRows();
  void ClickMacroRow(int visible_row);
  void RunMacroAction(int action);
  // The list entry of the selected macro row (not a group), or null.
  const _MACRO_LIST_ITEM_* SelectedMacroEntry() const;
  void EditAfterClose(const std::optional<_MACRO_LIST_ITEM_>& entry);
  void ScrollMacroRows(int rows);
  void SetCycleType(int n);
  // Where the fading hint is drawn: the title strip, right of the title.
  QRect HintRect() const { return {300, 8, kWidth - 320, 30}; }
  // Ends a key-cycle capture without a key (a click elsewhere).
  void EndCycleCapture();
  void StartCycleCapture();
  void CycleKey(int scan_code);
  void Confirm();
  void Cancel();
  void SetDefault();
  void SetHint(const QString& text);
  int KeyCycleAddress() const;
  int64_t NowMs() const { return clock_.elapsed(); }
  QString T(int family, int index) const;
  // Description of an assignment with the dialog's key names.
  std::string Describe(const ButtonAssignment& a) const;

  // Timers: 1 grow once visible, 2 smooth scroll, 3 arrow auto-repeat, 4 highlight countdown,
  // 6 hint fade.
  void OnTimer2();
  void OnTimer3();
  void OnTimer4();
  void OnTimer6();

  const AppFonts& fonts_;
  const TextTables& texts_;
  std::shared_ptr<const KeyLabels> keys_;
  ScreenKeyboard keyboard_;
  ButtonSetRequest request_;
  std::array<uint8_t, kExtensionSize> cycle_at_open_{};
  bool cycle_edited_ = false;

  ButtonAssignment assignment_;
  QString description_;
  std::string macro_name_;
  std::string macro_file_path_;        // the library file of the chosen Macro page row
  ButtonAssignment macro_file_pick_;   // the assignment that row gave
  int page_ = kPageMouse;
  std::vector<_FITEM_> catalogue_;
  int selected_entry_ = -1;

  std::array<SliderState, 2> sliders_{};
  int slider_count_ = 0;
  bool sliders_shown_ = false;
  int dragging_slider_ = -1;
  int repeat_slider_ = -1;
  bool repeat_up_ = false;
  int repeat_count_ = 0;

  const MacroList* macros_ = nullptr;
  std::map<std::string, bool> group_open_;  // open state per group name, for the whole run
  std::vector<MacroRow> rows_;
  int macro_selected_ = -1;  // index into rows_
  int macro_scroll_ = 0;     // pixels
  int macro_scroll_target_ = 0;
  bool macro_dragging_ = false;
  bool macro_row_drag_ = false;  // a row is being dragged out of the list, to be edited
  QPoint macro_press_;
  int macro_press_scroll_ = 0;
  WheelAccelerator wheel_{6.0};

  bool cycle_capture_ = false;

  QString hint_;
  int hint_alpha_ = 0;
  int hint_hold_ = 0;
  bool hint_rising_ = false;

  QPoint drag_origin_;
  bool moving_window_ = false;
  int hover_key_ = -1;
  QElapsedTimer clock_;
  QTimer timer1_, timer2_, timer3_, timer4_, timer6_;
};

}  // namespace halvric
