#pragma once
// The simulated HID backend: a set of simulated mice behind the same interface as hidraw.
//
// Interfaces of mouse i (paths "sim/<i>/if<n>", already lower case; vendor id 0x0C45):
//   short-report model: if0 usage page 1, usage 2, 9-byte features (configuration)
//                       if1 usage page 0xFF23, usage 1, no features (vendor input reports)
//   long-report model:  if0 usage page 1, usage 2, no features
//                       if1 usage page 0xFF18, usage 1, 64-byte features (configuration; it also
//                           carries vendor input reports: the upgrade acknowledgements of a model
//                           with acks_on_config_interface)
//                       if2 usage page 0xFF23, usage 1, no features (vendor input reports)
// Feature transfers on an interface without features fail. ReadInput delivers the mouse's queued
// input reports on the two vendor interfaces; on the others it waits out its time-out and
// returns 0 (-1 once the mouse is unplugged). Unplugged mice are not enumerated and cannot be
// opened. Handles must not outlive the backend.
//
// State file: SetStateFile(path) makes the simulation persistent and shareable between
// processes. The file holds {"format": "halvric-sim-state", "version": 1, "models": [...],
// "mice": [SimMouse::Save() of each mouse]}.
//   * The first feature transfer on a handle takes an exclusive flock on "<path>.lock" (a
//     descriptor of its own) unless this process already holds it through another open handle
//     (handles in one process share the lock, so threads never deadlock on it), and
//     reloads every mouse from the file when the file changed since this process last read or
//     wrote it (device, inode, size and modification time are compared).
//   * When the last such handle closes, the state is written (temporary file, fsync, rename) if it
//     differs from what the file holds, then the lock is released.
//   * Handles that only read input reports (on either vendor page) do not take the lock, so a
//     long-lived input reader never blocks another process.
//   * Changes made through the SimMouse API while no handle is open are written by the next
//     handle close, by SaveState() or when the backend is destroyed; if another process changed
//     the file meanwhile, the file wins and LastStateError() says so. Tools that change a mouse
//     through the API bracket the change with AcquireState() / ReleaseState().
// So two processes sharing a state file see each other's writes and lose none of them, as long
// as each exchange runs inside an open handle (which is how the device layer works).
// A state file whose model list differs from the backend's models is refused
// (std::invalid_argument); a backend created with an empty model list takes the file's models.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_backend.h"
#include "platform/transfer_clock.h"
#include "sim/sim_mouse.h"
#include "sim/state_file.h"
#include "sim/wire_trace.h"

namespace halvric::sim {

// A model list that names a model the simulator does not have.
struct UnknownModel : std::invalid_argument {
  UnknownModel(std::string model_name, std::string known_models)
      : std::invalid_argument("unknown simulated mouse model \"" + model_name + "\" (known models: " + known_models + ")"),
        name(std::move(model_name)),
        known(std::move(known_models)) {}
  std::string name;   // as typed
  std::string known;  // "level0, level0-gamepad, ..."
};

class SimHidBackend : public HidBackend, public TransferClock {
 public:
  static constexpr uint16_t kVendorId = 0x0C45;

  // models: a comma-separated list such as "level0,level5,level11" (blanks around names are
  // ignored; an empty string gives no mice). Throws std::invalid_argument on an unknown model.
  explicit SimHidBackend(std::string_view models);
  ~SimHidBackend() override;
  SimHidBackend(const SimHidBackend&) = delete;
  SimHidBackend& operator=(const SimHidBackend&) = delete;

  // Adds a mouse of a model that is not in the table (tests of odd identification strings).
  // Not meant for state files: the file records only the model's name.
  SimMouse& AddMouse(const ModelSpec& model_spec);

  size_t MouseCount() const;
  SimMouse& Mouse(size_t i);  // throws std::out_of_range
  std::vector<std::string> ModelList() const;

  // The interfaces of mouse i whatever its plug state (for tests and tools).
  std::vector<HidInterfaceInfo> InterfacesOf(size_t i) const;
  // The index of the mouse an interface path of this backend belongs to; nullopt for another path.
  std::optional<size_t> MouseOfPath(std::string_view path) const;

  std::vector<HidInterfaceInfo> Enumerate() override;
  std::unique_ptr<HidHandle> Open(const std::string& path, std::string* error = nullptr) override;
  // Recorded in the wire trace as "P <milliseconds>", then slept (or, on virtual time, added to
  // the virtual clock).
  void Pause(int milliseconds) override;
  std::chrono::steady_clock::time_point Now() override;

  // Virtual time, for tests that run many transfers: pauses advance a clock of the backend
  // instead of sleeping, Now() reads that clock, and a wait for an input report with a time-out
  // that finds none returns at once and adds the time-out to the clock. So a mouse that stays
  // busy for ever ends an exchange at its poll limit without any real wait, and the time the
  // host would have spent can still be measured. Off by default.
  void SetVirtualClock(bool on);
  bool VirtualClock() const { return virtual_clock_.load(); }
  std::chrono::milliseconds VirtualElapsed() const;  // virtual time passed so far
  void AdvanceVirtualClock(int milliseconds);         // used by the handles

  void SetTraceFile(const std::string& path);  // append; throws std::runtime_error
  void SetTraceInMemory(bool on);              // default on
  std::vector<std::string> TraceLines() const;
  void ClearTrace();
  WireTrace& Trace() { return trace_; }

  // Loads the file now if it exists (throws std::runtime_error on a malformed file,
  // std::invalid_argument on another model list); saves at handle close and destruction.
  // A file refused here is never written: the backend then has no state file.
  void SetStateFile(const std::string& path);
  void SaveState();                      // writes now (under the lock) if anything changed
  std::string LastStateError() const;    // last failure to save from a destructor, "" if none

  // Used by the handles.
  bool AcquireState(std::string* error);
  void ReleaseState();

 private:
  nlohmann::json StateJson() const;
  void LoadStateJson(const std::string& path, const nlohmann::json& j, bool adopt_models);
  bool ReloadIfChanged();  // with the file lock held; true when the file had other content
  uint64_t TotalChanges() const;
  void SaveLocked();  // with the file lock held

  std::vector<std::unique_ptr<SimMouse>> mice_;
  std::vector<std::vector<HidInterfaceInfo>> interfaces_;
  WireTrace trace_;
  std::atomic<bool> virtual_clock_{false};
  std::atomic<int64_t> virtual_ms_{0};

  mutable std::mutex state_mu_;
  std::string state_path_;
  std::unique_ptr<StateFileLock> lock_;
  int lock_users_ = 0;
  std::string saved_text_;
  uint64_t saved_changes_ = 0;
  std::string last_error_;
};

}  // namespace halvric::sim
