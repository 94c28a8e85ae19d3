#pragma once
// The main window's sub-windows: the lighting window, the upgrade window, the button setting
// dialog, the macro editor, the macro list and the prompt. The host creates them, opens them for
// the connected mouse, passes refresh and close requests on to them and shuts down the ones
// with threads of their own before the device session goes. It reaches the window's state
// through the window, whose friend it is.

#include <QPoint>
#include <vector>

#include "ui/main/halvric_dlg.h"

class QMouseEvent;

namespace halvric {

class SubWindowHost {
 public:
  explicit SubWindowHost(CHalvricDlg& window) : w_(window) {}

  // The button dialog, macro editor and macro list (at start; the editor starts hidden).
  void CreateMacroWindows();

  CButtonSetDlg* buttonDialog() const { return button_dlg_; }
  MacroEdit* macroEditor() const { return macro_edit_; }
  ui::MacroList* macroList() const { return macro_list_; }
  ColorDlg* lightingWindow() const { return lighting_; }
  UpgradeDlg* upgradeWindow() const { return upgrade_; }

  // The lighting window for the current mouse (created on first use); the upgrade window.
  void OpenLighting();
  void OpenUpgrade();
  // The button setting dialog for a drawn button; its result goes to the window.
  void OpenButtonDialog(int button);
  void ShowMacroEditor();
  void ShowFunctionList(bool show);

  // The function entries changed: the open lists show them again.
  void ListsChanged();
  // An input report meant for the upgrade window.
  void DeliverUpgradeReply(const std::vector<uint8_t>& bytes);
  // A mouse button pressed or released over the window, for the macro recorder.
  void ForwardToRecorder(const QMouseEvent* e, bool down);

  // The mouse's profile changed: an open lighting window reads the mouse again.
  void Refresh();
  // Close requests (the mouse went away, quitting): the prompt and the lighting window close.
  void CloseAll();
  // Quitting: besides the above, the button dialog is cancelled, the function list closes and the
  // macro editor is asked to close. False when the editor stays open (the user kept its unsaved
  // changes), in which case the program goes on.
  bool CloseForQuit();
  // Before the session stops: the windows with threads on the device layer end first.
  void Shutdown();

 private:
  CHalvricDlg& w_;
  CButtonSetDlg* button_dlg_ = nullptr;
  MacroEdit* macro_edit_ = nullptr;
  ui::MacroList* macro_list_ = nullptr;
  ColorDlg* lighting_ = nullptr;
  UpgradeDlg* upgrade_ = nullptr;
};

}  // namespace halvric
