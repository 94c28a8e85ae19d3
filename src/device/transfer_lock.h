#pragma once
// The lock held around every feature-report exchange. Inside the process it is a mutex; across
// processes it is a named lock on a file in the user's runtime folder, so that halvricctl and the
// desktop program never interleave exchanges with the same mouse.

#include <memory>
#include <mutex>
#include <string>

namespace halvric {

class NamedLock;

class TransferLock {
 public:
  // `lock_file` empty: the default file in the runtime folder ($XDG_RUNTIME_DIR/halvric/).
  explicit TransferLock(std::string lock_file = {});
  ~TransferLock();
  TransferLock(const TransferLock&) = delete;
  TransferLock& operator=(const TransferLock&) = delete;

  void lock();
  void unlock();

  const std::string& file() const { return file_; }
  static std::string DefaultFile();

 private:
  std::mutex mutex_;
  std::string file_;
  std::unique_ptr<NamedLock> shared_;  // null when the lock file cannot be opened
};

}  // namespace halvric
