// Shared log files as O_APPEND descriptors: the kernel places every write at the end of the file
// atomically with respect to the other writers.

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/shared_log_file.h"

namespace halvric {
namespace {

class AppendLogFile : public SharedLogFile {
 public:
  explicit AppendLogFile(int fd) : fd_(fd) {}
  ~AppendLogFile() override { ::close(fd_); }
  AppendLogFile(const AppendLogFile&) = delete;
  AppendLogFile& operator=(const AppendLogFile&) = delete;

  void Append(std::string_view text) override {
    [[maybe_unused]] const ssize_t written = ::write(fd_, text.data(), text.size());
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<SharedLogFile> OpenSharedLogFile(const std::string& path, std::string* reason) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (reason != nullptr) *reason = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<AppendLogFile>(fd);
}

}  // namespace halvric
