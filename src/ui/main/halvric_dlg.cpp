#include "ui/main/halvric_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

#include "config/backup_restore.h"
#include "config/program_settings.h"
#include "config/reset_defaults.h"
#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"
#include "config/key_labels.h"
#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "config/usage_to_scan_table.h"
#include "macro/macro_library.h"
#include "platform/foreground_window.h"
#include "platform/pointer_acceleration.h"
#include "platform/profile_file.h"
#include "platform/text_encoding.h"
#include "services/app_links.h"
#include "services/foreground_check.h"
#include "services/main_window_model.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_text.h"
#include "ui/main/main_button_page.h"
#include "ui/main/main_dpi_page.h"
#include "ui/main/main_other_page.h"
#include "ui/main/main_sub_windows.h"
#include "ui/osd/disp_dlg.h"
#include "ui/upgrade/upgrade_dlg.h"

namespace halvric {

CHalvricDlg::CHalvricDlg(DlgDeps deps, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ctx_(*deps.context),
      fonts_(*deps.fonts),
      texts_(*deps.texts),
      data_folder_(deps.data_folder),
      start_hidden_(deps.start_hidden),
      tray_available_(std::move(deps.tray_available)),
      host_input_notice_(QString::fromStdString(deps.host_input_notice)),
      foreground_notice_(QString::fromStdString(deps.foreground_notice)),
      pin_(deps.pin),
      active_window_notices_(deps.active_window_notices),
      pointer_(std::move(deps.pointer)),
      foreground_(std::move(deps.foreground)),
      button_page_(std::make_unique<ButtonPage>(*this)),
      dpi_page_(std::make_unique<DpiPage>(*this)),
      other_page_(std::make_unique<OtherPage>(*this)),
      windows_(std::make_unique<SubWindowHost>(*this)) {
  clock_.start();
  setWindowTitle(QString::fromLatin1(kProductName));
  setWindowIcon(AppIcon());
  setFixedSize(kWindowWidth, kWindowHeight);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  ctx_.report_tag.store(kReportTag);

  // Options and links of set.ini; the acceleration option is applied at once.
  settings_ = LoadLinkSettings(data_folder_, DesktopDescription());
  if (settings_.disable_acc != 0 && pointer_) ApplyAccelerationOption(*pointer_, true);

  session_ = deps.session;
  reports_ = std::make_unique<ReportService>(session_->backend(), ctx_, static_cast<ReportView&>(*this),
                                             ReportServiceOptions{.display = true});
  reports_->Display().SetEnabled(settings_.osd != 0);
  session_->SetReportService(reports_.get());
  model_ = std::make_unique<MainWindowModel>(*session_);
  // A setting the mouse did not take (a debounced DPI, rate or angle-snapping send, a profile or
  // DPI level click): the window reads the mouse again rather than show the value it kept.
  model_->SetWriteFailedHandler([this] { WriteFailed(); });
  prompt_ = new CStrDlg(fonts_, texts_, this);
  osd_ = new CDispDlg(*reports_, fonts_, texts_);
  connect(osd_, &CDispDlg::faded, this, [this] {
    if (isVisible()) update();
  });


  BuildItems();
  // The key names come first: the button dialog's on-screen keyboard and the macro editor take
  // theirs from the same labels as the window's buttons.
  key_labels_ = std::make_shared<const KeyLabels>(ProgramScanTable(), deps.key_names);
  CreateMacroWindows(deps.library);
  AddWindowItems();
  if (deps.movement_intake != nullptr) reports_->SetMovementIntake(deps.movement_intake);

  // Timers: all single-shot except the countdowns.
  for (QTimer* t : {&timer2_, &timer3_, &timer4_, &timer5_, &timer9_, &timer10_, &timer200_, &timer445_}) {
    t->setSingleShot(true);
  }
  connect(&timer1_, &QTimer::timeout, this, &CHalvricDlg::OnTimer1);
  connect(&timer2_, &QTimer::timeout, this, &CHalvricDlg::OnTimer2);
  // Timers 3, 4, 5 and 9 are the debounce of the model's pending changes: each flushes one kind.
  connect(&timer3_, &QTimer::timeout, this, [this] { model_->FlushDpi(); });
  connect(&timer4_, &QTimer::timeout, this, [this] { model_->FlushRate(); });
  connect(&timer5_, &QTimer::timeout, this, [this] { model_->FlushAngleSnapping(); });
  connect(&timer7_, &QTimer::timeout, this, &CHalvricDlg::OnTimer7);
  connect(&timer8_, &QTimer::timeout, this, &CHalvricDlg::RunForegroundCheck);
  connect(&timer9_, &QTimer::timeout, this, [this] { model_->FlushLift(); });
  connect(&timer10_, &QTimer::timeout, this, &CHalvricDlg::OnTimer10);
  connect(&timer11_, &QTimer::timeout, this, &CHalvricDlg::OnTimer11);
  connect(&timer200_, &QTimer::timeout, this, [this] {
    LayoutSliders();
    update();
  });
  connect(&timer445_, &QTimer::timeout, this, [this] { update(); });
  connect(&glow_timer_, &QTimer::timeout, this, [this] {
    if (hover_.kind != kHitButton) {
      glow_timer_.stop();
      return;
    }
    glow_phase_ = (glow_phase_ + 1) % 40;
    update(ButtonItemRect(hover_.index).adjusted(-6, -6, 6, 6));
  });

  // Tray icon with its tip cut to 20 characters.
  tray_ = new QSystemTrayIcon(AppIcon(), this);
  tray_->setToolTip(TrayTip(QString::fromLatin1(kProductName)));
  connect(tray_, &QSystemTrayIcon::activated, this, &CHalvricDlg::OnTrayActivated);
  tray_menu_ = new QMenu(this);
  tray_menu_->addAction(QString::fromStdString(texts_.Get(TextFamily::menu_str, 0)), this, &CHalvricDlg::ShowFromTray);
  tray_menu_->addAction(QString::fromStdString(texts_.Get(TextFamily::menu_str, 1)), this, &CHalvricDlg::Quit);
  tray_->show();

  // The foreground check: woken by the X server when the active window changes; a timer only
  // where no such notice exists, and only while some profile is linked.
  if (foreground_) {
    foreground_check_ = std::make_unique<ForegroundCheck>(
        *foreground_, ctx_,
        [this](int profile) {
          model_->SwitchProfileLive(profile);
          AfterProfileSwitch();
          return true;
        },
        [this] {
          if (isVisible()) update();
        });
  }
  RunForegroundCheck();

  timer1_.start(20);
  timer2_.start(100);
}

CHalvricDlg::~CHalvricDlg() {
  ctx_.quit.store(true);
  for (QTimer* t : {&timer1_, &timer2_, &timer3_, &timer4_, &timer5_, &timer7_, &timer8_, &timer9_,
                    &timer10_, &timer11_, &timer200_, &timer445_}) {
    t->stop();
  }
  ShutdownSubWindows();
  session_->Shutdown();
  reports_->Stop();
  if (tray_ != nullptr) tray_->hide();
  delete osd_;
}

bool CHalvricDlg::Quitting() const { return ctx_.quit.load(); }

double CHalvricDlg::GlowLevel() const {
  if (hover_.kind != kHitButton) return 0;
  // One pulse every 40 ticks of 40 ms.
  return 0.5 - 0.5 * std::cos(glow_phase_ * 2 * 3.14159265358979 / 40);
}

int CHalvricDlg::RedrawDelayMs() const {
  // A double click on a profile box must be over before the redraw; an unusable setting gives
  // 100 ms.
  const int stored = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  return stored >= 50 && stored <= 2147483597 ? stored + 50 : 100;
}

const WorkingCopy& CHalvricDlg::workingCopy() const { return model_->wc(); }
bool CHalvricDlg::HasDevice() const { return model_->HasDevice(); }
const std::string& CHalvricDlg::DevicePath() const { return model_->DevicePath(); }

CButtonSetDlg& CHalvricDlg::buttonDialog() { return *windows_->buttonDialog(); }
MacroEdit& CHalvricDlg::macroEditor() { return *windows_->macroEditor(); }
ui::MacroList& CHalvricDlg::macroList() { return *windows_->macroList(); }
ColorDlg* CHalvricDlg::lightingWindow() const { return windows_->lightingWindow(); }
UpgradeDlg* CHalvricDlg::upgradeWindow() const { return windows_->upgradeWindow(); }
void CHalvricDlg::OpenButtonDialog(int button) { windows_->OpenButtonDialog(button); }
void CHalvricDlg::ShowMacroEditor() { windows_->ShowMacroEditor(); }
void CHalvricDlg::ShowFunctionList(bool show) { windows_->ShowFunctionList(show); }
void CHalvricDlg::OpenLighting() { windows_->OpenLighting(); }
void CHalvricDlg::OpenUpgrade() { windows_->OpenUpgrade(); }

QRect CHalvricDlg::ProfileBoxRect(int profile) const { return button_page_->ProfileBoxRect(profile); }
QRect CHalvricDlg::ProfileEnableRect(int profile) const { return button_page_->ProfileEnableRect(profile); }
QRect CHalvricDlg::ColourCellRect(int index) const { return button_page_->ColourCellRect(index); }
int CHalvricDlg::ColourCellCount() const { return button_page_->ColourCellCount(); }
QRect CHalvricDlg::AppAreaRect() const { return button_page_->AppAreaRect(); }
QRect CHalvricDlg::LinkRemoveRect() const { return button_page_->LinkRemoveRect(); }
QRect CHalvricDlg::ButtonItemRect(int button) const { return button_page_->ButtonItemRect(button); }
QRect CHalvricDlg::CaptureIconRect(int button) const { return button_page_->CaptureIconRect(button); }

QRect CHalvricDlg::LevelBoxRect(int level) const { return dpi_page_->LevelBoxRect(level); }
QRect CHalvricDlg::LevelEnableRect(int level) const { return dpi_page_->LevelEnableRect(level); }
const std::vector<CHalvricDlg::Slider>& CHalvricDlg::sliders() const { return dpi_page_->sliders(); }
int CHalvricDlg::SliderIndex(SliderKind kind) const { return dpi_page_->SliderIndex(kind); }
QPoint CHalvricDlg::SliderPoint(SliderKind kind, int value) const { return dpi_page_->SliderPoint(kind, value); }
int CHalvricDlg::SliderValue(SliderKind kind) const { return dpi_page_->SliderValue(kind); }
void CHalvricDlg::LayoutSliders() { dpi_page_->LayoutSliders(); }

QString CHalvricDlg::T(int family, int index) const {
  return QString::fromStdString(texts_.Get(static_cast<TextFamily>(family), index));
}

// ---------------------------------------------------------------------------------------------
// Items and sliders

void CHalvricDlg::BuildItems() {
  auto text = [this](TextFamily f, int i) { return QString::fromStdString(texts_.Get(f, i)); };
  items_.clear();
  auto add = [this](ItemKind kind, int action, int selection, int page, QString caption, QString hint, QRect r,
                    int group = 0, int parameter = 0) {
    SettingsItem it;
    it.kind = kind;
    it.action = action;
    it.selection = selection;
    it.page = page;
    it.caption = std::move(caption);
    it.hint = std::move(hint);
    it.rect = r;
    it.group = group;
    it.parameter = parameter;
    items_.push_back(it);
  };
  add(kRadio, 1, 0, -1, text(TextFamily::button_str, text_id::kBtnButtonPage), {}, QRect(16, 120, 168, 42), 1);
  add(kRadio, 2, 0, -1, text(TextFamily::button_str, text_id::kBtnDpiPage), {}, QRect(16, 170, 168, 42), 1);
  add(kRadio, 3, 0, -1, text(TextFamily::button_str, text_id::kBtnOtherPage), {}, QRect(16, 220, 168, 42), 1);
  items_[0].value = 1;
  add(kPush, 4, 0, -1, {}, text(TextFamily::button_str, text_id::kBtnHide), QRect(984, 12, 28, 28));
  add(kPush, 4, 1, -1, {}, {}, QRect(948, 12, 28, 28));
  add(kToggle, 5, 0, kDpiPage, text(TextFamily::button_str, text_id::kBtnXYIndependent), {}, QRect(224, 196, 240, 28));
  add(kToggle, 6, 0, kOtherPage, text(TextFamily::button_str, text_id::kBtnAngleSnapping), {},
      QRect(236, 110, 240, 30));
  add(kPush, 7, 0, kOtherPage, text(TextFamily::button_str, text_id::kBtnBackup),
      text(TextFamily::button_tip_str, text_id::kTipBackup), QRect(516, 110, 200, 38));
  add(kPush, 7, 1, kOtherPage, text(TextFamily::button_str, text_id::kBtnRestore),
      text(TextFamily::button_tip_str, text_id::kTipRestore), QRect(516, 158, 200, 38));
  add(kPush, 7, 2, kOtherPage, text(TextFamily::button_str, text_id::kBtnReset),
      text(TextFamily::button_tip_str, text_id::kTipReset), QRect(516, 206, 200, 38));
  add(kToggle, 9, 0, kOtherPage, text(TextFamily::button_str, text_id::kBtnOsd), {}, QRect(236, 150, 250, 30));
  add(kToggle, 10, 0, kOtherPage, text(TextFamily::button_str, text_id::kBtnDisableAcceleration), {},
      QRect(236, 190, 260, 30));
  add(kDropTarget, 11, 0, kButtonPage, text(TextFamily::drag_tip_str, text_id::kDragRemove), {},
      QRect(220, 540, 320, 44));
  for (int n = 0; n < 4; ++n) {
    const QRect box = LevelBoxRect(n);
    add(kToggle, 13, 0, kDpiPage, QStringLiteral("X \u2265 Y"), {}, QRect(box.x() + 10, box.bottom() - 30, 100, 24), 0,
        n);
  }
  // "Macro edit" and the function list switch.
  item_macro_edit_ = static_cast<int>(items_.size());
  add(kPush, 8, 1, kOtherPage, text(TextFamily::button_str, 33), {}, QRect(516, 302, 200, 38));
  item_function_list_ = static_cast<int>(items_.size());
  add(kToggle, 12, 0, kButtonPage, text(TextFamily::button_str, 32), text(TextFamily::msg_str, 8), QRect(760, 124, 170, 30));
  item_language_ = static_cast<int>(items_.size());
  add(kPush, 14, 0, kOtherPage, OtherPage::LanguageCaption(texts_.language()), {}, QRect(770, 372, 234, 34));
  items_[kItemOsd].value = settings_.osd != 0;
  items_[kItemAcceleration].value = settings_.disable_acc != 0;
}

int CHalvricDlg::MaxRawDpi() const { return std::clamp(16000 / std::max(1, model_->wc().dpi_step), 1, 255); }

// ---------------------------------------------------------------------------------------------
// Geometry of the hot items

QRect CHalvricDlg::DeviceSelectorRect(int entry) const { return {600, 12 + entry * 30, 320, 28}; }

QString CHalvricDlg::DeviceSelectorText(int entry) const {
  auto label = [this](size_t i) {
    const std::string& path = mice_[i];
    const std::string name = i < mouse_names_.size() ? mouse_names_[i] : std::string();
    const QString file = QString::fromStdString(std::filesystem::path(path).filename().string());
    if (name.empty()) return file;
    const bool shared = std::count(mouse_names_.begin(), mouse_names_.end(), name) > 1;
    return shared ? QStringLiteral("%1 (%2)").arg(QString::fromStdString(name), file) : QString::fromStdString(name);
  };
  if (entry > 0) {
    const auto i = static_cast<size_t>(entry - 1);
    return i < mice_.size() ? label(i) : QString();
  }
  const auto at = std::find(mice_.begin(), mice_.end(), model_->DevicePath());
  const QString current = at != mice_.end() ? label(static_cast<size_t>(at - mice_.begin()))
                                            : QString::fromStdString(ModelName(info_));
  return current + QStringLiteral("  \u25be");
}

int CHalvricDlg::DrawnButtons() const { return std::clamp(layout_.buttons, 0, kMaxDrawnButtons); }

int CHalvricDlg::ButtonOfKey(int key) const {
  for (int i = 0; i < DrawnButtons(); ++i) {
    if (layout_.key_index[static_cast<size_t>(i)] == key) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Hit-testing, in the fixed order of the hot items

bool CHalvricDlg::HitTestsOff() const { return busy_ > 0 || capture_.Active() || prompt_->isVisible(); }

CHalvricDlg::Hit CHalvricDlg::HitTest(const QPoint& pos) const {
  if (HitTestsOff()) return {};
  const bool device = HasDevice();
  // 1. Device selector.
  if (device && mice_.size() > 1) {
    const int entries = selector_open_ ? static_cast<int>(mice_.size()) + 1 : 1;
    for (int e = 0; e < entries; ++e) {
      if (DeviceSelectorRect(e).contains(pos)) return {kHitDeviceSelector, e};
    }
  }
  if (device && page_ == kButtonPage) {
    // 2-3. Profile colour cells and key-capture icons.
    if (const Hit h = button_page_->HitBeforeItems(pos); h.kind != kHitNone) return h;
  }
  // 4. Settings items.
  for (size_t i = 0; i < items_.size(); ++i) {
    const SettingsItem& it = items_[i];
    if (it.page != -1 && it.page != page_) continue;
    if (!device && i != kItemHide && i != kItemMinimise) continue;
    if (it.rect.contains(pos)) return {kHitItem, static_cast<int>(i)};
  }
  if (!device) return {};
  if (page_ == kButtonPage) {
    // 5-8. Button items, profile enable boxes, the application area and the link removal square.
    if (const Hit h = button_page_->HitAfterItems(pos); h.kind != kHitNone) return h;
  }
  if (page_ == kDpiPage) {
    // 9-10. DPI level enable boxes and level boxes.
    if (const Hit h = dpi_page_->HitLevels(pos); h.kind != kHitNone) return h;
  }
  if (page_ == kButtonPage) {
    // 11. Profile boxes.
    if (const Hit h = button_page_->HitProfileBoxes(pos); h.kind != kHitNone) return h;
  }
  // 12. Sliders.
  return dpi_page_->HitSliders(pos);
}

// ---------------------------------------------------------------------------------------------
// Settings items

void CHalvricDlg::ActivateItem(int index) {
  SettingsItem& it = items_[static_cast<size_t>(index)];
  if (it.kind == kRadio) {
    for (SettingsItem& other : items_) {
      if (other.kind == kRadio && other.group == it.group) other.value = 0;
    }
    it.value = 1;
  } else if (it.kind == kToggle) {
    it.value = it.value ? 0 : 1;
  }
  if (index == item_macro_edit_ || index == item_function_list_) {
    if (index == item_macro_edit_) ShowMacroEditor();
    else ShowFunctionList(it.value != 0);
    update();
    return;
  }
  switch (it.action) {
    case 1: ShowPage(kButtonPage); break;
    case 2: ShowPage(kDpiPage); break;
    case 3: ShowPage(kOtherPage); break;
    case 4:
      if (it.selection == 0) close();  // hides, or quits where there is no tray
      else showMinimized();
      break;
    case 5: break;  // the DPI sliders read the item's value
    case 6:
      model_->SetAngleSnapping(it.value != 0);
      timer5_.start(1000);
      break;
    case 7:
      if (it.selection == 0) other_page_->RunBackup();
      else if (it.selection == 1) other_page_->RunRestore();
      else other_page_->RunReset();
      break;
    case 8:
      if (it.selection == 0) OpenLighting();
      break;
    case 9:
      settings_.osd = it.value;
      reports_->Display().SetEnabled(it.value != 0);
      SaveSettings();
      break;
    case 10:
      settings_.disable_acc = it.value;
      // Kept for a session that allows it; this one does not, and says so.
      if (!pointer_) SetHint(UiText(texts_, ui_text::kAccelNotSettable), 50);
      ApplyAcceleration();
      SaveSettings();
      break;
    case 13:
      // Held per level in the program: the mouse has no command that stores it.
      level_options_[static_cast<size_t>(it.parameter)] = it.value != 0;
      UpdateOsdModel();
      break;
    case 14: other_page_->ChooseLanguage(); break;
    default: break;
  }
  update();
}

void CHalvricDlg::ShowPage(int page) {
  page_ = page;
  selector_open_ = false;
  if (page == kDpiPage) LayoutSliders();
  update();
}

void CHalvricDlg::SetHint(const QString& text, int ticks) {
  hint_ = text;
  hint_ticks_ = ticks;
  timer7_.start(100);
  update();
}

void CHalvricDlg::OnTimer7() {
  if (--hint_ticks_ > 0) return;
  timer7_.stop();
  hint_.clear();
  update();
}

void CHalvricDlg::ApplyAcceleration() {
  if (pointer_) ApplyAccelerationOption(*pointer_, settings_.disable_acc != 0);
}

void CHalvricDlg::SaveSettings() {
  std::string error;
  SaveLinkSettings(settings_, data_folder_, &error);
}

void CHalvricDlg::SaveDpiState() {
  // A missing data folder fails silently, as for the other options.
  ProfileFile set_ini((data_folder_ / kSettingsFileName).string());
  std::string error;
  halvric::SaveDpiState(model_->wc(), set_ini, &error);
}

// ---------------------------------------------------------------------------------------------
// Backup, restore, reset

void CHalvricDlg::BeginBusy() {
  ++busy_;
  progress_ = -1;
  hover_ = {};
  update();
}

void CHalvricDlg::EndBusy() {
  busy_ = std::max(0, busy_ - 1);
  if (busy_ == 0) progress_ = -1;
  update();
}

// ---------------------------------------------------------------------------------------------
// Links and the information page


void CHalvricDlg::RunForegroundCheck() {
  const bool any_link = std::any_of(settings_.links.begin(), settings_.links.end(),
                                    [](const AppLink& l) { return !l.path.empty(); });
  if (!foreground_check_ || !any_link) {
    timer8_.stop();
    return;
  }
  // Without the server's notice of focus changes the check polls, but only while links exist.
  if (!active_window_notices_ && !timer8_.isActive()) timer8_.start(500);
  if (HasDevice()) foreground_check_->Run(settings_.links);
}

// ---------------------------------------------------------------------------------------------
// Timers 1, 6, 10, 11 and the tray

void CHalvricDlg::OnTimer1() {
  if (!isVisible()) {
    // Started hidden, or hidden again by the user: nothing is waiting to be shown.
    if (shown_once_ || start_hidden_) timer1_.stop();
    return;
  }
  timer1_.stop();
  if (!start_hidden_) {
    raise();
    activateWindow();
    // A prompt already open (a message of the first library scan) stays over the window.
    if (prompt_->isVisible()) {
      prompt_->raise();
      prompt_->activateWindow();
    }
  }
  update();
}

void CHalvricDlg::OnTimer11() {
  if (capture_.Tick(NowMs())) {
    timer11_.stop();
    releaseKeyboard();
  }
  update();
}

void CHalvricDlg::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      if (tray_double_clicked_) {
        tray_double_clicked_ = false;
        return;
      }
      timer10_.start(500);
      break;
    case QSystemTrayIcon::Context:
      if (tray_double_clicked_) {
        tray_double_clicked_ = false;
        return;
      }
      timer10_.start(10);
      break;
    case QSystemTrayIcon::DoubleClick:
      timer10_.stop();
      tray_double_clicked_ = true;
      ShowFromTray();
      break;
    default: break;
  }
}

void CHalvricDlg::OnTimer10() {
  activateWindow();
  tray_menu_->popup(QCursor::pos());
}

void CHalvricDlg::ShowFromTray() {
  start_hidden_ = false;
  showNormal();
  raise();
  activateWindow();
  // A modal message or question already open stays over the window, or the window would sit
  // over the one thing that takes input.
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
    modal->raise();
    modal->activateWindow();
  }
  update();
}

void CHalvricDlg::WakeUp() { ShowFromTray(); }

void CHalvricDlg::Quit() {
  // Every open dialog is cancelled, not torn down; an editor whose changes the user keeps stops
  // the quit.
  if (!windows_->CloseForQuit()) return;
  ctx_.quit.store(true);
  close();
}

void CHalvricDlg::closeEvent(QCloseEvent* e) {
  if (!ctx_.quit.load()) {
    // The close box and Esc only hide the window while the tray icon can bring it back; without
    // a tray they quit, once this close has returned.
    e->ignore();
    if (!tray_available_ || tray_available_()) hide();
    else QTimer::singleShot(0, this, &CHalvricDlg::Quit);
    return;
  }
  if (tray_ != nullptr) tray_->hide();
  e->accept();
}

void CHalvricDlg::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  shown_once_ = true;
  update();
}

}  // namespace halvric
