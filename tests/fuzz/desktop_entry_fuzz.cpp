// Desktop entries of installed programs, which name the linked applications: the first byte
// chooses the executable looked for, the rest is the .desktop file.
#include <string>

#include "fuzz/fuzz_file.h"
#include "platform/desktop_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  static const char* const kExecutables[] = {"/usr/bin/game", "game", "C:\\Games\\game.exe", "", "env"};
  const std::string executable = size > 0 ? kExecutables[data[0] % 5] : "game";
  if (size > 0) {
    ++data;
    --size;
  }
  const auto path = fuzz::WriteInput("entry.desktop", data, size);
  (void)DesktopEntryName(executable, {path.parent_path()});
  return 0;
}
