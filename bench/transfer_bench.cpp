// Cost of the feature-report handshake against the simulated mouse:
//  - host CPU time per exchange with no wire latency;
//  - wall time of a 2048-byte read from a level-11 mouse with 1 ms per transfer, as a ratio to the
//    number of transfers the handshake needs times 1 ms (1.00 = no overhead beyond the wire).

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

#include "config/read_all.h"
#include "device/device_commands.h"
#include "device/device_layer.h"
#include "sim/sim_hid_backend.h"

namespace {

std::string LockFile() {
  return (std::filesystem::temp_directory_path() / ("halvric-bench-" + std::to_string(::getpid()) + ".lock")).string();
}

void BM_ExchangeHostCpu(benchmark::State& state) {
  halvric::sim::SimHidBackend backend("level11");
  backend.Mouse(0).SetBusyPolls(0);
  backend.SetTraceInMemory(false);
  halvric::DeviceLayer dev(backend, LockFile());
  dev.EnumerateMice();
  const std::string path = dev.DevicePath(0);
  uint8_t b = 0;
  for (auto _ : state) {
    halvric::Report req{0x02, 0x00, 0x01};
    halvric::Report ans;
    if (!dev.DeviceTransfer(path, req, &ans, 0)) state.SkipWithError("exchange failed");
    b ^= ans[2];
  }
  benchmark::DoNotOptimize(b);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExchangeHostCpu);

void BM_Read2048WithWireLatency(benchmark::State& state) {
  halvric::sim::SimHidBackend backend("level11");
  backend.Mouse(0).SetBusyPolls(0);
  halvric::DeviceLayer dev(backend, LockFile());
  dev.EnumerateMice();
  const halvric::Mouse m = halvric::MouseAt(dev, dev.DevicePath(0));
  backend.Mouse(0).SetLatency(std::chrono::milliseconds(1));
  std::vector<uint8_t> buf(2048);
  // One read without timing, to count the transfers it needs.
  backend.ClearTrace();
  halvric::ReadMemory(m, 0, buf, false);
  const size_t transfers = backend.TraceLines().size();
  backend.SetTraceInMemory(false);
  for (auto _ : state) {
    if (!halvric::ReadMemory(m, 0, buf, false)) state.SkipWithError("read failed");
  }
  state.counters["transfers"] = static_cast<double>(transfers);
  state.counters["ratio"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(transfers) * 1e-3,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Read2048WithWireLatency)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The whole read-all sequence of a level-11 mouse with 1 ms per transfer.
void BM_ReadAllWithWireLatency(benchmark::State& state) {
  halvric::sim::SimHidBackend backend("level11");
  backend.Mouse(0).SetBusyPolls(0);
  halvric::DeviceLayer dev(backend, LockFile());
  dev.EnumerateMice();
  const std::string path = dev.DevicePath(0);
  dev.SelectDevice(path, true);
  backend.Mouse(0).SetLatency(std::chrono::milliseconds(1));
  halvric::WorkingCopy wc;
  backend.ClearTrace();
  halvric::ReadAll(dev, wc);
  size_t transfers = 0, exchanges = 0;
  for (const auto& line : backend.TraceLines()) {
    ++transfers;
    if (line[0] == 'S') ++exchanges;
  }
  backend.SetTraceInMemory(false);
  for (auto _ : state) {
    if (halvric::ReadAll(dev, wc) != halvric::ReadAllResult::kLoaded) state.SkipWithError("read-all failed");
  }
  state.counters["exchanges"] = static_cast<double>(exchanges);
  state.counters["transfers"] = static_cast<double>(transfers);
  state.counters["ratio"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(transfers) * 1e-3,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadAllWithWireLatency)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// The simulated wire sleeps 1 ms per transfer; the kernel's default timer slack (50 us) would add
// its own overshoot to every such sleep and hide the host's overhead, which is what is measured.
int main(int argc, char** argv) {
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
