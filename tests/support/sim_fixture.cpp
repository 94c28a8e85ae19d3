#include "support/sim_fixture.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace halvric::test {

std::vector<WireEvent> ParseTrace(const std::vector<std::string>& lines) {
  std::vector<WireEvent> out;
  for (const auto& line : lines) {
    std::istringstream in(line);
    WireEvent e;
    std::string kind;
    in >> kind;
    if (kind.size() != 1) continue;
    e.kind = kind[0];
    if (e.kind == 'P') {
      in >> e.pause_ms;
      out.push_back(std::move(e));
      continue;
    }
    in >> e.path;
    if (e.kind == 'T') {
      int index = 0;
      in >> index;
    }
    std::string hex;
    while (in >> hex) e.bytes.push_back(static_cast<uint8_t>(std::stoul(hex, nullptr, 16)));
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<WireEvent> Sends(const std::vector<std::string>& lines) {
  std::vector<WireEvent> out;
  for (auto& e : ParseTrace(lines))
    if (e.kind == 'S') out.push_back(std::move(e));
  return out;
}

namespace {

// Every temporary path of a test program lies in one folder of its own, removed when the program
// ends (by the process that made it: a forked child that exits leaves it to its parent).
class TempFolder {
 public:
  TempFolder()
      : owner_(::getpid()),
        path_(std::filesystem::temp_directory_path() / ("halvric-test-" + std::to_string(owner_))) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    if (::getpid() != owner_) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  pid_t owner_;
  std::filesystem::path path_;
};

}  // namespace

std::string TempPath(const std::string& stem) {
  static TempFolder folder;
  static std::atomic<int> counter{0};
  return (folder.path() / ("halvric-" + stem + "-" + std::to_string(counter++))).string();
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

SimRig::SimRig(const std::string& models, bool enumerate)
    : backend(models), lock_file(TempPath("lock")), dev(std::make_unique<DeviceLayer>(backend, lock_file)) {
  if (enumerate) dev->EnumerateMice();
}

SimRig::~SimRig() {
  dev.reset();
  std::filesystem::remove(lock_file);
}

std::string SimRig::PathOf(size_t mouse) const {
  const bool long_reports = const_cast<sim::SimHidBackend&>(backend).Mouse(mouse).Model().long_reports;
  return "sim/" + std::to_string(mouse) + (long_reports ? "/if1" : "/if0");
}

}  // namespace halvric::test
