#pragma once
// The main window's "Other" page: the general options, backup, restore and the reset to
// defaults (each a job on the device worker with the window busy meanwhile), and the information
// block with its PIN. The page reads and changes the window's state through the window, whose
// friend it is.

#include <QString>
#include <string>

#include "config/backup_restore.h"
#include "ui/main/halvric_dlg.h"

class QPainter;

namespace halvric {

class OtherPage {
 public:
  explicit OtherPage(CHalvricDlg& window) : w_(window) {}

  void RunBackup();
  void RunRestore();
  void RunReset();
  // Asks for the PIN that unlocks the information block.
  void EnterPin();
  // The language menu: a choice other than the language in use is written to set.ini and the
  // window asks the program to start again in it.
  void ChooseLanguage();
  // The language item's caption: the language's own name and the menu mark.
  static QString LanguageCaption(int language_id);

  void Paint(QPainter& p);

 private:
  QString InformationText() const;
  // The backup file to write (save) or read: the window's file dialog, or the tests' stand-in.
  // A file to write always ends in ".bf". Empty when the user cancelled.
  QString ChooseBackupFile(bool save);
  // The caption of button text `button_text`, as the title of a message.
  QString Title(int button_text) const;

  CHalvricDlg& w_;
};

}  // namespace halvric
