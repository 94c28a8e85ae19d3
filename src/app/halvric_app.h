#pragma once
// The application object: command line, data folders, language, the single-instance channel,
// fonts, the macro library and the main window; on the way out it stops and joins every worker.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "config/program_settings.h"

class QWidget;

namespace halvric {

class AppFonts;
class CHalvricDlg;
class InstanceChannel;
class MacroLibrary;
class TextTables;
struct ProgramContext;

class CHalvricApp {
 public:
  CHalvricApp();
  ~CHalvricApp();

  // The whole run; returns the process exit code.
  int Run(int argc, char** argv);

  // Start-up up to the instance check, without any window: processes the options ("/langid=" and
  // "/genpin" write set.ini, "/close" closes the running instance) and tells whether this process
  // goes on to show a window. Used by Run and by tests.
  struct Prelude {
    bool go_on = false;
    int exit_code = 0;
    StartOptions options;
    std::optional<int> pin;
    int language = 1033;
  };
  Prelude Start(const std::vector<std::string>& args, const std::string& socket_path = {});

  // The macro editor's place: the editor window is created hidden at start once it exists; until
  // then the slot stays empty and close requests pass it by.
  QWidget* MacroEditor() const { return macro_editor_; }

 private:
  // The settings of set.ini as a start reads them, with the texts loaded in their language.
  ProgramSettings LoadTexts();
  std::unique_ptr<ProgramContext> context_;
  std::unique_ptr<TextTables> texts_;
  std::unique_ptr<AppFonts> fonts_;
  std::unique_ptr<MacroLibrary> library_;
  std::unique_ptr<InstanceChannel> channel_;
  QWidget* macro_editor_ = nullptr;
};

}  // namespace halvric
