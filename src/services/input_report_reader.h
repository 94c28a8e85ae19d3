#pragma once
// Reads the mouse's vendor input reports: one thread per vendor input interface, each waiting
// for reports with a short time-out so that it notices a stop request, handing every report to
// one sink. Works over any HID backend (hidraw, the simulated mouse). The threads end when the
// reader is stopped or destroyed, or (each on its own) when its interface goes away.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid_backend.h"

namespace halvric {

inline constexpr size_t kInputReportBufferSize = 1000;
inline constexpr int kInputPollMs = 100;

// The interfaces on which the mouse sends its unsolicited reports: vendor 0x0C45, usage page
// 0xFF23 or 0xFF18, usage 1. `with_feature_interfaces` false leaves out interfaces that also
// carry feature reports (the configuration interface of long-report mice).
std::vector<HidInterfaceInfo> VendorInputInterfaces(const std::vector<HidInterfaceInfo>& all,
                                                    bool with_feature_interfaces = true);

class InputReportReader {
 public:
  // Called on the interface's reader thread, one report at a time per interface.
  using Sink = std::function<void(const std::string& path, std::span<const uint8_t> report)>;
  // Called on the reader thread when its interface has gone or failed; the thread then ends.
  using GoneFn = std::function<void(const std::string& path)>;

  // `poll_ms`: how long one read waits before the thread looks at its stop request; a negative
  // value waits for reports only (Stop then wakes the read with CancelIo), so an idle reader
  // never wakes up.
  InputReportReader(HidBackend& backend, Sink sink, GoneFn gone = {}, int poll_ms = kInputPollMs);
  ~InputReportReader();
  InputReportReader(const InputReportReader&) = delete;
  InputReportReader& operator=(const InputReportReader&) = delete;

  // Opens the interface and starts its thread. False (with a reason) when it cannot be opened or
  // is already being read. An interface whose reader ended (it went away) can be added again.
  bool Add(const std::string& path, std::string* error = nullptr);
  // Asks every thread to stop and joins them.
  void Stop();
  std::vector<std::string> Paths() const;
  // Reports handed to the sink so far.
  uint64_t Delivered() const { return delivered_.load(); }

 private:
  struct Reader {
    std::string path;
    std::shared_ptr<HidHandle> handle;
    std::shared_ptr<std::atomic<bool>> done;  // the thread has left its loop
    std::jthread thread;
  };
  void Run(std::stop_token stop, std::shared_ptr<HidHandle> handle, std::string path);
  static void Finish(Reader& r);

  HidBackend& backend_;
  const Sink sink_;
  const GoneFn gone_;
  const int poll_ms_;
  std::atomic<uint64_t> delivered_{0};
  mutable std::mutex mu_;
  std::vector<Reader> readers_;
};

}  // namespace halvric
