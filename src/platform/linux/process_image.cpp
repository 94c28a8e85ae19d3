#include "platform/linux/process_image.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/text.h"

namespace halvric::linux_hid {
namespace {

// The last part of a path written with either separator.
std::string LastPart(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool EndsWithExe(const std::string& s) {
  if (s.size() < 4) return false;
  return AsciiLower(std::string_view(s).substr(s.size() - 4)) == ".exe";
}

bool IsCompatibilityLayer(const std::string& program) {
  return program.rfind("wine", 0) == 0;  // wine, wine64, wine-preloader, wine64-preloader
}

}  // namespace

std::string ProgramNameFrom(const std::string& exe_target, const std::vector<std::string>& cmdline) {
  std::string exe = exe_target;
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe.size() > kDeleted.size() && exe.ends_with(kDeleted)) exe.resize(exe.size() - kDeleted.size());
  const std::string program = LastPart(exe);
  // A Windows program shows itself as its .exe in the first argument (the loader rewrites it);
  // under a plain wine launch the .exe follows the loader's own arguments.
  if (!cmdline.empty() && EndsWithExe(cmdline.front())) return LastPart(cmdline.front());
  if (IsCompatibilityLayer(program) ||
      (!cmdline.empty() && IsCompatibilityLayer(LastPart(cmdline.front())))) {
    for (const std::string& arg : cmdline) {
      if (EndsWithExe(arg)) return LastPart(arg);
    }
  }
  if (!program.empty()) return program;
  return cmdline.empty() ? std::string() : LastPart(cmdline.front());
}

std::optional<std::string> ProcessProgramName(int pid, const std::string& proc_root) {
  if (pid <= 0) return std::nullopt;
  const std::filesystem::path dir = std::filesystem::path(proc_root) / std::to_string(pid);
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink(dir / "exe", ec);
  if (ec) return std::nullopt;
  std::ifstream in(dir / "cmdline", std::ios::binary);
  std::vector<std::string> args;
  if (in) {
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < raw.size()) {
      size_t end = raw.find('\0', start);
      if (end == std::string::npos) end = raw.size();
      args.push_back(raw.substr(start, end - start));
      start = end + 1;
    }
  }
  return ProgramNameFrom(exe.string(), args);
}

}  // namespace halvric::linux_hid
