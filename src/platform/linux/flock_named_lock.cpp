// Named locks as flock on a file: the kernel drops the lock when the holder ends, however it
// ends, so a crashed process never leaves the others waiting.

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/named_lock.h"

namespace halvric {
namespace {

class FlockNamedLock : public NamedLock {
 public:
  explicit FlockNamedLock(int fd) : fd_(fd) {}
  ~FlockNamedLock() override { ::close(fd_); }
  FlockNamedLock(const FlockNamedLock&) = delete;
  FlockNamedLock& operator=(const FlockNamedLock&) = delete;

  bool Lock(std::string* reason) override {
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        if (reason != nullptr) *reason = std::strerror(errno);
        return false;
      }
    }
    return true;
  }

  void Unlock() override { ::flock(fd_, LOCK_UN); }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<NamedLock> OpenNamedLock(const std::string& path, unsigned mode, std::string* reason) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    if (reason != nullptr) *reason = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<FlockNamedLock>(fd);
}

}  // namespace halvric
