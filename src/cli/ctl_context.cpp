#include "cli/ctl_context.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <clocale>

#include "cli/ctl_text.h"
#include "cli/text_format.h"

#include "config/auto_backup.h"
#include "config/connect_and_read.h"
#include "config/language_choice.h"
#include "config/program_settings.h"
#include "config/ui_texts.h"
#include "config/saved_dpi_state.h"
#include "device/connect_sequence.h"
#include "device/permission_problem.h"
#include "config/usage_to_scan_table.h"
#include "platform/folders.h"
#include "platform/linux/xkb_key_names.h"
#include "platform/profile_file.h"
#include "sim/backend_factory.h"
#include "sim/sim_hid_backend.h"

namespace halvric {

CtlContext::CtlContext(std::ostream& o, std::ostream& e) : out(o), err(e) {}

std::ostream& CtlContext::note() {
  if (!options.quiet) return out;
  discarded_.str({});
  return discarded_;
}

void CtlContext::Confirm(const std::string& text, const nlohmann::json& j) {
  if (options.json) {
    out << j.dump(2) << "\n";
  } else {
    note() << text << "\n";
  }
}

void CtlContext::Warn(const std::string& text) { err << "halvricctl: " << Text(ctl_text::kWarning, {text}) << "\n"; }

// The device layer goes before the backend it talks through; the simulated mouse saves its state
// file when the backend ends.
CtlContext::~CtlContext() {
  devices_.reset();
  backend_.reset();
}

void CtlContext::CreateBackend() {
  sim::Backend made;
  try {
    made = sim::CreateBackend({options.simulate, options.sim_state, options.trace,
                              std::chrono::milliseconds(options.sim_latency_ms)});
  } catch (const sim::UnknownModel& e) {
    throw CLI::ValidationError(Text(ctl_text::kUnknownSimModel, {e.name, e.known}));
  } catch (const std::invalid_argument& e) {
    throw CtlError(e.what());
  }
  if (!options.sim_fault.empty()) {
    const auto fault = sim::ParseFault(options.sim_fault);
    if (!fault || made.simulator == nullptr) {
      throw CtlError("--sim-fault needs --simulate and a fault such as unplug@12 (garbage, drop, busy, "
                     "busy:N, unplug, stuck)");
    }
    for (size_t i = 0; i < made.simulator->MouseCount(); ++i) made.simulator->Mouse(i).ScheduleFault(*fault);
  }
  backend_ = std::move(made.hid);
  sim_ = made.simulator;
  devices_ = std::make_unique<DeviceLayer>(*backend_);
}

DeviceLayer& CtlContext::Devices() {
  if (!devices_) CreateBackend();
  return *devices_;
}

sim::SimHidBackend* CtlContext::Simulator() {
  Devices();
  return sim_;
}

void CtlContext::SaveSimulatedState() {
  if (sim_ == nullptr) return;
  std::string why;
  try {
    sim_->SaveState();
    why = sim_->LastStateError();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (!why.empty()) throw CtlError("the simulated mice's state was not saved: " + why);
}

void CtlContext::Enumerate() {
  if (enumerated_) return;
  Devices().EnumerateMice();
  enumerated_ = true;
}

int CtlContext::KeyIndex(const std::string& text, const char* what) {
  const WorkingCopy& wc = Config(kReadIdentity);
  const int keys = static_cast<int>(wc.map.plane_size);
  const std::string range = Text(ctl_text::kKeyRange, {layout_.buttons, keys - 1, text});
  if (!text.empty() && (text[0] == 'B' || text[0] == 'b')) {
    const auto n = ParseNumber(std::string_view(text).substr(1));
    if (!n || *n < 1 || *n > static_cast<uint32_t>(layout_.buttons)) throw CLI::ValidationError(what, range);
    return layout_.key_index[*n - 1];
  }
  const auto n = ParseNumber(text);
  if (!n || *n >= static_cast<uint32_t>(keys)) throw CLI::ValidationError(what, range);
  return static_cast<int>(*n);
}

std::string CtlContext::ButtonLabel(int key) const {
  for (int b = 0; b < layout_.buttons; ++b) {
    if (layout_.key_index[b] == key) return "B" + std::to_string(b + 1);
  }
  return {};
}

std::string CtlContext::KeyText(int key) {
  const std::string label = ButtonLabel(key);
  return label.empty() ? Text(ctl_text::kKey, {key}) : Text(ctl_text::kButtonKey, {label, key});
}

void CtlContext::ThrowNoDevice() {
  // A mouse whose node the user may not open is present all the same: say so and name the fix.
  if (sim_ == nullptr) {
    if (const std::string path = UnopenableMousePath(Devices().backend()); !path.empty()) {
      throw CtlError(Text(ctl_text::kPermissionDenied, {path, kUdevRuleName}));
    }
  }
  // The program's own words, then what to do about it.
  throw CtlError(Text(TextFamily::msg_str, kMsgNoDevice) + "\n" + Text(ctl_text::kNoDeviceWhatToDo) + "\n" +
                 Text(ctl_text::kTryWithoutMouse, {"halvricctl --simulate show"}));
}

ConnectOptions CtlContext::ChooseMouse() {
  // A mouse named by its node is identified alone: identifying every other mouse plugged in
  // would cost each command their exchanges, and would select them away from a program that
  // uses them. Any other name (a port, a model) needs the whole list.
  if (!enumerated_ && !options.device.empty()) {
    const std::string wanted = LowerPath(options.device);
    for (const HidInterfaceInfo& info : Devices().backend().Enumerate()) {
      if (LowerPath(info.path) == wanted && DeviceLayer::IsMouseInterface(info) && Devices().IdentifyDevice(info.path)) {
        enumerated_ = true;
        break;
      }
    }
  }
  Enumerate();
  DeviceLayer& dev = Devices();
  if (dev.DeviceCount() == 0) ThrowNoDevice();
  ConnectOptions opts;
  if (!options.device.empty()) opts.requested_path = SelectedPath();
  return opts;
}

std::string CtlContext::Location(const std::string& path) {
  for (const HidInterfaceInfo& info : Devices().backend().Enumerate()) {
    if (info.path == path) return info.location;
  }
  return {};
}

// --device names a mouse by its node path, by the USB port it is plugged into (which survives a
// replug, unlike the node), or by its model name when only one mouse is of that model.
std::string CtlContext::SelectedPath() {
  DeviceLayer& dev = Devices();
  const auto paths = dev.DevicePaths();
  const std::string wanted = LowerPath(options.device);
  if (std::find(paths.begin(), paths.end(), wanted) != paths.end()) return wanted;
  std::vector<std::string> by_port, by_model;
  for (const std::string& path : paths) {
    if (const std::string port = Location(path); !port.empty() && port == options.device) by_port.push_back(path);
    const auto info = dev.Info(path);
    if (info && LowerPath(ModelName(*info)) == wanted) by_model.push_back(path);
  }
  if (by_port.size() == 1) return by_port[0];
  if (by_model.size() == 1) return by_model[0];
  if (by_model.size() > 1) {
    throw CtlError(Text(ctl_text::kMoreThanOneMouse, {options.device, "halvricctl list"}));
  }
  throw CtlError(Text(ctl_text::kNoMouseAt, {options.device, "halvricctl list"}));
}

void CtlContext::Connected(const ConnectResult& r) {
  if (r.path.empty()) throw CtlError(Text(TextFamily::msg_str, kMsgNoDevice));
  if (!r.selected) throw CtlError(Text(ctl_text::kMouseNotAnswering, {r.path}));
  path_ = r.path;
  layout_ = r.layout;
}

const std::string& CtlContext::Connect() {
  if (!path_.empty()) return path_;
  Connected(ConnectSequence(Devices(), ChooseMouse()));
  return path_;
}

}  // namespace halvric

namespace halvric {

const TextTables& CtlContext::Texts() {
  if (!texts_) {
    texts_ = std::make_unique<TextTables>();
    // The user's language (set.ini's, else the locale's), with the texts of the program folder's
    // language.ini. Machine-readable output stays English whatever the language.
    const FolderEnvironment env = FolderEnvironment::FromProcess();
    const std::filesystem::path program = ProgramFolder(env);
    if (!program.empty() && !options.json) {
      ProgramSettings settings;
      settings.LoadStartOptions(ProfileFile((DataFolder(env) / kSettingsFileName).string()), ProcessLocaleLanguageId());
      texts_->LoadLanguage((program / "language.ini").string(), settings.language);
    }
  }
  return *texts_;
}

void CtlContext::UseLocaleForSystemMessages() const {
  // Only the messages and their characters: numbers, as written and read, stay those of C.
  if (options.json) {
    std::setlocale(LC_MESSAGES, "C");
  } else {
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
  }
}

std::string CtlContext::Text(int slot, const std::vector<FormatArg>& args) {
  return CtlText(Texts(), TextFamily::ctl_str, slot, args);
}

std::string CtlContext::Text(TextFamily family, int slot, const std::vector<FormatArg>& args) {
  return CtlText(Texts(), family, slot, args);
}

std::string CtlContext::WriteError() { return Text(TextFamily::ui_str, ui_text::kUpgradeWriteError); }

const KeyLabels& CtlContext::Keys() {
  if (!keys_) {
    std::shared_ptr<const KeyNameSource> names;
    if (!options.keyboard_layout.empty()) {
      linux_hid::XkbLayoutNames layout;
      const std::string& text = options.keyboard_layout;
      const size_t colon = text.find(':');
      layout.layout = text.substr(0, colon);
      if (colon != std::string::npos) layout.variant = text.substr(colon + 1);
      names = linux_hid::XkbKeyNames::FromNames(layout);
      if (!names) throw CtlError(Text(ctl_text::kUnknownLayout, {text}));
    } else {
      names = linux_hid::UserKeyNames();
    }
    // The scan codes through which the layout's names are found: the program folder's table.
    UsageToScanTable scan;
    scan.Load((ProgramFolder(FolderEnvironment::FromProcess()) / UsageToScanTable::kFileName).string());
    keys_ = std::make_unique<KeyLabels>(scan, std::move(names));
  }
  return *keys_;
}

WorkingCopy& CtlContext::Config(unsigned parts) {
  if (config_ && (config_->read_parts & parts) == parts) return *config_;
  auto wc = config_ ? std::move(config_) : std::make_unique<WorkingCopy>();
  const bool had_dpi_state = (wc->read_parts & kReadDpiState) != 0;
  ReadAllResult read;
  // Repairing a never-initialised memory overwrites all of it: an automatic backup goes first.
  ResetOptions repair;
  repair.before_write = AutoBackupBefore("repair");
  if (path_.empty()) {
    const ConnectAndReadResult r = ConnectAndRead(Devices(), ChooseMouse(), *wc, repair, parts);
    Connected(r.connect);
    read = r.read;
  } else {
    read = ReadPartsOrRepair(Devices(), *wc, parts, repair);
  }
  switch (read) {
    case ReadAllResult::kLoaded: break;
    case ReadAllResult::kNoDevice: throw CtlError(Text(TextFamily::msg_str, kMsgNoDevice));
    default: throw CtlError(Text(ctl_text::kStoppedWhileReading, {path_}));
  }
  // The DPI level and mask of a mouse that stores no DPI state, as a previous run left them.
  if (!had_dpi_state && (wc->read_parts & kReadDpiState) != 0) {
    TakeSavedDpiState(*wc, ProfileFile((DataFolderPath() / kSettingsFileName).string()));
  }
  config_ = std::move(wc);
  return *config_;
}

}  // namespace halvric

namespace halvric {

bool CtlContext::SaveDpiState() {
  const std::filesystem::path folder = DataFolderPath();
  std::string why;
  if (!EnsureDataFolder(folder, &why)) return false;
  ProfileFile set_ini((folder / kSettingsFileName).string());
  return halvric::SaveDpiState(Config(kReadDpiState), set_ini, &why);
}

std::filesystem::path CtlContext::DataFolderPath() { return DataFolder(FolderEnvironment::FromProcess()); }

std::filesystem::path CtlContext::DataFolderMade() {
  const std::filesystem::path folder = DataFolderPath();
  std::string error;
  if (!EnsureDataFolder(folder, &error)) throw CtlError(Text(ctl_text::kDataFolderFailed, {error}));
  return folder;
}

std::function<bool()> CtlContext::AutoBackupBefore(std::string reason) {
  return [this, reason] {
    const std::filesystem::path folder = DataFolderPath();
    std::string why;
    if (!EnsureDataFolder(folder, &why)) {
      auto_backup_error_ = why;
      return false;
    }
    // The repair runs inside the connection, before this context knows the path.
    const std::string path = path_.empty() ? Devices().CurrentPath() : path_;
    const AutoBackupResult r = SaveAutoBackup(MouseAt(Devices(), path), folder, reason);
    if (!r.ok) {
      auto_backup_error_ = r.error;
      return false;
    }
    auto_backup_file_ = r.file;
    if (!options.json && !options.quiet) err << "halvricctl: " << Text(ctl_text::kAutoBackupMade, {r.file.string()}) << "\n";
    return true;
  };
}

}  // namespace halvric
