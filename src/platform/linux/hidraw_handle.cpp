#include "platform/linux/hidraw_handle.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/linux/usb_string_descriptor.h"

namespace halvric::linux_hid {
namespace {

// Largest report the kernel hands to hidraw readers.
constexpr size_t kMaxReportBytes = 16384;
// The length field of the feature ioctls holds at most 14 bits.
constexpr size_t kMaxFeatureBytes = 16383;

}  // namespace

bool FinishFeatureAnswer(std::span<uint8_t> buf, uint8_t report_id, int received) {
  if (buf.empty() || received <= 0) return false;
  const size_t got = std::min(static_cast<size_t>(received), buf.size());
  std::fill(buf.begin() + static_cast<std::ptrdiff_t>(got), buf.end(), uint8_t{0});
  buf[0] = report_id;
  return true;
}

int FrameInputReport(std::span<const uint8_t> report, bool uses_report_ids, std::span<uint8_t> out) {
  if (out.empty()) return 0;
  size_t at = 0;
  if (!uses_report_ids) out[at++] = 0;
  const size_t n = std::min(report.size(), out.size() - at);
  std::copy_n(report.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(at));
  return static_cast<int>(at + n);
}

HidrawHandle::HidrawHandle(int fd, HidInterfaceInfo info, bool uses_report_ids, std::optional<UsbLocation> usb)
    : fd_(fd),
      cancel_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      info_(std::move(info)),
      uses_report_ids_(uses_report_ids),
      usb_(usb) {}

HidrawHandle::~HidrawHandle() {
  if (cancel_fd_ >= 0) ::close(cancel_fd_);
  ::close(fd_);
}

bool HidrawHandle::GetFeature(std::span<uint8_t> buf) {
  if (buf.empty() || buf.size() > kMaxFeatureBytes) return false;
  const uint8_t report_id = buf[0];
  int r;
  do {
    r = ioctl(fd_, HIDIOCGFEATURE(buf.size()), buf.data());
  } while (r < 0 && errno == EINTR);
  if (r < 0) return false;
  return FinishFeatureAnswer(buf, report_id, r);
}

bool HidrawHandle::SetFeature(std::span<const uint8_t> buf) {
  if (buf.empty() || buf.size() > kMaxFeatureBytes) return false;
  std::vector<uint8_t> copy(buf.begin(), buf.end());  // the ioctl takes a writable buffer
  int r;
  do {
    r = ioctl(fd_, HIDIOCSFEATURE(copy.size()), copy.data());
  } while (r < 0 && errno == EINTR);
  return r >= 0;
}

int HidrawHandle::ReadInput(std::span<uint8_t> buf, int timeout_ms) {
  if (buf.empty()) return -1;
  const uint64_t generation = cancel_generation_.load();
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  for (;;) {
    if (cancel_generation_.load() != generation) return 0;
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<long long>(left, 0));
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancel_fd_, POLLIN, 0}};
    const int r = poll(fds, cancel_fd_ >= 0 ? 2 : 1, wait);
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) return 0;
    if (fds[1].revents & POLLIN) {
      uint64_t drained;
      [[maybe_unused]] const ssize_t n = ::read(cancel_fd_, &drained, sizeof drained);
      continue;  // the generation check at the top decides whether this read was cancelled
    }
    if (fds[0].revents & POLLIN) {
      if (scratch_.empty()) scratch_.resize(kMaxReportBytes);
      const ssize_t n = ::read(fd_, scratch_.data(), scratch_.size());
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        return -1;  // EIO once the device has gone
      }
      return FrameInputReport(std::span<const uint8_t>(scratch_.data(), static_cast<size_t>(n)), uses_report_ids_,
                              buf);
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
  }
}

bool HidrawHandle::IndexedString(int index, std::span<uint8_t> out) {
  std::fill(out.begin(), out.end(), uint8_t{0});
  if (!usb_) return false;
  return ReadUsbStringDescriptor(usb_->bus, usb_->address, index, kLangIdEnglishUs, out);
}

void HidrawHandle::CancelIo() {
  cancel_generation_.fetch_add(1);
  if (cancel_fd_ >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(cancel_fd_, &one, sizeof one);
  }
}

}  // namespace halvric::linux_hid
