#include "faults/fault_matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "config/auto_backup.h"
#include "config/read_all.h"
#include "device/feature_transfer.h"

namespace halvric::test {
namespace {

// The longest a run may take beyond the clean run: a few exchanges that each wait out both
// poll limits (1 ms apart) and the longest pause of a command.
constexpr std::chrono::milliseconds kSlack{6 * (kReadyCheckLimit + kAnswerPollLimit + 120)};

}  // namespace

FaultRig::FaultRig(const std::string& model) : rig(model), path(rig.PathOf(0)) {
  rig.backend.SetVirtualClock(true);
  EXPECT_TRUE(rig.dev->SelectDevice(path, false));
  EXPECT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
  Keep();
}

Mouse FaultRig::handle() const { return MouseAt(*rig.dev, path); }

std::vector<uint8_t> FaultRig::Memory() {
  sim::SimMouse& m = mouse();
  return m.ReadMemory(0, m.Model().memory_size);
}

void FaultRig::Keep() {
  kept_state = mouse().Save();
  kept_wc = wc;
}

void FaultRig::Reset() {
  mouse().ClearFaults();
  mouse().Load(kept_state);
  rig.dev->mirror().Clear();
  wc = kept_wc;
  std::filesystem::remove_all(AutoBackupFolder(data.path()));
}

WorkingCopy FaultRig::FreshRead() {
  mouse().ClearFaults();
  rig.dev->mirror().Clear();
  WorkingCopy fresh;
  EXPECT_EQ(ReadAll(*rig.dev, fresh), ReadAllResult::kLoaded);
  return fresh;
}

std::vector<std::filesystem::path> FaultRig::AutoBackups() const {
  std::vector<std::filesystem::path> files;
  for (const AutoBackup& b : ListAutoBackups(data.path())) files.push_back(b.file);
  return files;
}

const std::vector<sim::PlannedFault>& FaultKinds() {
  static const std::vector<sim::PlannedFault> kinds = {
      {sim::FaultKind::kGarbageAnswer, 0, 0},
      {sim::FaultKind::kDroppedAnswer, 0, 0},
      {sim::FaultKind::kBusyForAWhile, 0, 60},
      {sim::FaultKind::kUnplugged, 0, 0},
      {sim::FaultKind::kBusyForever, 0, 0},
  };
  return kinds;
}

std::string KindName(sim::FaultKind kind) {
  const std::string text = sim::FaultText({kind, 0, 1});
  return text.substr(0, text.find_first_of(":@"));
}

MatrixFigures RunMatrix(FaultRig& rig, const std::string& name, const MatrixCase& c) {
  MatrixFigures figures;
  sim::SimMouse& mouse = rig.mouse();

  rig.Reset();
  rig.rig.backend.ClearTrace();
  const uint64_t first = mouse.FeatureExchanges();
  const auto start = rig.rig.backend.VirtualElapsed();
  const Outcome clean = c.run(rig);
  figures.clean_time = rig.rig.backend.VirtualElapsed() - start;
  figures.exchanges = mouse.FeatureExchanges() - first;
  EXPECT_TRUE(clean.ok) << name << ": the clean run failed: " << clean.message;
  const std::vector<uint8_t> clean_end = rig.Memory();

  std::vector<uint64_t> ks;
  if (figures.exchanges <= c.short_limit) {
    for (uint64_t k = 0; k < figures.exchanges; ++k) ks.push_back(k);
  } else {
    // Request boundaries: the exchange of each Set Feature, read from the clean run's trace.
    // The first request of each command starts a step of the operation (from the automatic
    // backup's reads to entering programming mode, say). The request before it, it, the
    // exchange after it (the mouse has taken the request but not yet answered) and the second
    // request of that command (programming mode is entered and written with one command) are
    // always faulted.
    std::vector<uint64_t> requests;
    std::set<uint64_t> chosen;
    std::map<int, int> seen;  // requests per command so far
    uint64_t k = 0;
    for (const WireEvent& e : ParseTrace(rig.rig.backend.TraceLines())) {
      if (e.kind != 'S' && e.kind != 'G') continue;
      if (e.kind == 'S') {
        const int n = seen[e.bytes.size() > 1 ? e.bytes[1] : -1]++;
        if (n == 0) {
          if (!requests.empty()) chosen.insert(requests.back());
          if (k + 1 < figures.exchanges) chosen.insert(k + 1);
        }
        if (n < 2) chosen.insert(k);
        requests.push_back(k);
      }
      ++k;
    }
    figures.step_ks = chosen.size();
    // HALVRIC_FAULT_MATRIX=full faults every request boundary, not a spread of them. It takes
    // about twenty minutes in the default build, so it is asked for by hand rather than by CTest.
    const char* mode = std::getenv("HALVRIC_FAULT_MATRIX");
    const bool every = mode != nullptr && std::string(mode) == "full";
    const size_t step = every ? 1 : std::max<size_t>(1, requests.size() / c.boundaries);
    for (size_t i = 0; i < requests.size(); i += step) chosen.insert(requests[i]);
    if (!requests.empty()) chosen.insert(requests.back());
    std::mt19937 gen(c.seed);
    std::uniform_int_distribution<uint64_t> any(0, figures.exchanges - 1);
    for (size_t i = 0; i < c.random_sample; ++i) chosen.insert(any(gen));
    ks.assign(chosen.begin(), chosen.end());
  }
  figures.ks = ks.size();

  for (const uint64_t k : ks) {
    for (sim::PlannedFault fault : FaultKinds()) {
      fault.at = k;
      rig.Reset();
      mouse.ScheduleFault(fault);
      rig.rig.backend.ClearTrace();
      const auto t0 = rig.rig.backend.VirtualElapsed();
      const Outcome outcome = c.run(rig);
      const auto took = rig.rig.backend.VirtualElapsed() - t0;
      figures.worst_time = std::max(figures.worst_time, took);
      ++figures.runs;
      mouse.ClearFaults();
      rig.fault = fault;
      rig.lasting = fault.kind == sim::FaultKind::kUnplugged || fault.kind == sim::FaultKind::kBusyForever;
      const std::string where = name + ", " + sim::FaultText(fault) + " of " + std::to_string(figures.exchanges);
      SCOPED_TRACE(where);
      if (took > figures.clean_time + kSlack) {
        // What the host kept asking for after the mouse stopped answering.
        std::string requests;
        for (const WireEvent& e : ParseTrace(rig.rig.backend.TraceLines())) {
          if (e.kind == 'S' && e.bytes.size() > 2) {
            requests += ' ';
            requests += std::to_string(e.bytes[1]);
            requests += '/';
            requests += std::to_string(e.bytes[2]);
          }
          if (e.kind == 'P' && e.pause_ms > 2) {
            requests += " P";
            requests += std::to_string(e.pause_ms);
          }
          if (e.kind == 'P' && e.pause_ms == 1) requests += ".";
        }
        ADD_FAILURE() << "the operation hung: " << took.count() << " ms; requests:" << requests;
      }
      c.check(rig, outcome, clean_end);
      if (::testing::Test::HasFailure()) {
        ADD_FAILURE() << "stopped at " << where << (outcome.ok ? " (reported success)" : " (failed: " + outcome.message + ")");
        return figures;
      }
    }
  }
  std::cout << "[ matrix ] " << name << ": " << figures.exchanges << " exchanges, " << figures.ks
            << " k faulted (" << figures.step_ks << " at a first command) x " << FaultKinds().size() << " kinds = " << figures.runs << " runs, clean "
            << figures.clean_time.count() << " ms, worst " << figures.worst_time.count() << " ms (virtual)\n";
  return figures;
}

bool UndetectableGarbage(FaultRig& rig, const std::vector<uint8_t>& have, const std::vector<uint8_t>& want) {
  if (rig.fault.kind != sim::FaultKind::kGarbageAnswer || rig.rig.backend.Mouse(0).Model().long_reports) return false;
  if (have.size() != want.size()) return false;
  size_t first = have.size(), last = 0;
  for (size_t i = 0; i < have.size(); ++i) {
    if (have[i] == want[i]) continue;
    first = std::min(first, i);
    last = i;
  }
  return first < have.size() && last - first < 7;
}

void ExpectSameConfiguration(const WorkingCopy& have, const WorkingCopy& want) {
  ASSERT_TRUE(have.loaded);
  EXPECT_EQ(have.dpi, want.dpi);
  EXPECT_EQ(have.dpi_level, want.dpi_level);
  EXPECT_EQ(have.dpi_mask, want.dpi_mask);
  EXPECT_EQ(have.settings_byte, want.settings_byte);
  EXPECT_EQ(have.profile_bits, want.profile_bits);
  for (size_t p = 0; p < have.profiles.size(); ++p) {
    const ProfileSettings& a = have.profiles[p];
    const ProfileSettings& b = want.profiles[p];
    EXPECT_EQ(a.colour, b.colour) << "profile " << p;
    EXPECT_EQ(a.name, b.name) << "profile " << p;
    EXPECT_EQ(a.extension, b.extension) << "profile " << p;
    for (size_t k = 0; k < a.buttons.size(); ++k) EXPECT_EQ(a.buttons[k].bytes, b.buttons[k].bytes) << "profile " << p << " key " << k;
  }
  for (size_t s = 0; s < have.macros.size(); ++s) {
    const MacroSlot& a = have.macros[s];
    const MacroSlot& b = want.macros[s];
    EXPECT_EQ(a.start, b.start) << "slot " << s;
    EXPECT_EQ(a.body, b.body) << "slot " << s;
    EXPECT_EQ(a.length, b.length) << "slot " << s;
    EXPECT_EQ(a.name, b.name) << "slot " << s;
    EXPECT_EQ(a.mode, b.mode) << "slot " << s;
  }
}

}  // namespace halvric::test
