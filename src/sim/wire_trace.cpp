#include "sim/wire_trace.h"

#include <stdexcept>

#include "platform/shared_log_file.h"
#include "platform/text.h"

namespace halvric::sim {

WireTrace::WireTrace() = default;

WireTrace::~WireTrace() = default;

void WireTrace::SetFile(const std::string& path) {
  std::string reason;
  std::unique_ptr<SharedLogFile> file = OpenSharedLogFile(path, &reason);
  if (!file) throw std::runtime_error("cannot open trace file " + path + ": " + reason);
  std::lock_guard l(mu_);
  file_ = std::move(file);
  has_file_ = true;
}

void WireTrace::SetInMemory(bool on) { in_memory_ = on; }

void WireTrace::AppendHex(std::string& out, std::span<const uint8_t> bytes) {
  ::halvric::AppendHex(out, bytes, " ");
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

void WireTrace::RecordPause(int milliseconds) {
  if (!Active()) return;
  Emit("P " + std::to_string(milliseconds));
}

void WireTrace::Emit(std::string line) {
  std::lock_guard l(mu_);
  if (file_) {
    line.push_back('\n');
    // The trace is diagnostic: what a full disk cuts off a line is dropped.
    file_->Append(line);
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
