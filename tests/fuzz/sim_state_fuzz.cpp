// The simulated mouse's state file: any file is either refused with an exception the programs
// report, or taken; every mouse taken from it saves a state that loads back as itself.
#include <cstdlib>
#include <exception>

#include "fuzz/fuzz_file.h"
#include "sim/sim_hid_backend.h"
#include "sim/sim_mouse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric::sim;
  const auto path = halvric::fuzz::WriteInput("state.json", data, size);
  SimHidBackend backend("level11");
  try {
    backend.SetStateFile(path.string());
  } catch (const std::exception&) {
    return 0;
  }
  for (size_t i = 0; i < backend.MouseCount(); ++i) {
    const auto saved = backend.Mouse(i).Save();
    SimMouse copy(backend.Mouse(i).Model());
    try {
      copy.Load(saved);
    } catch (const std::exception&) {
      std::abort();
    }
    if (copy.Save() != saved) std::abort();
  }
  return 0;
}
