#pragma once
// Files behind the simulated mouse's shared state: an exclusive lock on "<state>.lock", reading
// the state file and replacing it atomically (temporary file in the same folder, then rename).

#include <optional>
#include <nlohmann/json.hpp>
#include <string>

namespace halvric::sim {

// Holds an exclusive flock on a file of its own descriptor while it lives.
class StateFileLock {
 public:
  // Blocks until the lock is held; throws std::runtime_error when the lock file cannot be opened.
  explicit StateFileLock(const std::string& lock_path);
  ~StateFileLock();
  StateFileLock(const StateFileLock&) = delete;
  StateFileLock& operator=(const StateFileLock&) = delete;

 private:
  int fd_ = -1;
};

// The whole file as text; nullopt when it does not exist. Throws std::runtime_error with the
// path and the reason when it exists but cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

// Parses state-file text; throws std::runtime_error naming `path` when it is not JSON.
nlohmann::json ParseJsonText(const std::string& path, const std::string& text);

// Writes `text` to a temporary file beside `path` and renames it over `path`.
// Throws std::runtime_error on failure (the old file stays as it was).
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace halvric::sim
