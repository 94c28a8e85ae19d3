#pragma once
// What every halvricctl command shares: the global options, the HID backend (hidraw or the
// simulated mouse), the device layer and the connected mouse.

#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "config/key_labels.h"
#include "config/read_all.h"
#include "config/text_tables.h"
#include "config/working_copy.h"
#include "config/safe_format.h"
#include "device/connect_sequence.h"
#include "device/device_layer.h"
#include "device/model_layout.h"
#include "device/mouse.h"
#include "platform/hid_backend.h"

namespace halvric {

namespace sim {
class SimHidBackend;
}

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // device or file error
inline constexpr int kExitUsage = 2;

// A failure that ends the command with exit code 1 and its message on standard error.
struct CtlError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct GlobalOptions {
  std::string simulate;   // model list; empty: real mice
  std::string sim_state;  // state file of the simulated mouse
  std::string trace;      // wire-trace file (simulated mouse)
  int sim_latency_ms = 0; // wire latency per transfer of the simulated mice
  std::string sim_fault;  // a fault of the simulated mice at one exchange ("unplug@12"); tests only
  std::string device;     // chosen interface path
  std::string keyboard_layout;  // XKB layout[:variant] that names the keys; empty: the session's
  bool json = false;
  bool quiet = false;  // no confirmations, notes or progress; what a command shows and errors stay
};

class CtlContext {
 public:
  CtlContext(std::ostream& out, std::ostream& err);
  ~CtlContext();

  GlobalOptions options;
  std::ostream& out;
  std::ostream& err;
  // Where a command confirms what it did ("Saved ...", "slot 3 deleted"): standard output, or
  // nowhere with --quiet.
  std::ostream& note();
  // The confirmation of a command that changed something, in one style for all of them: with
  // --json the object `j` on standard output, else the line `text` ("rate: 500Hz"), which
  // --quiet suppresses.
  void Confirm(const std::string& text, const nlohmann::json& j);
  // A warning on standard error, with the program's prefix ("halvricctl: warning: ...").
  void Warn(const std::string& text);

  DeviceLayer& Devices();                // creates the backend on first use
  sim::SimHidBackend* Simulator();       // null when talking to real mice
  // Writes the simulated mice's state file, when there is one, at the end of a command; a
  // CtlError says why it could not be written (the command's changes would be lost).
  void SaveSimulatedState();
  // Enumerates and identifies the mice (once).
  void Enumerate();
  // Enumerates, picks the mouse (--device or the first) and selects it; throws CtlError
  // "No device !!" when there is none.
  const std::string& Connect();
  // Connects and reads the parts of the mouse's configuration a command needs (kRead... bits; by
  // default all of it), repairing a never-initialised memory by the reset to defaults. Later
  // calls read only the parts not read yet. Throws CtlError when the mouse does not answer.
  WorkingCopy& Config(unsigned parts = kReadEverything);
  // Throws the CtlError for "no mouse found": the permission problem when a mouse is present but
  // cannot be opened, else "No device !!".
  [[noreturn]] void ThrowNoDevice();
  // The texts in the user's language (set.ini's choice, else the locale's); English with --json.
  const TextTables& Texts();
  // The system's reasons ("No such file or directory") in the locale's language, as every other
  // program of the session gives them; English with --json. Called once the command line is
  // parsed, before any command runs, while the process has no other thread.
  void UseLocaleForSystemMessages() const;
  // A text of halvricctl's own family (ctl_text::...), or of another family, in the user's
  // language and formatted with `args` (cli/ctl_text).
  std::string Text(int slot, const std::vector<FormatArg>& args = {});
  std::string Text(TextFamily family, int slot, const std::vector<FormatArg>& args = {});
  // "write error!!" in the user's language.
  std::string WriteError();
  // The key names of --keyboard-layout, else of the session's layout (the X server's keymap, else
  // the system's keyboard configuration): the same names the windows show. Throws CtlError for a
  // layout XKB does not know.
  const KeyLabels& Keys();
  // Saves the DPI level and mask of a mouse that stores no DPI state into set.ini, where the next
  // run (and the window) takes them from.
  bool SaveDpiState();
  // A hook for operations that overwrite the mouse's whole memory: it first saves an automatic
  // backup into the data folder (the last ten are kept) and reports its file on stderr.
  std::function<bool()> AutoBackupBefore(std::string reason);
  // The program's data folder, made when missing; a CtlError says why it cannot be.
  std::filesystem::path DataFolderMade();
  // The same folder as it is, for commands that only read it.
  static std::filesystem::path DataFolderPath();
  const std::string& auto_backup_error() const { return auto_backup_error_; }
  // The automatic backup the hook last wrote; empty before one is written.
  const std::filesystem::path& auto_backup_file() const { return auto_backup_file_; }
  const std::string& path() const { return path_; }
  // The handle of the connected mouse (built afresh: identification may have run since).
  Mouse mouse() { return MouseAt(Devices(), path_); }
  const ModelLayout& layout() const { return layout_; }
  // The key index a button argument names: a label of the drawn buttons as the window shows them
  // ("B1", "b3"), or a raw key index (0 up to the mouse's key count). Throws a usage error naming
  // the valid range for anything else. Connects (the labels depend on the model).
  int KeyIndex(const std::string& text, const char* what);
  // The label of key index `key` ("B1" ...), or empty when the window draws no button for it.
  std::string ButtonLabel(int key) const;
  // Key index `key` as confirmations name it: "B3 key 4", or "key 4" for a key without a button.
  std::string KeyText(int key);
  // The USB port of the mouse at `path` ("1-2.3"), or empty when unknown.
  std::string Location(const std::string& path);

 private:
  void CreateBackend();
  ConnectOptions ChooseMouse();
  std::string SelectedPath();
  void Connected(const ConnectResult& r);
  std::unique_ptr<HidBackend> backend_;
  sim::SimHidBackend* sim_ = nullptr;
  std::unique_ptr<DeviceLayer> devices_;
  bool enumerated_ = false;
  std::string path_;
  ModelLayout layout_;
  std::unique_ptr<TextTables> texts_;
  std::unique_ptr<KeyLabels> keys_;
  std::unique_ptr<WorkingCopy> config_;
  std::string auto_backup_error_;
  std::filesystem::path auto_backup_file_;
  std::ostringstream discarded_;
};

}  // namespace halvric
