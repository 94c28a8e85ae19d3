// The main window's mouse and keyboard input: presses, drags and releases on the hot items, the
// key capture of the quick binding and the keys the window itself answers.

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
#include <memory>

#include "config/backup_restore.h"
#include "config/reset_defaults.h"
#include "config/setting_changes.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "macro/macro_library.h"
#include "platform/foreground_window.h"
#include "platform/pointer_acceleration.h"
#include "platform/text_encoding.h"
#include "services/app_links.h"
#include "services/foreground_check.h"
#include "services/main_window_model.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"
#include "ui/kit/mouse_art.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/main/main_button_page.h"
#include "ui/main/main_dpi_page.h"
#include "ui/main/main_other_page.h"
#include "ui/main/main_sub_windows.h"
#include "ui/osd/disp_dlg.h"
#include "ui/upgrade/upgrade_dlg.h"

namespace halvric {
namespace {

constexpr int kDragThreshold = 5;

// The HID usage of a set-1 scan code, from the program's usage table.
const UsageToScanTable& ScanTable() { return ProgramScanTable(); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Mouse and keyboard

void CHalvricDlg::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  windows_->ForwardToRecorder(e, true);
  if (capture_.Active()) {
    int mask = 0;
    switch (e->button()) {
      case Qt::LeftButton: mask = 1; break;
      case Qt::RightButton: mask = 2; break;
      case Qt::MiddleButton: mask = 4; break;
      case Qt::BackButton: mask = 8; break;
      case Qt::ForwardButton: mask = 16; break;
      default: break;
    }
    if (auto r = capture_.MouseDown(mask, NowMs())) FinishCapture(*r);
    return;
  }
  if (e->button() != Qt::LeftButton || capture_.InGuard(NowMs())) return;
  const Hit hit = HitTest(pos);
  press_ = hit;
  press_pos_ = pos;
  dragging_ = false;
  switch (hit.kind) {
    case kHitDeviceSelector:
      if (hit.index == 0) selector_open_ = !selector_open_;
      break;
    case kHitColourCell: button_page_->PickColour(hit.index); break;
    case kHitCaptureIcon:
      if (capture_.Start(hit.index, NowMs())) {
        grabKeyboard();
        timer11_.start(100);
      }
      break;
    case kHitProfileEnable: model_->ToggleProfileEnable(hit.index); break;
    case kHitLinkRemove: button_page_->RemoveLink(); break;
    case kHitLevelEnable: dpi_page_->ToggleLevelEnable(hit.index); break;
    case kHitLevelBox: dpi_page_->SelectLevel(hit.index); break;
    case kHitSlider:
      dragging_slider_ = hit.index;
      dpi_page_->MoveSlider(hit.index, pos);
      break;
    default: break;
  }
  update();
}

void CHalvricDlg::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (dragging_slider_ >= 0 && (e->buttons() & Qt::LeftButton)) {
    dpi_page_->MoveSlider(dragging_slider_, pos);
    return;
  }
  if (press_.kind == kHitButton && (e->buttons() & Qt::LeftButton) && !dragging_) {
    const QPoint d = pos - press_pos_;
    if (std::abs(d.x()) > kDragThreshold || std::abs(d.y()) > kDragThreshold) dragging_ = true;
  }
  const Hit hit = HitTest(pos);
  if (dragging_) {
    const bool over_target = items_[kItemDropTarget].rect.contains(pos);
    setCursor(over_target ? Qt::DragMoveCursor : Qt::ForbiddenCursor);
    update();
    return;
  }
  if (!(hit == hover_)) {
    const Hit old = hover_;
    hover_ = hit;
    // A button item glows while the pointer rests on it.
    glow_phase_ = 0;
    if (hit.kind == kHitButton) glow_timer_.start(40);
    else glow_timer_.stop();
    setCursor(hit.kind != kHitNone ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (hit.kind == kHitAppArea) {
      SetHint(foreground_notice_.isEmpty() ? T(static_cast<int>(TextFamily::msg_str), text_id::kMsgAssignExecutable)
                                           : foreground_notice_);
    }
    // The whole notice, which the hint line may cut short.
    setToolTip(hit.kind == kHitAppArea ? foreground_notice_ : QString());
    if (hit.kind == kHitItem && !items_[static_cast<size_t>(hit.index)].hint.isEmpty()) {
      SetHint(items_[static_cast<size_t>(hit.index)].hint);
    }
    if (hit.kind == kHitProfileBox && old.kind == kHitProfileBox) timer445_.start(RedrawDelayMs());
    update();
  }
}

void CHalvricDlg::mouseReleaseEvent(QMouseEvent* e) {
  windows_->ForwardToRecorder(e, false);
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  const Hit pressed = press_;
  press_ = {};
  if (dragging_slider_ >= 0) {
    dragging_slider_ = -1;
    return;
  }
  if (dragging_) {
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
    // A button dropped on the remove target goes back to its default function.
    if (items_[kItemDropTarget].rect.contains(pos) && pressed.kind == kHitButton) {
      const int key = layout_.key_index[static_cast<size_t>(pressed.index)];
      SendButton(key, ButtonAssignment::Default());
    }
    update();
    return;
  }
  const Hit hit = HitTest(pos);
  if (hit.kind == kHitNone && pressed.kind == kHitNone && page_ == kOtherPage && HasDevice() && pin_ &&
      !entered_pin_ && PinRect().contains(pos) && !HitTestsOff()) {
    other_page_->EnterPin();
    return;
  }
  if (!(hit == pressed)) return;
  switch (hit.kind) {
    case kHitDeviceSelector:
      if (hit.index > 0) {
        selector_open_ = false;
        requested_path_ = mice_[static_cast<size_t>(hit.index - 1)];
        session_->Connect(false, requested_path_);
      }
      break;
    case kHitItem: ActivateItem(hit.index); break;
    case kHitButton: {
      // The description of the button's function, then the dialog once the worker is idle.
      const int p = ctx_.current_profile.load();
      const int key = layout_.key_index[static_cast<size_t>(hit.index)];
      if (p >= 0 && p < kProfileCount) SetHint(QString::fromStdString(ButtonText(p, key)));
      const int button = hit.index;
      session_->Post([](DeviceLayer&, WorkingCopy&) {}, [this, button] { OpenButtonDialog(button); });
      break;
    }
    case kHitAppArea: button_page_->CreateLink(); break;
    case kHitProfileBox: button_page_->SelectProfile(hit.index); break;
    default: break;
  }
  update();
}

void CHalvricDlg::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const Hit hit = HitTest(e->position().toPoint());
  if (hit.kind == kHitProfileBox) {
    button_page_->RenameProfile(hit.index);
    return;
  }
  if (hit.kind == kHitSlider && sliders()[static_cast<size_t>(hit.index)].kind == kSliderLift) {
    dpi_page_->EditLift();
    return;
  }
  mousePressEvent(e);
}

void CHalvricDlg::keyPressEvent(QKeyEvent* e) {
  if (capture_.Active()) {
    if (e->isAutoRepeat()) return;
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    int scan = x11 && e->nativeScanCode() > 8 ? ScanCodeFromEvdev(static_cast<int>(e->nativeScanCode()) - 8) : 0;
    if (scan == 0) scan = ScanCodeFromQtKey(e->key(), (e->modifiers() & Qt::KeypadModifier) != 0);
    if (auto r = capture_.KeyDown(scan, NowMs())) FinishCapture(*r);
    update();
    return;
  }
  if (e->key() == Qt::Key_F9) {
    OpenUpgrade();  // only for mice that take a firmware upgrade
    return;
  }
  if (e->key() == Qt::Key_Escape) {
    ActivateItem(kItemHide);
    return;
  }
  QWidget::keyPressEvent(e);
}

void CHalvricDlg::keyReleaseEvent(QKeyEvent* e) {
  if (!capture_.Active() || e->isAutoRepeat()) return;
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  int scan = x11 && e->nativeScanCode() > 8 ? ScanCodeFromEvdev(static_cast<int>(e->nativeScanCode()) - 8) : 0;
  if (scan == 0) scan = ScanCodeFromQtKey(e->key(), false);
  if (auto r = capture_.KeyUp(scan, NowMs())) FinishCapture(*r);
  update();
}

void CHalvricDlg::FinishCapture(const CaptureResult& r) {
  timer11_.stop();
  releaseKeyboard();
  if (r.button < 0 || r.button >= DrawnButtons()) return;
  const int key = layout_.key_index[static_cast<size_t>(r.button)];
  ButtonAssignment a;
  if (r.keyboard) {
    const int usage = ScanTable().UsageForScanCode(r.scan_code);
    if (usage == 0) return;
    a = ButtonAssignment::Keyboard(r.modifiers, usage);
  } else {
    a = ButtonAssignment::MouseButtons(r.mouse_mask);
  }
  SendButton(key, a);
  update();
}

void CHalvricDlg::SendButton(int key, const ButtonAssignment& a) {
  const int p = ctx_.current_profile.load();
  if (!HasDevice() || p < 0 || p >= kProfileCount) return;
  auto& slot = model_->wc().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)];
  slot.bytes = a.Bytes();
  BeginBusy();
  auto written = std::make_shared<bool>(false);
  session_->Post(
      [p, key, a, written](DeviceLayer& dev, WorkingCopy& wc) { *written = ChangeButton(dev, wc, p, key, a); },
      [this, written] {
        EndBusy();
        if (!*written) WriteFailed();
      });
  UpdateProtectedButton();
}

}  // namespace halvric
