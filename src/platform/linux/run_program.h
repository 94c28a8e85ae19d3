#pragma once
// Runs a helper program of the desktop (gsettings, kwriteconfig5 ...) with a fixed argument list
// (never through a shell) and collects what it prints.

#include <optional>
#include <string>
#include <vector>

namespace halvric::linux_hid {

// Runs argv[0], found on $PATH, with these arguments; stdin and stderr are /dev/null. Its
// standard output when it exits with status 0 within `timeout_ms` (killed otherwise); nullopt
// when it cannot be started, fails or times out.
std::optional<std::string> RunProgram(const std::vector<std::string>& argv, int timeout_ms = 3000);

}  // namespace halvric::linux_hid
