// What a halvricctl command reads from the mouse: what it changes, validates or prints, and
// nothing twice; its writes are those of the change made after a whole read.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/ctl_run.h"
#include "cli/function_spec.h"
#include "cli/text_format.h"
#include "config/read_all.h"
#include "config/setting_changes.h"
#include "sim/device_identity.h"
#include "support/sim_fixture.h"

namespace halvric {
namespace {

using test::Ctl;
using test::WireEvent;

struct Model {
  const char* name;
  int level;
  uint32_t read_size, read_step;
  int info_entries;
};
constexpr Model kModels[] = {{"level0", 0, 1024, 32, 16}, {"level5", 5, 2048, 60, 0}, {"level11", 11, 2048, 60, 32}};

// The address of a memory read request, in each encoding's form (after the report id).
std::optional<uint32_t> ReadAddress(const WireEvent& e, int level) {
  const auto& b = e.bytes;
  if (level == 0 && b[1] == 0x05 && b[2] == 0x00) return b[3] | (b[4] << 8);
  if (level > 0 && level < 11 && b[1] == 0x01 && b[2] == 0x00 && b[3] == 0x00) return b[4] | (b[5] << 8);
  if (level >= 11 && b[1] == 0x02) return b[2] | (b[3] << 8);
  return std::nullopt;
}

bool AsksInformationEntry(const WireEvent& e, int level) {
  if (level == 0) return e.bytes[1] == 0x00 && e.bytes[2] == 0x02 && e.bytes[3] == 0x04;
  return level >= 11 && e.bytes[1] == 0x0A;
}

struct Traced {
  test::CtlRun run;
  std::vector<WireEvent> sends;
  std::vector<uint32_t> reads;  // memory read addresses, in order
  int info_requests = 0;
};

Traced RunTraced(const Model& m, const std::vector<std::string>& command, const std::string& state = {}) {
  const std::string trace = test::TempPath("trace");
  std::vector<std::string> args = {std::string("--simulate=") + m.name, "--trace", trace};
  if (!state.empty()) args.insert(args.end(), {"--sim-state", state});
  args.insert(args.end(), command.begin(), command.end());
  Traced t;
  t.run = Ctl(args);
  std::vector<std::string> lines;
  std::ifstream in(trace);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  std::filesystem::remove(trace);
  t.sends = test::Sends(lines);
  for (const WireEvent& e : t.sends) {
    if (const auto a = ReadAddress(e, m.level)) t.reads.push_back(*a);
    if (AsksInformationEntry(e, m.level)) ++t.info_requests;
  }
  return t;
}

// The sends of a change made on a wholly read working copy, as the window makes it.
template <typename Change>
std::vector<WireEvent> ReferenceSends(const Model& m, Change change) {
  test::SimRig rig(m.name);
  rig.dev->SelectDevice(rig.PathOf(0), true);
  WorkingCopy wc;
  EXPECT_EQ(ReadAll(*rig.dev, wc), ReadAllResult::kLoaded);
  rig.backend.ClearTrace();
  EXPECT_TRUE(change(*rig.dev, wc));
  return rig.SendsSinceClear();
}

void ExpectEndsWith(const std::vector<WireEvent>& sends, const std::vector<WireEvent>& tail, const char* model) {
  ASSERT_GE(sends.size(), tail.size()) << model;
  for (size_t i = 0; i < tail.size(); ++i) {
    EXPECT_EQ(sends[sends.size() - tail.size() + i].bytes, tail[i].bytes) << model << " send " << i;
  }
}

// dpi reads no memory below level 11 (the DPI state comes with the status) and one chunk on level
// 11 (signature and DPI state together); button reads no memory beyond that chunk. Both ask the
// information entries once, at identification, and write exactly what the window's change does.
TEST(CommandReads, DpiAndButtonReadOnlyWhatTheyChange) {
  for (const Model& m : kModels) {
    const std::vector<uint32_t> expected_reads = m.level >= 11 ? std::vector<uint32_t>{0} : std::vector<uint32_t>{};

    const Traced dpi = RunTraced(m, {"dpi", "2", "800", "800"});
    ASSERT_EQ(dpi.run.code, 0) << m.name << ": " << dpi.run.err;
    EXPECT_EQ(dpi.reads, expected_reads) << m.name;
    EXPECT_EQ(dpi.info_requests, m.info_entries) << m.name;
    ExpectEndsWith(dpi.sends, ReferenceSends(m, [](DeviceLayer& dev, WorkingCopy& wc) {
                     return ChangeDpi(dev, wc, 1, static_cast<uint8_t>(800 / wc.dpi_step), static_cast<uint8_t>(800 / wc.dpi_step));
                   }), m.name);

    const Traced button = RunTraced(m, {"button", "1", "1", "middle"});
    ASSERT_EQ(button.run.code, 0) << m.name << ": " << button.run.err;
    EXPECT_EQ(button.reads, expected_reads) << m.name;
    EXPECT_EQ(button.info_requests, m.info_entries) << m.name;
    ExpectEndsWith(button.sends, ReferenceSends(m, [](DeviceLayer& dev, WorkingCopy& wc) {
                     std::string why;
                     const auto a = ParseFunctionSpec("middle", wc, &why);
                     return a && ChangeButton(dev, wc, 0, 1, *a);
                   }), m.name);
  }
}

// show reads every chunk of the configuration memory once and the information entries only at
// identification, yet prints them all; the values it printed before it reads the same.
TEST(CommandReads, ShowReadsTheMemoryOnceAndTheEntriesFromIdentification) {
  for (const Model& m : kModels) {
    const Traced show = RunTraced(m, {"--json", "show"});
    ASSERT_EQ(show.run.code, 0) << m.name << ": " << show.run.err;
    // A chunk may take several requests (level 0 answers 7 bytes each); none is asked twice.
    std::map<uint32_t, int> requests;
    for (uint32_t a : show.reads) {
      if (a < m.read_size) ++requests[a];
    }
    for (uint32_t a = 0; a < m.read_size; a += m.read_step) EXPECT_EQ(requests.count(a), 1u) << m.name << " chunk " << a;
    for (const auto& [address, count] : requests) EXPECT_EQ(count, 1) << m.name << " address " << address;
    EXPECT_EQ(show.info_requests, m.info_entries) << m.name;

    const nlohmann::json j = nlohmann::json::parse(show.run.out);
    const auto* row = sim::FindModel(m.name);
    ASSERT_NE(row, nullptr);
    // Level 0 answers entries 0-15; levels 1-10 hand them out in their device record.
    const int entries = m.level == 0 ? 16 : 32;
    const auto record = sim::DeviceRecord(*row);
    for (int i = 0; i < kInfoEntries; ++i) {
      std::array<uint8_t, 4> e{};
      if (m.level > 0 && m.level < 11) std::copy_n(record.begin() + 72 + 4 * i, 4, e.begin());
      else if (i < entries) e = sim::InfoEntry(*row, i);
      EXPECT_EQ(j["information"][i]["values_raw"], HexBytes(e)) << m.name << " entry " << i;
    }
  }
}

// A change is read back by the next run, and what a partial read left out is read when a later
// step of the same command needs it: a button set to play a stored macro names it.
TEST(CommandReads, ChangesReadBackAndMacroFunctionsReadTheDirectory) {
  const std::string state = test::TempPath("state");
  for (const Model& m : kModels) {
    ASSERT_EQ(RunTraced(m, {"dpi", "1", "1600", "400"}, state).run.code, 0) << m.name;
    const Traced show = RunTraced(m, {"--json", "show"}, state);
    const nlohmann::json j = nlohmann::json::parse(show.run.out);
    EXPECT_EQ(j["dpi"]["levels"][0]["x"], 1600) << m.name;
    EXPECT_EQ(j["dpi"]["levels"][0]["y"], 400) << m.name;

    // An empty slot is refused: the directory was read to find that out.
    const Traced empty = RunTraced(m, {"button", "1", "1", "macro:80"}, state);
    EXPECT_EQ(empty.run.code, 2) << m.name;
    EXPECT_NE(empty.run.err.find("macro slot 80 is empty"), std::string::npos) << m.name << ": " << empty.run.err;
    std::filesystem::remove(state);
    std::filesystem::remove(state + ".lock");
  }
}

}  // namespace
}  // namespace halvric
