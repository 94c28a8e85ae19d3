#pragma once
// How long this process has been running, for start-up timing; and starting the program again.

#include <string>
#include <vector>

namespace halvric {

// Seconds since this process was started; negative when it cannot be told.
double SecondsSinceProcessStart();

// Replaces this process with a new run of its own executable with `args` (args[0] is the name
// the new run sees). Returns only when that fails.
void RestartProcess(const std::vector<std::string>& args);

}  // namespace halvric
