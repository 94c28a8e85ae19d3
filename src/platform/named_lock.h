#pragma once
// A lock shared by every process of the user, named by a file: while one process holds it, the
// others wait in Lock(). It does not keep out other threads of the holder's own process; callers
// pair it with a mutex for that.

#include <memory>
#include <string>

namespace halvric {

class NamedLock {
 public:
  virtual ~NamedLock() = default;
  // Blocks until the lock is held. False, with the system's reason, when it cannot be taken.
  virtual bool Lock(std::string* reason = nullptr) = 0;
  virtual void Unlock() = 0;
};

// Opens the lock named by `path`, creating its file with permission bits `mode` when missing.
// nullptr, with the system's reason, when the file cannot be opened.
std::unique_ptr<NamedLock> OpenNamedLock(const std::string& path, unsigned mode, std::string* reason = nullptr);

}  // namespace halvric
