// What one halvricctl command costs on the wire: `dpi`, `button` and `show` on a level-0, a
// level-5 and a level-11 simulated mouse, each transfer taking 1 ms as over USB. Every iteration
// is a whole run of the command (connection included), as a script calling halvricctl pays it.
// Counters: "exchanges" (Set Feature requests), "transfers" (Set and Get Feature reports), both
// counted on one traced run.

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

#include "cli/ctl_app.h"

namespace {

const char* const kModels[] = {"level0", "level5", "level11"};

struct Counts {
  double exchanges = 0;
  double transfers = 0;
};

Counts CountTraced(std::vector<std::string> args) {
  const std::filesystem::path trace =
      std::filesystem::temp_directory_path() / ("halvric-command-bench-" + std::to_string(::getpid()) + ".trace");
  std::filesystem::remove(trace);
  args.insert(args.begin(), {"--trace", trace.string()});
  std::ostringstream out, err;
  halvric::RunHalvricCtl(args, out, err);
  Counts c;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    if (line[0] == 'S') ++c.exchanges;
    if (line[0] == 'S' || line[0] == 'G') ++c.transfers;
  }
  std::filesystem::remove(trace);
  return c;
}

void RunCommand(benchmark::State& state, std::vector<std::string> command) {
  const std::string model = kModels[state.range(0)];
  std::vector<std::string> args = {"--simulate=" + model, "--quiet"};
  args.insert(args.end(), command.begin(), command.end());
  const Counts counts = CountTraced(args);
  args.insert(args.begin(), {"--sim-latency", "1"});
  for (auto _ : state) {
    std::ostringstream out, err;
    if (halvric::RunHalvricCtl(args, out, err) != 0) state.SkipWithError(("failed: " + err.str()).c_str());
  }
  state.SetLabel(model);
  state.counters["exchanges"] = counts.exchanges;
  state.counters["transfers"] = counts.transfers;
}

void BM_Dpi(benchmark::State& state) { RunCommand(state, {"dpi", "2", "800", "800"}); }
void BM_Button(benchmark::State& state) { RunCommand(state, {"button", "1", "B2", "middle"}); }
void BM_Show(benchmark::State& state) { RunCommand(state, {"show"}); }

BENCHMARK(BM_Dpi)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Button)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Show)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// The commands keep their files (set.ini, automatic backups, the device lock) in a folder of
// their own, never the user's. The kernel's default timer slack would add its overshoot to every
// 1 ms wire sleep; it is taken down so that the figures show the host's own time.
int main(int argc, char** argv) {
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  char folder[] = "/tmp/halvric-command-bench-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  for (const char* var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) ::setenv(var, folder, 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
