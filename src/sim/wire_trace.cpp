#include "sim/wire_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace halvric::sim {

WireTrace::~WireTrace() {
  if (fd_ >= 0) ::close(fd_);
}

void WireTrace::SetFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw std::runtime_error("cannot open trace file " + path + ": " + std::strerror(errno));
  }
  std::lock_guard l(mu_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  has_file_ = true;
}

void WireTrace::SetInMemory(bool on) { in_memory_ = on; }

void WireTrace::AppendHex(std::string& out, std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out.push_back(' ');
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
}

void WireTrace::Record(char kind, const std::string& path, std::span<const uint8_t> bytes) {
  if (!Active()) return;
  std::string line;
  line.reserve(4 + path.size() + 3 * bytes.size());
  line.push_back(kind);
  line.push_back(' ');
  line += path;
  line.push_back(' ');
  AppendHex(line, bytes);
  Emit(std::move(line));
}

void WireTrace::RecordString(const std::string& path, int index, std::span<const uint8_t> bytes) {
  if (!Active()) return;
  std::string line = "T " + path + " " + std::to_string(index) + " ";
  AppendHex(line, bytes);
  Emit(std::move(line));
}

void WireTrace::Emit(std::string line) {
  std::lock_guard l(mu_);
  if (fd_ >= 0) {
    line.push_back('\n');
    // A short write of a regular file on O_APPEND only happens when the disk is full; the trace
    // is diagnostic, so the rest of that line is dropped.
    [[maybe_unused]] const ssize_t written = ::write(fd_, line.data(), line.size());
    line.pop_back();
  }
  if (in_memory_) {
    if (lines_.size() >= kMaxLines) lines_.pop_front();
    lines_.push_back(std::move(line));
  }
}

std::vector<std::string> WireTrace::Lines() const {
  std::lock_guard l(mu_);
  return {lines_.begin(), lines_.end()};
}

void WireTrace::Clear() {
  std::lock_guard l(mu_);
  lines_.clear();
}

}  // namespace halvric::sim
