#pragma once
// The main window: a fixed 1024 x 600 custom-drawn window with three pages (buttons, DPI,
// other), the hub of the program's background work. It owns the tray icon, the on-screen display
// and the report service, and composes one class per page (main_*_page.h), the sub-window host
// (main_sub_windows.h) and the Qt-free model of its working copy and pending sends
// (services/main_window_model.h). The device session is the program's, reached through
// DeviceConnection: every exchange with the mouse is queued on the session's worker and its
// result comes back as a queued call, so this window's thread never waits.

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/button_assignment.h"
#include "config/program_settings.h"
#include "config/working_copy.h"
#include "device/model_layout.h"
#include "macro/macro_list_item.h"
#include "platform/foreground_window.h"
#include "platform/pointer_acceleration.h"
#include "services/device_connection.h"
#include "services/program_context.h"
#include "services/report_service.h"
#include "ui/kit/key_capture.h"

class QMenu;

namespace halvric {

class AppFonts;
class CDispDlg;
class ColorDlg;
class MovementIntake;
class KeyLabels;
class KeyNameSource;
class UpgradeDlg;
class CStrDlg;
class CButtonSetDlg;
class MacroEdit;
class MacroLibrary;
namespace ui {
class MacroList;
}
class ForegroundCheck;
class MainWindowModel;
class ButtonPage;
class DpiPage;
class OtherPage;
class SubWindowHost;
class TextTables;

inline constexpr int kWindowWidth = 1024;
inline constexpr int kWindowHeight = 600;
inline constexpr const char* kProductName = "TORVANE HALVRIC";

// Everything the window is given by the application object.
struct DlgDeps {
  ProgramContext* context = nullptr;
  const AppFonts* fonts = nullptr;
  const TextTables* texts = nullptr;
  std::filesystem::path data_folder;
  // Start without ever mapping the window; it is shown from the tray or by a second start.
  bool start_hidden = false;
  // Whether the desktop shows the tray icon now; null: it does. Where it does not, the close box
  // and Esc end the program instead of hiding the window out of reach.
  std::function<bool()> tray_available;
  std::optional<int> pin;  // access code of the information page
  DeviceConnection* session = nullptr;  // the device session; its notifications are connected to the slots below
  std::unique_ptr<PointerSettings> pointer;        // may be null (no display)
  std::unique_ptr<ForegroundWindow> foreground;    // may be null
  // What the link squares say when profiles linked to programs cannot follow every window (no
  // source of the window in front, or one that sees XWayland windows only); empty: nothing.
  std::string foreground_notice;
  // The key labels of the user's keyboard layout; null: the program's own key names.
  std::shared_ptr<const KeyNameSource> key_names;
  // Where movement reports go for tilt-scroll and touch on this computer; null: nowhere. The
  // program owns it and keeps it until the window has gone.
  MovementIntake* movement_intake = nullptr;
  // What of tilt-scroll and touch does not run here, and why (shown on the Other page); empty:
  // both run.
  std::string host_input_notice;
  // The program tells the window of active-window changes (RunForegroundCheck); without such
  // notices the foreground check polls while some profile is linked.
  bool active_window_notices = false;
  MacroLibrary* library = nullptr;                 // the program's macro library; null: the window keeps its own
};

// The window is the report service's view: each update is queued to the window's thread.
class CHalvricDlg : public QWidget, private ReportView {
  Q_OBJECT

 public:
  enum Page { kButtonPage = 0, kDpiPage = 1, kOtherPage = 2 };
  enum SliderKind { kSliderDpiX = 0, kSliderDpiY = 1, kSliderRate = 2, kSliderLift = 3 };
  enum ItemKind { kToggle, kRadio, kPush, kDropTarget };

  struct SettingsItem {
    ItemKind kind = kPush;
    int value = 0;
    int group = 0;
    int action = 0;
    int selection = 0;
    int parameter = 0;
    int page = -1;  // -1: every page
    QString caption;
    QString hint;
    QRect rect;
  };

  struct Slider {
    SliderKind kind = kSliderDpiX;
    int page = kDpiPage;
    QRect track;
    int minimum = 1;
    int maximum = 255;
    int value = 1;
  };

  // Fixed settings item indices.
  enum ItemIndex {
    kItemButtonPage = 0, kItemDpiPage, kItemOtherPage, kItemHide, kItemMinimise, kItemXYIndependent,
    kItemAngleSnapping, kItemBackup, kItemRestore, kItemReset, kItemOsd, kItemAcceleration, kItemDropTarget,
    kItemLevelOption0,  // four in a row, one per DPI level 0-3
  };

  explicit CHalvricDlg(DlgDeps deps, QWidget* parent = nullptr);
  ~CHalvricDlg() override;

  // --- for the application object, tests and screenshots
  CStrDlg& prompt() { return *prompt_; }
  CDispDlg& osd() { return *osd_; }
  QSystemTrayIcon* tray() { return tray_; }
  const WorkingCopy& workingCopy() const;
  const ModelLayout& layout() const { return layout_; }
  bool HasDevice() const;
  const std::string& DevicePath() const;
  int page() const { return page_; }
  int Busy() const { return busy_; }
  const QString& Hint() const { return hint_; }
  // Why no mouse can be used although one is present (shown under "No device !!"); else empty.
  const QString& NoDeviceReason() const { return no_device_reason_; }
  const QString& HostInputNotice() const { return host_input_notice_; }
  const QString& ForegroundNotice() const { return foreground_notice_; }
  int ProtectedButton() const { return protected_button_; }
  const std::vector<SettingsItem>& items() const { return items_; }
  const std::vector<Slider>& sliders() const;
  const KeyCapture& capture() const { return capture_; }
  bool Quitting() const;

  // Hot item areas, in window coordinates.
  QRect ProfileBoxRect(int profile) const;
  QRect ProfileEnableRect(int profile) const;
  QRect ColourCellRect(int index) const;
  int ColourCellCount() const;
  QRect AppAreaRect() const;
  QRect LinkRemoveRect() const;
  QRect ButtonItemRect(int button) const;
  QRect CaptureIconRect(int button) const;
  QRect LevelBoxRect(int level) const;
  QRect LevelEnableRect(int level) const;
  QRect DeviceSelectorRect(int entry) const;
  // The caption of a device selector entry: entry 0 the mouse in use, entry n the n-th listed
  // mouse, each by its model name (with its interface when two mice share a name).
  QString DeviceSelectorText(int entry) const;
  // The "PIN number" line of the information block (shown while a PIN guards it).
  QRect PinRect() const { return {770, 330, 234, 28}; }
  bool InformationUnlocked() const { return !pin_ || entered_pin_.has_value(); }
  int SliderIndex(SliderKind kind) const;
  QPoint SliderPoint(SliderKind kind, int value) const;
  int SliderValue(SliderKind kind) const;
  // Which drawn button edits device key `key` (-1 when none).
  int ButtonOfKey(int key) const;

  // The sensor gauge's text: the reading, then the level as a percentage of 255.
  static QString SensorGaugeText(int reading, int level) {
    return QString::asprintf("%d ,%2.0f%%", reading, level * 100.0 / 255.0);
  }
  // The pulse of the hovered button item's glow, 0-1 (0 when no button item is hovered).
  double GlowLevel() const;

  // The tray icon's tip: the product name cut to 20 characters.
  static QString TrayTip(const QString& product) { return product.left(20); }

  // Shows the window from the tray ("Settings", a second start, a double click on the icon).
  void ShowFromTray();
  // "Quit": closes every prompt, sets the quit flag and closes the window.
  void Quit();
  // Another start asked this one to come to the front.
  void WakeUp();
  // For tests: replaces the file dialogs of backup, restore and links.
  std::function<QString(bool save)> choose_file;
  // For tests: replaces the language menu of the "Other" page; returns the chosen language id,
  // or 0 when the user chose none.
  std::function<int(int current)> choose_language;
  // The "Other" page's language item (its caption names the language in use).
  int LanguageItem() const { return item_language_; }
  // The file name the last backup or restore dialog proposed (empty: none).
  const QString& ProposedFile() const { return proposed_file_; }

  // --- the button setting dialog, the macro editor and the macro list (halvric_dlg_macros.cpp)
  CButtonSetDlg& buttonDialog();
  MacroEdit& macroEditor();
  ui::MacroList& macroList();
  MacroLibrary& library() { return *library_; }
  // Entries of the macro page and of the function list: library groups and the mouse's macros.
  const std::vector<_MACRO_LIST_ITEM_>& functionEntries() const { return function_entries_; }
  // Opens the button setting dialog for a drawn button and applies its result.
  void OpenButtonDialog(int button);
  void ShowMacroEditor();
  void ShowFunctionList(bool show);
  // Rebuilds the function entries and the mouse's macro group after a change.
  void RebuildMacroLists();
  // A list entry dropped at a screen position: assigned to the button there, if any.
  void DropEntry(const _MACRO_LIST_ITEM_& entry, const QPoint& global_pos);
  // --- the lighting and upgrade windows (halvric_dlg_windows.cpp)
  // The settings item "Light effect" (present on the "Other" page for mice with lighting).
  int LightItem() const { return light_item_; }
  bool MouseHasLighting() const;
  bool MouseTakesUpgrade() const;
  // The lighting window for the current mouse (created on first use); the upgrade window (F9).
  void OpenLighting();
  void OpenUpgrade();
  ColorDlg* lightingWindow() const;
  UpgradeDlg* upgradeWindow() const;
  // The key names every window of the program uses: the user's layout, else the table names.
  const KeyLabels& keyLabels() const { return *key_labels_; }

  // Runs the foreground check (linked profiles); the program calls it when the active window
  // changes.
  void RunForegroundCheck();
  // --- the device session's notifications, connected by the program
  void OnConnected(const std::shared_ptr<const ConnectOutcome>& outcome);
  void OnDeviceAdded(const QString& path);
  void OnDeviceRemoved(const QString& path);
  void OnArrivalDone(bool accepted);
  void OnProgress(double fraction);

 signals:
  void settingsLoaded();
  void noDevice();
  void actionFinished(int action, bool ok);
  // The user chose another language on the "Other" page; set.ini names it already. The program
  // starts again in it.
  void languageChosen(int language_id);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void keyReleaseEvent(QKeyEvent*) override;
  void closeEvent(QCloseEvent*) override;
  void showEvent(QShowEvent*) override;

 private:
  friend class ButtonPage;
  friend class DpiPage;
  friend class OtherPage;
  friend class SubWindowHost;

  // A hot item found by the hit tests, in their order.
  enum HitKind {
    kHitNone, kHitDeviceSelector, kHitColourCell, kHitCaptureIcon, kHitItem, kHitButton, kHitProfileEnable,
    kHitAppArea, kHitLinkRemove, kHitLevelEnable, kHitLevelBox, kHitProfileBox, kHitSlider,
  };
  struct Hit {
    HitKind kind = kHitNone;
    int index = -1;
    bool operator==(const Hit&) const = default;
  };

  void BuildItems();
  void LayoutSliders();
  Hit HitTest(const QPoint& pos) const;
  bool HitTestsOff() const;
  void ActivateItem(int index);
  void ShowPage(int page);
  void SetHint(const QString& text, int ticks = 30);

  // Device side.
  void OnTimer2();
  // What the report service tells the window (called on its threads; each queues itself).
  void OnUpgradeReply(std::span<const uint8_t> report) override;
  void OnProfileChanged(int profile) override;
  void OnClosePrompt() override;
  void OnDpiLevelChanged(int level) override;
  void OnDpiValues(int level, uint8_t x, uint8_t y) override;
  void OnAngleSnappingChanged(bool on) override;
  void OnStatus(const StatusReport& report) override;
  void OnShowMainWindow() override;
  void OnMinimiseForeground() override;
  void OnDisplayPass(const OsdPass& pass) override;
  void DropDevice();
  // A write that failed on the way may leave the mouse holding settings the window's copy does not
  // describe: the copy is dropped and the mouse read again. A mouse that does not answer shows as
  // gone until it is plugged in again.
  void ReadMouseAgain();
  // A change the mouse did not take: it is read again and the user told "write error!!" (once
  // while the read is under way).
  void WriteFailed();
  void RefreshAfterLoad();
  void UpdateProtectedButton();
  void UpdateOsdModel();
  // What follows every switch of the current profile that the window did not make itself.
  void AfterProfileSwitch();
  // The delay of the redraw after a profile change: the desktop's double-click time plus 50 ms.
  int RedrawDelayMs() const;
  void SendButton(int key, const ButtonAssignment& a);
  void BeginBusy();
  void EndBusy();

  // Timers.
  void OnTimer1();
  void OnTimer7();
  void OnTimer10();
  void OnTimer11();

  // Interaction helpers.
  void FinishCapture(const CaptureResult& r);
  void ApplyAcceleration();
  void SaveSettings();
  // The DPI level and mask of a mouse that stores no DPI state, into set.ini.
  void SaveDpiState();
  void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
  int64_t NowMs() const { return clock_.elapsed(); }
  QString T(int family, int index) const;
  bool UsesTwoBitColours() const { return workingCopy().map.two_bit_colours; }
  int MaxRawDpi() const;
  int DrawnButtons() const;

  void CreateMacroWindows(MacroLibrary* library);
  void ApplyButtonResult(int key, ButtonAssignment a, bool cycle_changed);
  // Stores the macro file `path` in the first free slot of the mouse, then binds button `key`
  // of the current profile to it; "Lack of space !!" when the mouse has no room for it.
  void BindMacroFile(int key, const std::string& path);
  // Shows `text` in the window's prompt as a message under `title` (empty: the window's title).
  void ShowMessage(const QString& text, const QString& title = {});
  // Shows the library's waiting messages once the window is on screen (over it, not under it).
  void FlushMessages();
  QStringList pending_messages_;  // library messages waiting for the window
  int ButtonAtGlobal(const QPoint& global_pos) const;

  // Painting (halvric_dlg_paint.cpp).
  void PaintNoDevice(QPainter& p);
  void PaintChrome(QPainter& p);
  void PaintItem(QPainter& p, int index);
  static void Heading(QPainter& p, const QFont& f, int x, int y, const QString& text);
  void PaintBusy(QPainter& p);
  void PaintSensorGauge(QPainter& p);
  void PaintDeviceSelector(QPainter& p);
  bool SensorReadingCapable() const { return (info_.feature_flags & 0x08) != 0; }

  // Hooks of the lighting and upgrade windows, the key names and the host input.
  void AddWindowItems();
  void UpdateWindowItems();
  void ShutdownSubWindows();
  // The text shown for a button of a profile: its function described, keyboard keys named with
  // the labels of the user's own keyboard layout.
  std::string ButtonText(int profile, int key) const;
  // A profile's name as shown: its stored name, or "Profile N" for an empty one.
  std::string ProfileName(int profile) const;

  ProgramContext& ctx_;
  const AppFonts& fonts_;
  const TextTables& texts_;
  const std::filesystem::path data_folder_;
  bool start_hidden_;
  std::function<bool()> tray_available_;
  QString host_input_notice_;
  QString foreground_notice_;
  QString no_device_reason_;
  std::optional<int> pin_;
  bool active_window_notices_ = false;
  std::optional<int> entered_pin_;
  ProgramSettings settings_;
  std::unique_ptr<PointerSettings> pointer_;
  std::unique_ptr<ForegroundWindow> foreground_;
  std::unique_ptr<ForegroundCheck> foreground_check_;
  // The pages, each drawing and handling its own items.
  std::unique_ptr<ButtonPage> button_page_;
  std::unique_ptr<DpiPage> dpi_page_;
  std::unique_ptr<OtherPage> other_page_;
  // The lighting and upgrade windows, the button dialog, the macro editor and list, the prompt.
  std::unique_ptr<SubWindowHost> windows_;

  DeviceConnection* session_ = nullptr;  // not owned
  std::unique_ptr<ReportService> reports_;
  CStrDlg* prompt_ = nullptr;
  CDispDlg* osd_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QMenu* tray_menu_ = nullptr;

  // Connected mouse: the working copy and the changes waiting for their send live in the model.
  std::unique_ptr<MainWindowModel> model_;
  ModelLayout layout_;
  DeviceInfo info_;
  std::vector<std::string> mice_;
  std::vector<std::string> mouse_names_;  // model names of mice_, same order
  bool first_search_ = true;
  std::string requested_path_;
  bool selector_open_ = false;

  // Window state.
  int page_ = kButtonPage;
  std::vector<SettingsItem> items_;
  std::array<bool, 4> level_options_{};
  int protected_button_ = -1;
  int busy_ = 0;
  double progress_ = -1;
  Hit hover_;
  Hit press_;
  QPoint press_pos_;
  bool dragging_ = false;
  int dragging_slider_ = -1;
  KeyCapture capture_;
  QString hint_;
  int hint_ticks_ = 0;
  bool tray_double_clicked_ = false;
  bool shown_once_ = false;
  QElapsedTimer clock_;
  QString proposed_file_;

  // Button dialog, macro editor and lists.
  std::unique_ptr<MacroLibrary> own_library_;
  MacroLibrary* library_ = nullptr;
  std::vector<_MACRO_LIST_ITEM_> function_entries_;
  int item_macro_edit_ = -1;
  int item_function_list_ = -1;
  int item_language_ = -1;
  // Lighting and upgrade windows, key names, tilt and touch.
  int light_item_ = -1;
  std::shared_ptr<const KeyLabels> key_labels_;

  // The glow of the hovered button item pulses while the pointer stays on it.
  QTimer glow_timer_;
  int glow_phase_ = 0;
  // The sensor's reading and level as last reported (models that report them).
  int sensor_reading_ = 0;
  int sensor_level_ = 0;
  QTimer timer1_, timer2_, timer3_, timer4_, timer5_, timer7_, timer8_, timer9_, timer10_, timer11_,
      timer200_, timer445_;
};

}  // namespace halvric
