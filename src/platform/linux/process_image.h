#pragma once
// The program a process runs, named as the profile links name it: the file name of its
// executable, or for a program run through a Windows compatibility layer (wine and its
// preloaders) the file name of the .exe on its command line.

#include <optional>
#include <string>
#include <vector>

namespace halvric::linux_hid {

// From the target of /proc/PID/exe and the arguments of /proc/PID/cmdline. Empty when neither
// names a program.
std::string ProgramNameFrom(const std::string& exe_target, const std::vector<std::string>& cmdline);

// Reads /proc/PID (or `proc_root`/PID); nullopt when the process cannot be examined (gone, or
// another user's process whose exe link is unreadable).
std::optional<std::string> ProcessProgramName(int pid, const std::string& proc_root = "/proc");

}  // namespace halvric::linux_hid
