// The main window's side of the lighting window, the upgrade window, the user's key labels and
// the host input (tilt-scroll and touch): creating them, opening them, and passing on the
// refresh and close requests.

#include "ui/main/halvric_dlg.h"

#include <QGuiApplication>
#include <QScreen>

#include "config/button_assignment.h"
#include "config/describe_assignment.h"
#include "config/key_labels.h"
#include "config/text_tables.h"
#include "services/main_window_model.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"
#include "ui/lighting/color_dlg.h"
#include "ui/lighting/color_pick_dlg.h"
#include "ui/main/main_sub_windows.h"
#include "ui/upgrade/upgrade_dlg.h"

namespace halvric {
namespace {

constexpr int kTextLightEffect = 45;  // button_str
const QRect kLightItemRect(516, 254, 200, 38);
const QRect kMacroEditRectBelowLight(516, 302, 200, 38);

}  // namespace

void CHalvricDlg::AddWindowItems() {
  SettingsItem it;
  it.kind = kPush;
  it.action = 8;
  it.selection = 0;
  it.page = kOtherPage;
  it.caption = QString::fromStdString(texts_.Get(TextFamily::button_str, kTextLightEffect));
  light_item_ = static_cast<int>(items_.size());
  items_.push_back(it);
  UpdateWindowItems();
}

bool CHalvricDlg::MouseHasLighting() const { return HasDevice() && HasLighting(info_); }

bool CHalvricDlg::MouseTakesUpgrade() const {
  return HasDevice() && TakesFirmwareUpgrade(info_);
}

void CHalvricDlg::UpdateWindowItems() {
  // "Light effect" exists only for mice with lighting: without them it has no area to hit or draw.
  if (light_item_ >= 0) items_[static_cast<size_t>(light_item_)].rect = MouseHasLighting() ? kLightItemRect : QRect();
  // "Macro edit" moves up into its place then, so that the column has no gap.
  if (item_macro_edit_ >= 0) {
    items_[static_cast<size_t>(item_macro_edit_)].rect = MouseHasLighting() ? kMacroEditRectBelowLight : kLightItemRect;
  }
}

void CHalvricDlg::ShutdownSubWindows() {
  windows_->Shutdown();
  // Movement reports stop going to the host input before it goes.
  reports_->SetMovementIntake(nullptr);
}

std::string CHalvricDlg::ButtonText(int profile, int key) const {
  if (profile < 0 || profile >= kProfileCount || key < 0 || key >= kKeySlots) return {};
  const WorkingCopy& wc = model_->wc();
  const auto& b = wc.profiles[static_cast<size_t>(profile)].buttons[static_cast<size_t>(key)].bytes;
  return ButtonFunctionText(texts_, *key_labels_, ButtonAssignment::FromBytes(b), wc.dpi_step, wc.macros);
}

std::string CHalvricDlg::ProfileName(int profile) const {
  if (profile < 0 || profile >= kProfileCount) return {};
  return ProfileDisplayName(model_->wc().profiles[static_cast<size_t>(profile)].name, texts_.Get(TextFamily::profile_str),
                            profile);
}

}  // namespace halvric
