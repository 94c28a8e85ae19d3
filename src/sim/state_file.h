#pragma once
// Files behind the simulated mouse's shared state: an exclusive lock on "<state>.lock", reading
// the state file and replacing it atomically and durably (temporary file in the same folder, then
// rename).

#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace halvric {
class NamedLock;
}

namespace halvric::sim {

// Holds the named lock of `lock_path` while it lives.
class StateFileLock {
 public:
  // Blocks until the lock is held; throws std::runtime_error when the lock file cannot be opened.
  explicit StateFileLock(const std::string& lock_path);
  ~StateFileLock();
  StateFileLock(const StateFileLock&) = delete;
  StateFileLock& operator=(const StateFileLock&) = delete;

 private:
  std::unique_ptr<NamedLock> lock_;
};

// The whole file as text; nullopt when it does not exist. Throws std::runtime_error with the
// path and the reason when it exists but cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Parses state-file text; throws std::runtime_error naming `path` when it is not JSON.
nlohmann::json ParseJsonText(const std::string& path, const std::string& text);

// Replaces `path` by `text` atomically. Throws std::runtime_error on failure (the old file stays
// as it was).
void ReplaceStateFile(const std::string& path, const std::string& text);

}  // namespace halvric::sim
