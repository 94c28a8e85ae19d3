#include "platform/process_start.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <time.h>
#include <unistd.h>

namespace halvric {

// The start time is field 22 of /proc/self/stat, in clock ticks since boot; the fields are
// counted after the command name, which is in parentheses and may itself hold blanks.
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  std::getline(stat, line);
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  unsigned long long start = 0;
  for (int i = 3; i <= 22 && rest >> field; ++i) {
    if (i == 22) start = std::stoull(field);
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - static_cast<double>(start) / ticks;
}

void RestartProcess(const std::vector<std::string>& args) {
  if (args.empty()) return;
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The executable itself, even when it was started through a relative path or a link.
  execv("/proc/self/exe", argv.data());
}

}  // namespace halvric
