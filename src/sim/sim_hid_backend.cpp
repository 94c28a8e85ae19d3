#include "sim/sim_hid_backend.h"

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/text.h"

namespace halvric::sim {
namespace {

constexpr const char* kFormat = "halvric-sim-state";

std::string_view TrimBlanks(std::string_view s) { return Trim(s, " \t"); }

std::string KnownModels() {
  std::string all;
  for (const std::string& n : ModelNames()) all += (all.empty() ? "" : ", ") + n;
  return all;
}

std::vector<HidInterfaceInfo> BuildInterfaces(size_t index, const ModelSpec& m) {
  const std::string base = "sim/" + std::to_string(index) + "/if";
  auto make = [&](int n, uint16_t page, uint16_t usage, int features) {
    HidInterfaceInfo info;
    info.path = base + std::to_string(n);
    info.vendor_id = SimHidBackend::kVendorId;
    info.product_id = m.product_id;
    info.interface_number = n;
    info.usage_page = page;
    info.usage = usage;
    info.feature_report_length = features;
    info.location = "sim-" + std::to_string(index + 1);
    return info;
  };
  if (!m.long_reports) return {make(0, 0x0001, 2, 9), make(1, 0xFF23, 1, 0)};
  return {make(0, 0x0001, 2, 0), make(1, 0xFF18, 1, 64), make(2, 0xFF23, 1, 0)};
}

// One open interface of a simulated mouse.
class SimHidHandle : public HidHandle {
 public:
  SimHidHandle(SimHidBackend& backend, SimMouse& mouse, HidInterfaceInfo info)
      : backend_(backend), mouse_(mouse), info_(std::move(info)),
        vendor_input_(info_.usage_page == 0xFF23 || info_.usage_page == 0xFF18) {}

  ~SimHidHandle() override {
    if (holds_state_) backend_.ReleaseState();
  }

  // The state is taken at the first feature transfer, not at opening: a handle that only reads
  // input reports (the configuration interface carries them too) never holds the state file.
  bool HoldState() {
    if (holds_state_) return true;
    if (!backend_.AcquireState(nullptr)) return false;
    holds_state_ = true;
    return true;
  }

  const HidInterfaceInfo& Info() const override { return info_; }

  bool GetFeature(std::span<uint8_t> buf) override {
    if (info_.feature_report_length == 0 || !HoldState()) return false;
    if (!mouse_.WireGetFeature(buf)) return false;
    backend_.Trace().Record('G', info_.path, buf);
    return true;
  }

  bool SetFeature(std::span<const uint8_t> buf) override {
    if (info_.feature_report_length == 0 || !HoldState()) return false;
    // A refused request is on the wire all the same.
    const bool accepted = mouse_.WireSetFeature(buf);
    if (accepted || !mouse_.Unplugged()) backend_.Trace().Record('S', info_.path, buf);
    return accepted;
  }

  int ReadInput(std::span<uint8_t> buf, int timeout_ms) override {
    const bool virtual_wait = backend_.VirtualClock() && timeout_ms > 0;
    const int wait_ms = virtual_wait ? 0 : timeout_ms;
    const int n = vendor_input_ ? mouse_.WireReadInput(buf, wait_ms, info_.usage_page == 0xFF18)
                                : mouse_.WireWaitIdle(wait_ms);
    if (n == 0 && virtual_wait) backend_.AdvanceVirtualClock(timeout_ms);
    if (!vendor_input_) return n;
    if (n > 0) backend_.Trace().Record('I', info_.path, buf.first(static_cast<size_t>(n)));
    return n;
  }

  void CancelIo() override { mouse_.WireCancelReads(); }

  void Pause(int milliseconds) override { backend_.Pause(milliseconds); }

  bool IndexedString(int index, std::span<uint8_t> out) override {
    const int n = mouse_.WireIndexedString(index, out);
    if (n < 0) return false;
    backend_.Trace().RecordString(info_.path, index, out.first(static_cast<size_t>(n)));
    return true;
  }

 private:
  SimHidBackend& backend_;
  SimMouse& mouse_;
  const HidInterfaceInfo info_;
  bool holds_state_ = false;
  const bool vendor_input_;
};

}  // namespace

SimHidBackend::SimHidBackend(std::string_view models) {
  std::string_view rest = models;
  if (TrimBlanks(rest).empty()) return;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view name = TrimBlanks(rest.substr(0, comma));
    const ModelSpec* model_spec = FindModel(name);
    if (model_spec == nullptr) {
      throw UnknownModel(std::string(name), KnownModels());
    }
    interfaces_.push_back(BuildInterfaces(mice_.size(), *model_spec));
    mice_.push_back(std::make_unique<SimMouse>(*model_spec));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
}

SimHidBackend::~SimHidBackend() {
  try {
    SaveState();
  } catch (const std::exception& e) {
    // A destructor cannot report; the tools that care call SaveState() themselves first.
    std::lock_guard l(state_mu_);
    last_error_ = e.what();
  }
}

SimMouse& SimHidBackend::AddMouse(const ModelSpec& model_spec) {
  interfaces_.push_back(BuildInterfaces(mice_.size(), model_spec));
  mice_.push_back(std::make_unique<SimMouse>(model_spec));
  return *mice_.back();
}

size_t SimHidBackend::MouseCount() const { return mice_.size(); }

SimMouse& SimHidBackend::Mouse(size_t i) {
  if (i >= mice_.size()) throw std::out_of_range("no simulated mouse " + std::to_string(i));
  return *mice_[i];
}

std::vector<std::string> SimHidBackend::ModelList() const {
  std::vector<std::string> names;
  for (const auto& m : mice_) names.push_back(m->Model().name);
  return names;
}

std::vector<HidInterfaceInfo> SimHidBackend::InterfacesOf(size_t i) const {
  if (i >= interfaces_.size()) return {};
  return interfaces_[i];
}

std::optional<size_t> SimHidBackend::MouseOfPath(std::string_view path) const {
  for (size_t i = 0; i < interfaces_.size(); ++i) {
    for (const HidInterfaceInfo& info : interfaces_[i]) {
      if (info.path == path) return i;
    }
  }
  return std::nullopt;
}

std::vector<HidInterfaceInfo> SimHidBackend::Enumerate() {
  std::vector<HidInterfaceInfo> all;
  for (size_t i = 0; i < mice_.size(); ++i) {
    if (mice_[i]->Unplugged()) continue;
    all.insert(all.end(), interfaces_[i].begin(), interfaces_[i].end());
  }
  return all;
}

std::unique_ptr<HidHandle> SimHidBackend::Open(const std::string& path, std::string* error) {
  auto fail = [error](const std::string& why) -> std::unique_ptr<HidHandle> {
    if (error != nullptr) *error = why;
    return nullptr;
  };
  for (size_t i = 0; i < interfaces_.size(); ++i) {
    for (const HidInterfaceInfo& info : interfaces_[i]) {
      if (info.path != path) continue;
      if (mice_[i]->Unplugged()) return fail("no such device");
      if (mice_[i]->OpenRefused()) return fail("permission denied");
      return std::make_unique<SimHidHandle>(*this, *mice_[i], info);
    }
  }
  return fail("no such device");
}

void SimHidBackend::Pause(int milliseconds) {
  trace_.RecordPause(milliseconds);
  if (virtual_clock_.load()) {
    AdvanceVirtualClock(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

std::chrono::steady_clock::time_point SimHidBackend::Now() {
  if (!virtual_clock_.load()) return std::chrono::steady_clock::now();
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(virtual_ms_.load()));
}

void SimHidBackend::SetVirtualClock(bool on) { virtual_clock_.store(on); }

std::chrono::milliseconds SimHidBackend::VirtualElapsed() const {
  return std::chrono::milliseconds(virtual_ms_.load());
}

void SimHidBackend::AdvanceVirtualClock(int milliseconds) {
  if (milliseconds > 0) virtual_ms_.fetch_add(milliseconds);
}

void SimHidBackend::SetTraceFile(const std::string& path) { trace_.SetFile(path); }
void SimHidBackend::SetTraceInMemory(bool on) { trace_.SetInMemory(on); }
std::vector<std::string> SimHidBackend::TraceLines() const { return trace_.Lines(); }
void SimHidBackend::ClearTrace() { trace_.Clear(); }

// ---------------------------------------------------------------------------------------------
// State file

uint64_t SimHidBackend::TotalChanges() const {
  uint64_t total = 0;
  for (const auto& m : mice_) total += m->ChangeCount();
  return total;
}

nlohmann::json SimHidBackend::StateJson() const {
  nlohmann::json mice = nlohmann::json::array();
  for (const auto& m : mice_) mice.push_back(m->Save());
  return {{"format", kFormat}, {"version", 1}, {"models", ModelList()}, {"mice", mice}};
}

void SimHidBackend::LoadStateJson(const std::string& path, const nlohmann::json& j, bool adopt_models) {
  const std::string where = "state file " + path;
  if (!j.is_object() || j.value("format", std::string()) != kFormat) {
    throw std::runtime_error(where + " is not a simulated mouse state");
  }
  if (!j.contains("models") || !j.at("models").is_array() || !j.contains("mice") ||
      !j.at("mice").is_array() || j.at("mice").size() != j.at("models").size()) {
    throw std::runtime_error(where + " has no consistent model and mouse lists");
  }
  std::vector<std::string> models;
  for (const auto& m : j.at("models")) {
    if (!m.is_string()) throw std::runtime_error(where + " has a model name that is no text");
    models.push_back(m.get<std::string>());
  }
  if (adopt_models && mice_.empty() && !models.empty()) {
    // Every name is checked before the first mouse is added, so a refused file adds none.
    std::vector<const ModelSpec*> specs;
    for (const std::string& name : models) {
      const ModelSpec* model_spec = FindModel(name);
      if (model_spec == nullptr) throw std::runtime_error(where + " names unknown model " + name);
      specs.push_back(model_spec);
    }
    for (size_t i = 0; i < specs.size(); ++i) {
      SimMouse probe(*specs[i]);
      probe.Load(j.at("mice").at(i));
    }
    for (const ModelSpec* model_spec : specs) {
      interfaces_.push_back(BuildInterfaces(mice_.size(), *model_spec));
      mice_.push_back(std::make_unique<SimMouse>(*model_spec));
    }
  } else if (models != ModelList()) {
    std::string have;
    for (const std::string& n : models) have += (have.empty() ? "" : ",") + n;
    std::string want;
    for (const std::string& n : ModelList()) want += (want.empty() ? "" : ",") + n;
    throw std::invalid_argument(where + " holds the models \"" + have +
                                "\", but the simulation was started with \"" + want + "\"");
  }
  // Check every mouse's state before changing any of them.
  for (size_t i = 0; i < mice_.size(); ++i) {
    SimMouse probe(mice_[i]->Model());
    probe.Load(j.at("mice").at(i));
  }
  for (size_t i = 0; i < mice_.size(); ++i) mice_[i]->Load(j.at("mice").at(i));
}

void SimHidBackend::SetStateFile(const std::string& path) {
  std::lock_guard l(state_mu_);
  // The path becomes the backend's only once the file has been accepted: a file refused here
  // (not a state, another model list, a state that does not load) is never written, so the
  // user's file stays as it was.
  state_path_.clear();
  StateFileLock lock(path + ".lock");
  const std::optional<std::string> text = ReadTextFile(path);
  if (text.has_value()) {
    LoadStateJson(path, ParseJsonText(path, *text), true);
    saved_text_ = *text;
  } else {
    saved_text_.clear();
  }
  saved_changes_ = TotalChanges();
  state_path_ = path;
}

bool SimHidBackend::ReloadIfChanged() {
  const std::optional<std::string> text = ReadTextFile(state_path_);
  if (!text.has_value() || *text == saved_text_) return false;
  LoadStateJson(state_path_, ParseJsonText(state_path_, *text), false);
  saved_text_ = *text;
  saved_changes_ = TotalChanges();
  return true;
}

void SimHidBackend::SaveLocked() {
  if (TotalChanges() == saved_changes_ && !saved_text_.empty()) return;
  std::string text = StateJson().dump();
  if (text != saved_text_) {
    ReplaceStateFile(state_path_, text);
    saved_text_ = std::move(text);
  }
  saved_changes_ = TotalChanges();
}

void SimHidBackend::SaveState() {
  std::lock_guard l(state_mu_);
  if (state_path_.empty()) return;
  if (lock_ != nullptr) {
    SaveLocked();
    return;
  }
  StateFileLock lock(state_path_ + ".lock");
  // Changes made outside any open handle meet a file that another process changed meanwhile:
  // the file wins, because writing this process's whole state would undo that process's writes.
  if (TotalChanges() != saved_changes_ && ReloadIfChanged()) {
    last_error_ = "changes made outside an open handle were dropped: the state file " +
                  state_path_ + " was changed by another process";
    return;
  }
  SaveLocked();
}

std::string SimHidBackend::LastStateError() const {
  std::lock_guard l(state_mu_);
  return last_error_;
}

bool SimHidBackend::AcquireState(std::string* error) {
  std::lock_guard l(state_mu_);
  if (state_path_.empty()) return true;
  if (lock_users_ > 0) {
    ++lock_users_;
    return true;
  }
  try {
    lock_ = std::make_unique<StateFileLock>(state_path_ + ".lock");
    ReloadIfChanged();
  } catch (const std::exception& e) {
    lock_.reset();
    if (error != nullptr) *error = e.what();
    return false;
  }
  lock_users_ = 1;
  return true;
}

void SimHidBackend::ReleaseState() {
  std::lock_guard l(state_mu_);
  if (state_path_.empty() || lock_users_ == 0) return;
  if (--lock_users_ > 0) return;
  try {
    SaveLocked();
  } catch (const std::exception& e) {
    last_error_ = e.what();
  }
  lock_.reset();
}

}  // namespace halvric::sim
