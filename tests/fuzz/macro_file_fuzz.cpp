// Macro files of both formats (6.1 and 6.2): the library's header scan and the editor's load,
// then a save of what was loaded, which must read back as the same macro.
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "macro/instruction_set.h"
#include "macro/macro_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto path = fuzz::WriteInput("input.mf", data, size);
  const auto header = ReadMacroHeader(path);
  int64_t time = 0;
  const auto loaded = LoadMacroFile(path, &time);
  // The header scan accepts every file the editor loads.
  if (loaded.ok() && !header.ok()) std::abort();
  if (!loaded.ok()) return 0;
  const auto copy = fuzz::FuzzFolder() / "copy.mf";
  if (SaveMacroFile(copy, *loaded, time) != MacroFileStatus::kOk) std::abort();
  int64_t time_back = 0;
  const auto back = LoadMacroFile(copy, &time_back);
  if (!back.ok() || back->mode != loaded->mode || time_back != time ||
      SerializeInstructions(back->items) != SerializeInstructions(loaded->items)) {
    std::abort();
  }
  return 0;
}
