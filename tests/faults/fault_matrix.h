#pragma once
// The fault matrix: an operation is run once cleanly to count its feature exchanges, then again
// with one fault at exchange k for each k chosen and each fault kind. The simulated backend runs
// on virtual time, so a mouse that stays busy costs no real wait and the time the host would
// have spent is measured. After each faulted run the fault is cleared and the case checks what
// the operation left behind.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "config/temp_folder.h"
#include "config/working_copy.h"
#include "sim/fault_schedule.h"
#include "support/sim_fixture.h"

namespace halvric::test {

// One mouse on virtual time, selected and read, with a data folder for automatic backups.
struct FaultRig {
  explicit FaultRig(const std::string& model);
  sim::SimMouse& mouse() { return rig.backend.Mouse(0); }
  Mouse handle() const;
  std::vector<uint8_t> Memory();
  // Takes the mouse's state and the working copy as the starting point of every run.
  void Keep();
  // Back to the kept state: the fault cleared, the mirror emptied, no automatic backups.
  void Reset();
  // A read-all of the mouse as it is now (fault cleared first).
  WorkingCopy FreshRead();
  std::vector<std::filesystem::path> AutoBackups() const;

  SimRig rig;
  std::string path;
  WorkingCopy wc;
  testing::TempFolder data;
  nlohmann::json kept_state;
  WorkingCopy kept_wc;
  sim::PlannedFault fault;  // of the run being checked
  bool lasting = false;     // that fault was unplug or stuck
};

// What an operation reported.
struct Outcome {
  bool ok = false;
  std::string message;  // the failure's text, where the operation gives one
};

struct MatrixCase {
  std::function<Outcome(FaultRig&)> run;
  // Called after each faulted run, with the fault cleared. `clean_end`: the memory a clean run
  // leaves. Uses EXPECT_*.
  std::function<void(FaultRig&, const Outcome&, const std::vector<uint8_t>& clean_end)> check;
  // Operations of more exchanges than this get the exchanges around the first request of each
  // command, up to `boundaries` more request boundaries (evenly spread) and
  // `random_sample` seeded random exchanges; shorter ones every k.
  uint64_t short_limit = 160;
  size_t boundaries = 40;
  size_t random_sample = 20;
  uint32_t seed = 16;
};

struct MatrixFigures {
  uint64_t exchanges = 0;  // of the clean run
  size_t ks = 0;           // exchanges faulted
  size_t step_ks = 0;      // of them, around the first request of each command
  size_t runs = 0;         // faulted runs (ks x kinds)
  std::chrono::milliseconds clean_time{0};
  std::chrono::milliseconds worst_time{0};
};

// The five fault kinds, one-shot first.
const std::vector<sim::PlannedFault>& FaultKinds();
std::string KindName(sim::FaultKind kind);

// Runs the clean run and every faulted run; fails the test when a faulted run takes longer than
// the handshake limits allow beyond the clean run, or when the operation fails without saying
// why where it gives a message. Prints the figures.
MatrixFigures RunMatrix(FaultRig& rig, const std::string& name, const MatrixCase& c);

// A short answer carries no checksum: a garbled answer that happens to carry the read command
// (1 in 64) cannot be told from the mouse's data. True when `have` differs from `want` only within
// seven consecutive bytes (one read step) and the run's fault was a garbage answer on a short-report mouse.
bool UndetectableGarbage(FaultRig& rig, const std::vector<uint8_t>& have, const std::vector<uint8_t>& want);

// The parts of two working copies that come from the mouse.
void ExpectSameConfiguration(const WorkingCopy& have, const WorkingCopy& want);

}  // namespace halvric::test
