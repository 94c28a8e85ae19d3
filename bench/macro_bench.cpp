// Macro figures:
//  - scanning a library tree of 10,000 macro files (headers only) into the macro list;
//  - writing a 2 KiB macro record into a level-11 mouse with 1 ms per transfer: exchanges
//    (transfers on the wire) and wall time.

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <unistd.h>

#include "config/read_all.h"
#include "config/text_tables.h"
#include "config/working_copy.h"
#include "device/device_layer.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "macro/macro_storage.h"
#include "sim/sim_hid_backend.h"

namespace {

namespace fs = std::filesystem;

std::string TempName(const std::string& stem) {
  return (fs::temp_directory_path() / ("halvric-bench-" + stem + "-" + std::to_string(::getpid()))).string();
}

// 100 folders of 100 macros, each macro 40 instructions.
class LibraryTree {
 public:
  LibraryTree() : data_(TempName("library")) {
    halvric::Macro macro;
    macro.mode = 9;
    for (int i = 0; i < 20; ++i) {
      macro.items.push_back(halvric::MakeItem({0x83, static_cast<uint8_t>(4 + i)}));
      macro.items.push_back(halvric::MakeItem({0x84, static_cast<uint8_t>(4 + i)}));
    }
    for (int f = 0; f < 100; ++f) {
      const fs::path folder = data_ / "Favorite" / ("folder" + std::to_string(f));
      fs::create_directories(folder);
      for (int m = 0; m < 100; ++m) {
        macro.name = "macro " + std::to_string((f * 37 + m * 11) % 997);
        halvric::SaveMacroFile(folder / (std::to_string(1700000000 + m) + ".mf"), macro, 1700000000 + f * 100 + m);
      }
    }
  }
  ~LibraryTree() {
    std::error_code ec;
    fs::remove_all(data_, ec);
  }
  const fs::path& data() const { return data_; }

 private:
  fs::path data_;
};

void BM_ScanLibrary10000(benchmark::State& state) {
  static const LibraryTree tree;
  halvric::TextTables texts;
  halvric::MacroLibrary library(tree.data(), texts);
  size_t entries = 0;
  for (auto _ : state) {
    library.ScanLibrary();
    entries = library.macros().size();
  }
  if (entries != 10100) state.SkipWithError("the scan did not list every file");
  state.counters["entries"] = static_cast<double>(entries);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 10000);
}
BENCHMARK(BM_ScanLibrary10000)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WriteMacro2KiBLevel11(benchmark::State& state) {
  halvric::sim::SimHidBackend backend("level11");
  halvric::sim::SimMouse& mouse = backend.Mouse(0);
  mouse.SetBusyPolls(0);
  const std::string lock = TempName("lock");
  halvric::DeviceLayer dev(backend, lock);
  dev.EnumerateMice();
  const std::string path = dev.DevicePath(0);
  dev.SelectDevice(path, true);
  halvric::WorkingCopy wc;
  if (halvric::ReadAll(dev, wc) != halvric::ReadAllResult::kLoaded) {
    state.SkipWithError("read-all failed");
    return;
  }

  // A 2048-byte record: 33 header bytes, 2014 instruction bytes, the end byte.
  halvric::Macro macro;
  macro.name = "bench";
  for (int i = 0; i < 1007; ++i) macro.items.push_back(halvric::MakeItem({0x88, static_cast<uint8_t>(1 + i % 200)}));

  mouse.SetLatency(std::chrono::milliseconds(1));
  const halvric::Mouse handle = halvric::MouseAt(dev, path);
  backend.ClearTrace();
  if (halvric::WriteMacroToSlot(handle, wc, 0, macro) != halvric::MacroStoreResult::kOk) {
    state.SkipWithError("write failed");
    return;
  }
  size_t exchanges = 0;
  for (const auto& line : backend.TraceLines()) exchanges += line[0] == 'S' || line[0] == 'G';
  backend.SetTraceInMemory(false);

  for (auto _ : state) {
    // The slot is rewritten in its own space each time, so every turn costs the same.
    if (halvric::WriteMacroToSlot(handle, wc, 0, macro) != halvric::MacroStoreResult::kOk) {
      state.SkipWithError("write failed");
    }
  }
  state.counters["record_bytes"] = static_cast<double>(wc.macros[0].length);
  state.counters["exchanges"] = static_cast<double>(exchanges);
  fs::remove(lock);
}
BENCHMARK(BM_WriteMacro2KiBLevel11)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
