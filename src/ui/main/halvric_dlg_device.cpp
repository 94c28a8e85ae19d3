// The main window's side of the device session and the report service: connecting, arrival
// and removal of mice, and the report service's updates carried out on the window's thread.

#include "ui/main/halvric_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "config/backup_restore.h"
#include "config/program_settings.h"
#include "config/reset_defaults.h"
#include "config/saved_dpi_state.h"
#include "config/setting_changes.h"
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

// ---------------------------------------------------------------------------------------------
// Device arrival, connection and removal

void CHalvricDlg::OnTimer2() {
  session_->Connect(first_search_, requested_path_);
  first_search_ = false;
}

void CHalvricDlg::OnConnected(const std::shared_ptr<const ConnectOutcome>& outcome) {
  requested_path_.clear();
  mice_ = outcome->mice;
  mouse_names_ = outcome->mouse_names;
  mouse_names_.resize(mice_.size());
  no_device_reason_ = QString::fromStdString(outcome->problem);
  if (!outcome->loaded) {
    DropDevice();
    emit noDevice();
    return;
  }
  model_->SetDevice(outcome->path, outcome->wc);
  model_->TakeSavedDpiState(ProfileFile((data_folder_ / kSettingsFileName).string()));
  layout_ = outcome->layout;
  info_ = outcome->info;
  reports_->Status().SetSensorReadingCapable((info_.feature_flags & 0x08) != 0);
  // The profile the mouse plays, as the read-all took it from the mouse's status.
  ctx_.current_profile.store(std::clamp(model_->wc().active_profile, 0, kProfileCount - 1));
  RefreshAfterLoad();
  if (isVisible()) timer1_.start(20);
  timer200_.start(100);
  emit settingsLoaded();
}

void CHalvricDlg::RefreshAfterLoad() {
  RebuildMacroLists();
  UpdateWindowItems();
  ctx_.current_dpi_level.store(model_->wc().dpi_level);
  items_[kItemAngleSnapping].value = model_->wc().angle_snapping;
  LayoutSliders();
  UpdateProtectedButton();
  UpdateOsdModel();
  update();
}

void CHalvricDlg::DropDevice() {
  model_->DropDevice();
  layout_ = ModelLayout{};
  protected_button_ = -1;
  selector_open_ = false;
  UpdateWindowItems();
  // The lists and the macro editor's panel no longer show the mouse's macros.
  RebuildMacroLists();
  if (capture_.Active()) {
    capture_.Cancel(NowMs());
    timer11_.stop();
    releaseKeyboard();
  }
  update();
}

void CHalvricDlg::ReadMouseAgain() {
  const std::string path = model_->DevicePath();
  if (path.empty()) return;
  // Until the mouse has answered the window shows no settings: it does not know what it holds.
  DropDevice();
  requested_path_ = path;
  // A connect already under way reads the mouse too, and its outcome arrives the same way.
  session_->Connect(false, path);
}

void CHalvricDlg::WriteFailed() {
  // Several sends queued behind the failed one fail as well: the first tells the user and reads
  // the mouse again; the others find the copy already dropped. So does a send that fails after
  // the mouse was unplugged, which the window already shows.
  if (model_->DevicePath().empty()) return;
  ReadMouseAgain();
  ShowMessage(UiText(texts_, ui_text::kUpgradeWriteError));
}

void CHalvricDlg::OnArrivalDone(bool accepted) {
  if (accepted) timer2_.start(1000);
  update();
}

void CHalvricDlg::OnProgress(double fraction) {
  progress_ = fraction;
  update();
}

void CHalvricDlg::OnDeviceAdded(const QString& path) { session_->HandleArrival(path.toStdString()); }

void CHalvricDlg::OnDeviceRemoved(const QString& qpath) {
  const std::string path = qpath.toStdString();
  const bool listed = std::find(mice_.begin(), mice_.end(), path) != mice_.end();
  session_->HandleRemoval(path);
  if (!listed) return;
  for (size_t i = mice_.size(); i-- > 0;) {
    if (mice_[i] != path) continue;
    mice_.erase(mice_.begin() + static_cast<std::ptrdiff_t>(i));
    if (i < mouse_names_.size()) mouse_names_.erase(mouse_names_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (path == model_->DevicePath()) {
    // The mouse in use has gone: prompts close, the window shows "No device !!" and a search for
    // another mouse follows.
    windows_->CloseAll();
    DropDevice();
    timer2_.start(500);
    emit noDevice();
  }
  update();
}

// The report service's updates, each carried out on the window's thread in the order sent.

void CHalvricDlg::OnUpgradeReply(std::span<const uint8_t> report) {
  std::vector<uint8_t> bytes(report.begin(), report.end());
  QMetaObject::invokeMethod(this, [this, bytes = std::move(bytes)] {
    windows_->DeliverUpgradeReply(bytes);
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnProfileChanged(int profile) {
  QMetaObject::invokeMethod(this, [this, profile] {
    if (HasDevice()) model_->NoteMouseProfile(profile);
    AfterProfileSwitch();
  }, Qt::QueuedConnection);
}

void CHalvricDlg::AfterProfileSwitch() {
  // Whoever switched (the mouse, a linked program coming to the front), the window follows: an
  // open prompt is cancelled, the lighting window reads the new profile, the protected left click
  // is found again and the window is redrawn once the switch has settled.
  prompt_->CloseRequest();
  UpdateProtectedButton();
  UpdateOsdModel();
  windows_->Refresh();
  timer445_.start(RedrawDelayMs());
  if (page_ == kButtonPage) update();
}

void CHalvricDlg::OnClosePrompt() {
  QMetaObject::invokeMethod(this, [this] { prompt_->CloseRequest(); }, Qt::QueuedConnection);
}

void CHalvricDlg::OnDpiLevelChanged(int level) {
  QMetaObject::invokeMethod(this, [this, level] {
    // The service has already taken the level; taking it again here keeps it equal to the working
    // copy's when a connect outcome arrived in between and set both to what it had read.
    ctx_.current_dpi_level.store(level);
    if (HasDevice()) {
      model_->NoteMouseDpiLevel(level);
      SaveDpiState();
    }
    if (page_ == kDpiPage) update();
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnDpiValues(int level, uint8_t x, uint8_t y) {
  QMetaObject::invokeMethod(this, [this, level, x, y] {
    if (level < 0 || level >= kDpiLevels) return;
    model_->wc().dpi[static_cast<size_t>(level)] = {x, y};
    if (page_ == kDpiPage) {
      LayoutSliders();
      update();
    }
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnAngleSnappingChanged(bool on) {
  QMetaObject::invokeMethod(this, [this, on] {
    model_->wc().angle_snapping = on ? 1 : 0;
    items_[kItemAngleSnapping].value = on ? 1 : 0;
    update();
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnStatus(const StatusReport& report) {
  const uint16_t lift = report.lift;
  QMetaObject::invokeMethod(this, [this, lift] {
    const bool lift_was_known = model_->LiftKnown();
    const uint16_t lift_before = model_->Lift();
    model_->SetReportedLift(lift);
    if (model_->Lift() != lift_before || model_->LiftKnown() != lift_was_known) {
      LayoutSliders();
      if (page_ == kDpiPage) update();
    }
    if (SensorReadingCapable()) {
      sensor_reading_ = reports_->Status().SensorReading();
      sensor_level_ = reports_->Status().SensorLevel();
    }
    // A full redraw asked for by the report (the sensor level moved) is carried out here.
    if (ctx_.full_redraw.load() && isVisible()) update();
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnShowMainWindow() {
  QMetaObject::invokeMethod(this, [this] { ShowFromTray(); }, Qt::QueuedConnection);
}

void CHalvricDlg::OnMinimiseForeground() {
  QMetaObject::invokeMethod(this, [this] {
    // The window the user works in goes down; the desktop does it in its own time.
    if (foreground_) foreground_->Minimise(foreground_->Active());
  }, Qt::QueuedConnection);
}

void CHalvricDlg::OnDisplayPass(const OsdPass& pass) {
  QMetaObject::invokeMethod(osd_, [osd = osd_, pass] { osd->Present(pass); }, Qt::QueuedConnection);
}

void CHalvricDlg::UpdateProtectedButton() {
  protected_button_ = -1;
  const int p = ctx_.current_profile.load();
  if (!HasDevice() || p < 0 || p >= kProfileCount) return;
  int count = 0, which = -1;
  for (int b = 0; b < DrawnButtons(); ++b) {
    const int key = layout_.key_index[static_cast<size_t>(b)];
    const auto& bytes = model_->wc().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)].bytes;
    const bool left = ((bytes[0] == function_type::kMouse || bytes[0] == function_type::kSmartRepeat) && bytes[1] == 1) ||
                      (b == 0 && bytes[0] == function_type::kDefault);
    if (left) {
      ++count;
      which = b;
    }
  }
  if (count == 1) protected_button_ = which;
}

void CHalvricDlg::UpdateOsdModel() {
  OsdModel m;
  for (int p = 0; p < kProfileCount; ++p) {
    const auto& prof = model_->wc().profiles[static_cast<size_t>(p)];
    m.profile_names[static_cast<size_t>(p)] = ProfileName(p);
    m.profile_colours[static_cast<size_t>(p)] = prof.colour;
  }
  m.two_bit_colours = false;  // the working copy holds the colours scaled to 0-255
  m.dpi_step = model_->wc().dpi_step;
  m.max_raw_dpi = MaxRawDpi();
  m.level_options = level_options_;
  osd_->SetModel(m);
}

}  // namespace halvric
