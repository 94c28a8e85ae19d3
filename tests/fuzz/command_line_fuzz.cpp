// What the command line hands the programs: the desktop program's options, and the command lines
// of other processes (/proc/PID/cmdline, NUL-separated) from which the profile links name the
// program in front.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/linux/process_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) args.push_back(current);
  (void)ParseStartOptions(args);
  const std::string exe = args.empty() ? std::string() : args.front();
  (void)linux_hid::ProgramNameFrom(exe, args);
  (void)linux_hid::ProgramNameFrom("/usr/bin/wine64-preloader", args);
  return 0;
}
