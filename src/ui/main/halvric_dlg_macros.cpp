// The main window's side of the button setting dialog, the macro editor and the macro list:
// creating them, opening the dialog for a button and applying its result on the device worker,
// the lists they show, the drop of a list entry onto a button, and mouse input for recording.

#include "ui/main/halvric_dlg.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "config/describe_assignment.h"
#include "config/function_catalogue.h"
#include "config/setting_changes.h"
#include "config/text_tables.h"
#include "macro/function_library.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "macro/macro_storage.h"
#include "platform/folders.h"
#include "platform/key_names.h"
#include "services/main_window_model.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"
#include "ui/kit/str_dlg.h"
#include "ui/macro/macro_edit.h"
#include "ui/macro/macro_list_wnd.h"
#include "ui/main/main_sub_windows.h"

namespace halvric {

void CHalvricDlg::CreateMacroWindows(MacroLibrary* library) {
  if (library == nullptr) {
    own_library_ = std::make_unique<MacroLibrary>(data_folder_, texts_);
    library = own_library_.get();
  }
  library_ = library;
  // The library speaks through the window's prompt. A scan may run before the window is shown
  // and finds a corrupt file again at every rescan: its message waits for the event loop, once
  // for all the files of one scan.
  MacroLibraryHooks hooks;
  hooks.show_message = [this](const std::string& text) {
    const QString message = QString::fromStdString(text);
    if (pending_messages_.contains(message)) return;
    pending_messages_.append(message);
    if (pending_messages_.size() == 1) QTimer::singleShot(0, this, [this] { FlushMessages(); });
  };
  hooks.confirm = [this](const std::string& text) {
    prompt_->mode = CStrDlg::kConfirm;
    prompt_->title = windowTitle();
    prompt_->message = QString::fromStdString(text);
    return prompt_->exec() == QDialog::Accepted && prompt_->choice == CStrDlg::kChoiceOk;
  };
  library_->SetHooks(std::move(hooks));
  library_->ScanLibrary();
  windows_->CreateMacroWindows();
}

void CHalvricDlg::RebuildMacroLists() {
  FunctionLibraryFilter filter;
  filter.variant = model_->wc().variant;
  const FunctionLibrary lib =
      LoadLibraryFiles(ProgramFolder(FolderEnvironment::FromProcess()), filter, texts_, *key_labels_, model_->wc().dpi_step);
  function_entries_ = lib.entries;
  // Library groups carry the name of their file.
  for (_MACRO_LIST_ITEM_& e : function_entries_) {
    const int n = e.IsFolder() ? InternalFolderIndex(e.name) : -1;
    if (n >= 0 && n < static_cast<int>(lib.files.size())) e.name = lib.files[static_cast<size_t>(n)].name;
  }
  // The macros in the mouse, as one more group.
  if (HasDevice()) {
    // It takes the next free id, so that list windows find its entries by their parent id.
    int32_t next_id = 1;
    for (const _MACRO_LIST_ITEM_& e : function_entries_) next_id = std::max(next_id, e.id + 1);
    _MACRO_LIST_ITEM_ group;
    group.type = kEntryFolder;
    group.name = texts_.Get(TextFamily::class_str, 5);
    group.depth = 1;
    group.id = next_id;
    function_entries_.push_back(group);
    for (int s = 0; s < kMacroSlots; ++s) {
      const MacroSlot& slot = model_->wc().macros[static_cast<size_t>(s)];
      if (slot.start == 0) continue;
      _MACRO_LIST_ITEM_ e;
      e.name = slot.name;
      e.type = static_cast<int32_t>(slot.mode >= 8 && slot.mode <= 10 ? slot.mode : 8);
      e.op1 = static_cast<int32_t>(slot.body & 0xFF);
      e.op2 = static_cast<int32_t>((slot.body >> 8) & 0xFF);
      e.depth = 2;
      e.parent = group.id;
      e.inMouse = 1;
      e.slot = s;
      e.size = static_cast<int32_t>(slot.length);
      e.label = DescribeAssignment(texts_, e.type, e.op1, e.op2, 0, model_->wc().dpi_step);
      function_entries_.push_back(e);
    }
  }
  windows_->ListsChanged();
}

void CHalvricDlg::ApplyButtonResult(int key, ButtonAssignment a, bool cycle_changed) {
  const int p = ctx_.current_profile.load();
  if (!HasDevice() || p < 0 || p >= kProfileCount) return;
  // "Default" stands for the button's factory function.
  if (a.type == function_type::kDefault && key >= 0 && key < kInfoEntries) {
    a = ButtonAssignment::FromBytes(model_->wc().info_entries[static_cast<size_t>(key)].values);
  }
  auto& slot = model_->wc().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)];
  slot.bytes = a.Bytes();
  const bool send_cycle = cycle_changed && a.type >= function_type::kKeyCyclePositive &&
                          a.type <= function_type::kKeyCycleCurrent;
  const auto block = model_->wc().profiles[static_cast<size_t>(p)].extension;
  BeginBusy();
  auto written = std::make_shared<bool>(false);
  session_->Post(
      [p, key, a, send_cycle, block, written](DeviceLayer& dev, WorkingCopy& wc) {
        *written = (!send_cycle || ChangeKeyCycleBlock(dev, wc, p, block)) && ChangeButton(dev, wc, p, key, a);
      },
      [this, written] {
        EndBusy();
        if (!*written) {
          WriteFailed();
          return;
        }
        RebuildMacroLists();
      });
  UpdateProtectedButton();
  update();
}

int CHalvricDlg::ButtonAtGlobal(const QPoint& global_pos) const {
  if (page_ != kButtonPage || !isVisible()) return -1;
  const QPoint pos = mapFromGlobal(global_pos);
  if (!rect().contains(pos)) return -1;
  for (int b = 0; b < DrawnButtons(); ++b) {
    if (b != protected_button_ && ButtonItemRect(b).contains(pos)) return b;
  }
  return -1;
}

void CHalvricDlg::DropEntry(const _MACRO_LIST_ITEM_& entry, const QPoint& global_pos) {
  const int b = ButtonAtGlobal(global_pos);
  const int p = ctx_.current_profile.load();
  if (b < 0 || entry.IsFolder() || HitTestsOff() || p < 0 || p >= kProfileCount) return;
  const int key = layout_.key_index[static_cast<size_t>(b)];
  const bool macro_file = entry.type >= function_type::kMacro && entry.type <= function_type::kMacroFire &&
                          entry.op3 != builtin_action::kMarker && entry.inMouse == 0 && HasMacroExtension(entry.path);
  if (!macro_file) {
    ApplyButtonResult(key, ButtonAssignment::Make(entry.type, entry.op1, entry.op2, entry.op3), false);
    return;
  }
  BindMacroFile(key, entry.path);
}

void CHalvricDlg::FlushMessages() {
  // Timer 1 raises the window once it is first on screen: the message comes after that.
  if (!isVisible() || windowHandle() == nullptr || !windowHandle()->isExposed() || timer1_.isActive()) {
    QTimer::singleShot(200, this, [this] { FlushMessages(); });
    return;
  }
  while (!pending_messages_.isEmpty()) {
    ShowMessage(pending_messages_.front());
    pending_messages_.removeFirst();
  }
}

void CHalvricDlg::ShowMessage(const QString& text, const QString& title) {
  // A prompt already open (a question, another message) is not taken over: the text goes to the
  // hint line instead.
  if (prompt_->isVisible()) {
    SetHint(text, 50);
    return;
  }
  prompt_->mode = CStrDlg::kConfirm;
  prompt_->message_only = true;  // a message: one OK, no question
  prompt_->title = title.isEmpty() ? windowTitle() : title;
  prompt_->message = text;
  // Over the window even where no window manager stacks it there.
  QTimer::singleShot(0, prompt_, [p = prompt_] {
    p->raise();
    p->activateWindow();
  });
  prompt_->exec();
}

void CHalvricDlg::BindMacroFile(int key, const std::string& path) {
  const int p = ctx_.current_profile.load();
  if (!HasDevice() || p < 0 || p >= kProfileCount) return;
  const auto loaded = LoadMacroFile(path);
  if (!loaded) {
    ShowMessage(T(static_cast<int>(TextFamily::msg_str), 20));
    return;
  }
  const Macro& m = *loaded;
  int free_slot = -1;
  for (int s = 0; s < kMacroSlots && free_slot < 0; ++s) {
    if (model_->wc().macros[static_cast<size_t>(s)].start == 0) free_slot = s;
  }
  if (free_slot < 0) {
    ShowMessage(T(static_cast<int>(TextFamily::msg_str), 19));
    return;
  }
  auto result = std::make_shared<WorkingCopy>();
  auto stored = std::make_shared<MacroStoreResult>(MacroStoreResult::kFailed);
  BeginBusy();
  session_->Post(
      [free_slot, m, p, key, result, stored, this](DeviceLayer& dev, WorkingCopy& wc) {
        *stored = WriteMacroToSlot(MouseAt(dev, wc.path), wc, free_slot, m, [this](double f) { session_->ReportProgress(f); });
        if (*stored == MacroStoreResult::kOk) {
          const MacroSlot& slot = wc.macros[static_cast<size_t>(free_slot)];
          if (!ChangeButton(dev, wc, p, key, ButtonAssignment::Macro(static_cast<int>(slot.mode), static_cast<int>(slot.body)))) {
            *stored = MacroStoreResult::kFailed;
          }
        }
        *result = wc;
      },
      [this, result, stored] {
        EndBusy();
        if (*stored == MacroStoreResult::kFailed) {
          WriteFailed();
          return;
        }
        if (result->loaded && HasDevice() && result->path == model_->wc().path) {
          model_->wc().macros = result->macros;
          model_->wc().profiles = result->profiles;
          UpdateProtectedButton();
        }
        RebuildMacroLists();
        update();
        if (*stored == MacroStoreResult::kNoSpace) ShowMessage(T(static_cast<int>(TextFamily::msg_str), 19));
      });
}

}  // namespace halvric
