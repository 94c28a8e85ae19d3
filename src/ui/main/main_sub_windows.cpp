#include "ui/main/main_sub_windows.h"

#include <QGuiApplication>
#include <QMouseEvent>

#include "config/button_assignment.h"
#include "config/function_catalogue.h"
#include "config/key_labels.h"
#include "config/screen_keyboard.h"
#include "config/text_tables.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "services/main_window_model.h"
#include "services/program_context.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"
#include "ui/kit/str_dlg.h"
#include "ui/lighting/color_dlg.h"
#include "ui/macro/macro_edit.h"
#include "ui/macro/macro_list_wnd.h"
#include "ui/upgrade/upgrade_dlg.h"

namespace halvric {

void SubWindowHost::CreateMacroWindows() {
  CHalvricDlg& w = w_;
  // The dialog's keyboard, descriptions and the editor's instruction rows name keys as the
  // window's buttons do.
  button_dlg_ = new CButtonSetDlg(w.fonts_, w.texts_, w.key_labels_, LoadProgramScreenKeyboard(w.texts_, *w.key_labels_), &w);

  MacroEdit::Deps d;
  d.fonts = &w.fonts_;
  d.texts = &w.texts_;
  d.keys = w.key_labels_;
  d.library = w.library_;
  d.prompt = w.prompt_;
  d.mouse = [&w]() -> const WorkingCopy* { return w.HasDevice() ? &w.model_->wc() : nullptr; };
  d.run = [&w](MacroEdit::MouseJob job, std::function<void()> done) {
    // The worker's copy carries the changed slot table and buttons back to the window.
    auto result = std::make_shared<WorkingCopy>();
    w.session_->Post(
        [job = std::move(job), result](DeviceLayer& dev, WorkingCopy& wc) {
          job(dev, wc);
          *result = wc;
        },
        [&w, result, done = std::move(done)] {
          if (result->loaded && w.HasDevice() && result->path == w.model_->wc().path) {
            w.model_->wc().macros = result->macros;
            w.model_->wc().profiles = result->profiles;
            w.UpdateProtectedButton();
          }
          if (done) done();
          w.update();
        });
  };
  d.lists_changed = [&w] { w.RebuildMacroLists(); };
  d.write_failed = [&w] { w.WriteFailed(); };
  macro_edit_ = new MacroEdit(std::move(d), &w);
  macro_edit_->setWindowFlag(Qt::Window);

  macro_list_ = new ui::MacroList(w.fonts_, w.texts_, &w);
  // The list closed by itself (its close box, Esc, a close request): the switch goes off with it.
  QObject::connect(macro_list_, &QDialog::finished, &w, [&w] {
    if (w.item_function_list_ < 0) return;
    w.items_[static_cast<size_t>(w.item_function_list_)].value = 0;
    w.update();
  });

  // The dialog's Macro page: the user's macro list as a picker, saving a library macro into that
  // list, and the editor.
  button_dlg_->pick_macro_file = [this, &w]() -> std::string {
    const bool function_list = macro_list_->isVisible() && macro_list_->mode() == ui::MacroList::kLibraryMode;
    w.library_->ScanLibrary();
    macro_list_->SetList(ui::MacroList::kMacroMode, &w.library_->macros(), w.library_);
    macro_list_->move(button_dlg_->frameGeometry().topRight() + QPoint(-ui::MacroList::kMacroWidth - 16, 60));
    const bool chosen = macro_list_->exec() == QDialog::Accepted;
    const std::string path = chosen ? macro_list_->ResultPath() : std::string();
    if (function_list) ShowFunctionList(true);
    return path;
  };
  button_dlg_->save_to_list = [this, &w](const std::string& path) {
    const auto m = LoadMacroFile(path);
    if (!m || !w.library_->SaveMacro(w.library_->NewMacroPath(w.library_->tree()), *m)) return false;
    w.library_->ScanLibrary();
    macro_edit_->RefreshPanel();
    return true;
  };
  button_dlg_->edit_macro = [this](const std::optional<_MACRO_LIST_ITEM_>& entry) {
    ShowMacroEditor();
    if (!entry) return;
    if (entry->inMouse != 0) macro_edit_->LoadRow(macro_edit_->RowOfSlot(entry->slot));
    else macro_edit_->OpenFile(entry->path);
  };
  macro_list_->on_drop = [&w](const _MACRO_LIST_ITEM_& entry, const QPoint& pos) { w.DropEntry(entry, pos); };
  macro_list_->on_files_changed = [this, &w] {
    macro_edit_->RefreshPanel();
    w.update();
  };
}

void SubWindowHost::OpenLighting() {
  if (!w_.MouseHasLighting()) return;
  if (lighting_ == nullptr) {
    lighting_ = new ColorDlg(*w_.session_, w_.fonts_, w_.texts_, &w_);
    // A mouse that stopped answering in the lighting window shows as gone in the main window too.
    lighting_->mouse_not_answering = [&w = w_] { w.ReadMouseAgain(); };
  }
  if (lighting_->isVisible()) return;
  lighting_->OpenFor(w_.model_->DevicePath(), w_.layout_.row);
}

void SubWindowHost::OpenUpgrade() {
  if (!w_.isActiveWindow() && !QGuiApplication::platformName().startsWith(QLatin1String("offscreen"))) return;
  if (!w_.MouseTakesUpgrade()) return;
  if (upgrade_ == nullptr) upgrade_ = new UpgradeDlg(*w_.session_, w_.fonts_, w_.texts_, w_.data_folder_, &w_);
  upgrade_->ShowFor(w_.model_->DevicePath());
}

void SubWindowHost::OpenButtonDialog(int button) {
  CHalvricDlg& w = w_;
  const int p = w.ctx_.current_profile.load();
  if (!w.HasDevice() || p < 0 || p >= kProfileCount || button < 0 || button >= w.DrawnButtons() || w.busy_ > 0) return;
  if (button_dlg_->isVisible()) return;
  const int key = w.layout_.key_index[static_cast<size_t>(button)];
  WorkingCopy& wc = w.model_->wc();
  auto& profile = wc.profiles[static_cast<size_t>(p)];
  ButtonSetRequest r;
  r.current = ButtonAssignment::FromBytes(profile.buttons[static_cast<size_t>(key)].bytes);
  r.hidden_types = HiddenTypesForPosition(key, wc.protocol_level, HiddenTypesDeviceFlag(w.info_));
  r.type_code = w.info_.type_code;
  r.protocol_level = wc.protocol_level;
  r.gamepad = GamepadFlag(w.info_);
  r.dpi_unit = wc.dpi_step;
  r.max_dpi = w.MaxRawDpi();
  r.profile = p;
  r.key_cycle_address = wc.map.Extension(p);
  r.key_cycle = &profile.extension;
  r.macros = &w.function_entries_;
  const auto before = profile.extension;
  if (button_dlg_->Open(r) != 1 || !w.HasDevice() || w.ctx_.current_profile.load() != p) {
    if (w.HasDevice()) w.model_->wc().profiles[static_cast<size_t>(p)].extension = before;
    return;
  }
  // A macro picked from a library file is not in the mouse yet: it is stored first, as a drop does.
  if (const std::string file = button_dlg_->MacroFilePath(); !file.empty()) {
    w.BindMacroFile(key, file);
    return;
  }
  w.ApplyButtonResult(key, button_dlg_->Assignment(), w.model_->wc().profiles[static_cast<size_t>(p)].extension != before);
}

void SubWindowHost::ShowMacroEditor() {
  if (!macro_edit_->isVisible()) macro_edit_->move(w_.pos() + QPoint(20, 20));
  macro_edit_->RefreshPanel();
  macro_edit_->show();
  macro_edit_->raise();
  macro_edit_->activateWindow();
}

void SubWindowHost::ShowFunctionList(bool show) {
  if (w_.item_function_list_ >= 0) w_.items_[static_cast<size_t>(w_.item_function_list_)].value = show ? 1 : 0;
  if (!show) {
    macro_list_->hide();
    return;
  }
  macro_list_->SetList(ui::MacroList::kLibraryMode, &w_.function_entries_);
  macro_list_->move(w_.mapToGlobal(QPoint(w_.width() + 8, 0)));
  macro_list_->show();
  macro_list_->raise();
}

void SubWindowHost::ListsChanged() {
  if (button_dlg_ != nullptr && button_dlg_->isVisible()) button_dlg_->MacroListChanged(&w_.function_entries_);
  if (macro_list_ != nullptr) macro_list_->ListChanged();
  if (macro_edit_ != nullptr) macro_edit_->RefreshPanel();
}

void SubWindowHost::DeliverUpgradeReply(const std::vector<uint8_t>& bytes) {
  if (upgrade_ != nullptr) upgrade_->DeliverReport(bytes);
}

void SubWindowHost::ForwardToRecorder(const QMouseEvent* e, bool down) {
  if (macro_edit_ == nullptr || macro_edit_->recorder().capture_state() == 0) return;
  uint8_t bit = 0;
  switch (e->button()) {
    case Qt::LeftButton: bit = 0x01; break;
    case Qt::RightButton: bit = 0x02; break;
    case Qt::MiddleButton: bit = 0x04; break;
    case Qt::BackButton: bit = 0x08; break;
    case Qt::ForwardButton: bit = 0x10; break;
    default: return;
  }
  macro_edit_->ForwardMouse(down ? bit : 0, down ? 0 : bit, 0, e->globalPosition().toPoint());
}

void SubWindowHost::Refresh() {
  if (lighting_ != nullptr && lighting_->isVisible()) lighting_->RefreshRequest();
}

void SubWindowHost::CloseAll() {
  w_.prompt_->CloseRequest();
  // The picker is cancelled; the function list (library mode) stays as the user left it.
  if (macro_list_ != nullptr && macro_list_->isVisible() && macro_list_->mode() == ui::MacroList::kMacroMode) macro_list_->CloseRequest();
  if (lighting_ != nullptr) lighting_->CloseRequest();
}

bool SubWindowHost::CloseForQuit() {
  CloseAll();
  if (button_dlg_ != nullptr) button_dlg_->CloseRequest();
  if (macro_list_ != nullptr && macro_list_->isVisible()) macro_list_->CloseRequest();
  // The editor closes as its close box does: unsaved changes are offered for saving first.
  if (macro_edit_ != nullptr && macro_edit_->isVisible()) macro_edit_->close();
  return macro_edit_ == nullptr || !macro_edit_->isVisible();
}

void SubWindowHost::Shutdown() {
  // Their threads use the session's device layer: they end before the session does.
  if (upgrade_ != nullptr) upgrade_->Shutdown();
  if (lighting_ != nullptr) lighting_->CloseRequest();
}

}  // namespace halvric
