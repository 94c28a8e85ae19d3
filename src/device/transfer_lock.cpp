#include "device/transfer_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace halvric {

std::string TransferLock::DefaultFile() {
  std::string dir;
  if (const char* rt = std::getenv("XDG_RUNTIME_DIR"); rt != nullptr && *rt != '\0') {
    dir = std::string(rt) + "/halvric";
  } else {
    dir = "/tmp/halvric-" + std::to_string(getuid());
  }
  ::mkdir(dir.c_str(), 0700);
  return dir + "/transfer.lock";
}

TransferLock::TransferLock(std::string lock_file) : file_(lock_file.empty() ? DefaultFile() : std::move(lock_file)) {
  // Without the file the lock still serialises this process; another process is then not
  // kept out, which is the best that can be done when the runtime folder is unusable.
  fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

TransferLock::~TransferLock() {
  if (fd_ >= 0) ::close(fd_);
}

void TransferLock::lock() {
  mutex_.lock();
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

void TransferLock::unlock() {
  if (fd_ >= 0) ::flock(fd_, LOCK_UN);
  mutex_.unlock();
}

}  // namespace halvric
