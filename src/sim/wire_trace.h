#pragma once
// The wire trace of the simulated HID backend: one text line per event on the wire,
//   "S <path> <bytes>"          a Set Feature as sent (report id and checksum included)
//   "G <path> <bytes>"          a Get Feature answer as the device gave it (busy ones too)
//   "T <path> <index> <bytes>"  an indexed-string read (the payload bytes delivered)
//   "I <path> <bytes>"          an input report delivered to a reader
//   "P <milliseconds>"          a pause of the host between transfers
// with bytes as two lower-case hex digits separated by single blanks. Lines are kept in memory
// (at most kMaxLines, the oldest dropped; switchable off) and appended to a file when one is set.
// Each line reaches the file in one append, so several processes can share a trace file without
// tearing lines.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace halvric {
class SharedLogFile;
}

namespace halvric::sim {

class WireTrace {
 public:
  static constexpr size_t kMaxLines = 200000;

  WireTrace();
  ~WireTrace();
  WireTrace(const WireTrace&) = delete;
  WireTrace& operator=(const WireTrace&) = delete;

  // Opens `path` for appending; throws std::runtime_error when it cannot be opened.
  void SetFile(const std::string& path);
  void SetInMemory(bool on);
  bool Active() const { return in_memory_.load() || has_file_.load(); }

  void Record(char kind, const std::string& path, std::span<const uint8_t> bytes);
  void RecordString(const std::string& path, int index, std::span<const uint8_t> bytes);
  void RecordPause(int milliseconds);

  std::vector<std::string> Lines() const;
  void Clear();

  static void AppendHex(std::string& out, std::span<const uint8_t> bytes);

 private:
  void Emit(std::string line);

  mutable std::mutex mu_;
  std::deque<std::string> lines_;
  std::unique_ptr<SharedLogFile> file_;
  std::atomic<bool> in_memory_{true};
  std::atomic<bool> has_file_{false};
};

}  // namespace halvric::sim
