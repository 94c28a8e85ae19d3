#pragma once
// One open hidraw node: feature reports through the hidraw ioctls, input reports by poll() and
// read(), indexed strings through libusb on the USB device above the node.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/hid_backend.h"
#include "platform/linux/hidraw_attributes.h"

namespace halvric::linux_hid {

// After HIDIOCGFEATURE returned `received` bytes into `buf`: byte 0 holds the report id (the
// kernel leaves it as given when the descriptor has no report ids and writes the device's
// report id there otherwise; both end up as `report_id`), bytes the device did not send are
// zero. False when nothing was received.
bool FinishFeatureAnswer(std::span<uint8_t> buf, uint8_t report_id, int received);

// Places an input report read from a node into `out` with the report id in byte 0. A node
// whose descriptor has no report ids delivers reports without that byte, so a 0 is put in
// front. Returns the bytes placed (at most out.size()).
int FrameInputReport(std::span<const uint8_t> report, bool uses_report_ids, std::span<uint8_t> out);

class HidrawHandle final : public HidHandle {
 public:
  // Takes ownership of `fd`, which must be open read-write and non-blocking.
  HidrawHandle(int fd, HidInterfaceInfo info, bool uses_report_ids, std::optional<UsbLocation> usb);
  ~HidrawHandle() override;
  HidrawHandle(const HidrawHandle&) = delete;
  HidrawHandle& operator=(const HidrawHandle&) = delete;

  const HidInterfaceInfo& Info() const override { return info_; }
  bool GetFeature(std::span<uint8_t> buf) override;
  bool SetFeature(std::span<const uint8_t> buf) override;
  // One reader at a time. A negative time-out waits without limit (until CancelIo).
  int ReadInput(std::span<uint8_t> buf, int timeout_ms) override;
  bool IndexedString(int index, std::span<uint8_t> out) override;
  // Makes a ReadInput that is waiting now return 0; has no effect on later reads.
  void CancelIo() override;

 private:
  int fd_;
  int cancel_fd_;  // eventfd that wakes a waiting ReadInput
  std::atomic<uint64_t> cancel_generation_{0};
  HidInterfaceInfo info_;
  bool uses_report_ids_;
  std::optional<UsbLocation> usb_;
  std::vector<uint8_t> scratch_;
};

}  // namespace halvric::linux_hid
