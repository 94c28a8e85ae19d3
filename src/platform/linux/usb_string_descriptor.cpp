#include "platform/linux/usb_string_descriptor.h"

#include <algorithm>
#include <array>
#include <libusb.h>
#include <memory>

namespace halvric::linux_hid {
namespace {

constexpr uint8_t kStringDescriptorType = 3;

struct ContextDeleter {
  void operator()(libusb_context* c) const { libusb_exit(c); }
};
struct HandleDeleter {
  void operator()(libusb_device_handle* h) const { libusb_close(h); }
};
struct ListDeleter {
  void operator()(libusb_device** l) const { libusb_free_device_list(l, 1); }
};

}  // namespace

int CopyStringDescriptorPayload(std::span<const uint8_t> raw, std::span<uint8_t> out) {
  std::fill(out.begin(), out.end(), uint8_t{0});
  if (raw.size() < 2 || raw[1] != kStringDescriptorType || raw[0] < 2) return -1;
  const size_t payload = std::min<size_t>(raw[0], raw.size()) - 2;
  const size_t n = std::min(payload, out.size());
  std::copy_n(raw.begin() + 2, n, out.begin());
  return static_cast<int>(n);
}

bool ReadUsbStringDescriptor(int bus, int address, int index, uint16_t langid, std::span<uint8_t> out) {
  std::fill(out.begin(), out.end(), uint8_t{0});
  if (index < 0 || index > 255) return false;
  libusb_context* raw_context = nullptr;
  if (libusb_init(&raw_context) != LIBUSB_SUCCESS) return false;
  const std::unique_ptr<libusb_context, ContextDeleter> context(raw_context);

  libusb_device** raw_list = nullptr;
  const ssize_t count = libusb_get_device_list(context.get(), &raw_list);
  if (count < 0) return false;
  const std::unique_ptr<libusb_device*, ListDeleter> list(raw_list);

  libusb_device* device = nullptr;
  for (ssize_t i = 0; i < count; ++i) {
    if (libusb_get_bus_number(raw_list[i]) == bus && libusb_get_device_address(raw_list[i]) == address) {
      device = raw_list[i];
      break;
    }
  }
  if (device == nullptr) return false;

  libusb_device_handle* raw_handle = nullptr;
  if (libusb_open(device, &raw_handle) != LIBUSB_SUCCESS) return false;
  const std::unique_ptr<libusb_device_handle, HandleDeleter> handle(raw_handle);

  // A string descriptor is at most 255 bytes long (its length field is one byte).
  std::array<uint8_t, 255> raw{};
  // GET_DESCRIPTOR(string, index, langid) on the default control pipe; no interface has to be
  // claimed, so the kernel's HID driver stays bound.
  const int got = libusb_get_string_descriptor(handle.get(), static_cast<uint8_t>(index), langid, raw.data(),
                                               static_cast<int>(raw.size()));
  if (got < 0) return false;
  return CopyStringDescriptorPayload(std::span<const uint8_t>(raw.data(), static_cast<size_t>(got)), out) >= 0;
}

}  // namespace halvric::linux_hid
