#include "sim/state_file.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/named_lock.h"

namespace halvric::sim {

StateFileLock::StateFileLock(const std::string& lock_path) {
  std::string reason;
  lock_ = OpenNamedLock(lock_path, 0644, &reason);
  if (!lock_) throw std::runtime_error("cannot open lock file " + lock_path + ": " + reason);
  if (!lock_->Lock(&reason)) {
    lock_.reset();
    throw std::runtime_error("cannot lock " + lock_path + ": " + reason);
  }
}

StateFileLock::~StateFileLock() {
  if (lock_) lock_->Unlock();
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::error_code ec;
  const bool present = std::filesystem::exists(path, ec);
  if (!present && !ec) return std::nullopt;
  std::string text, error;
  if (!ReadWholeFile(path, text, &error)) {
    const std::string reason = ErrorReason(error);
    throw std::runtime_error("cannot read state file " + path + ": " + (reason.empty() ? error : reason));
  }
  return text;
}

nlohmann::json ParseJsonText(const std::string& path, const std::string& text) {
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded()) throw std::runtime_error("state file " + path + " is not valid JSON");
  return j;
}

void ReplaceStateFile(const std::string& path, const std::string& text) {
  std::string error;
  if (!WriteFileAtomically(path, text, &error)) throw std::runtime_error(error);
}

}  // namespace halvric::sim
