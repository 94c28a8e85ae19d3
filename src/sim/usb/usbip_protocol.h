#pragma once
// The USB/IP messages between the kernel's virtual host controller (vhci-hcd) and a device
// server: every message starts with a 48-byte header of big-endian 32-bit fields (command,
// sequence number, device id, direction, endpoint, then the command's own fields); CMD_SUBMIT of
// an OUT transfer and RET_SUBMIT of an IN transfer are followed by the transfer's data.

#include <array>
#include <cstdint>
#include <span>

namespace halvric::sim::usb {

constexpr size_t kUsbipHeaderBytes = 48;

enum class UsbipCommand : uint32_t {
  kCmdSubmit = 1,
  kCmdUnlink = 2,
  kRetSubmit = 3,
  kRetUnlink = 4,
};

constexpr uint32_t kUsbipDirOut = 0;
constexpr uint32_t kUsbipDirIn = 1;

// Kernel error numbers as they travel in the status fields (negated).
constexpr int32_t kStatusStalled = -32;     // -EPIPE
constexpr int32_t kStatusUnlinked = -104;   // -ECONNRESET
constexpr int32_t kStatusNoDevice = -19;    // -ENODEV
constexpr int32_t kStatusNotFound = -2;     // -ENOENT

struct UsbipHeader {
  UsbipCommand command = UsbipCommand::kCmdSubmit;
  uint32_t seqnum = 0;
  uint32_t devid = 0;
  uint32_t direction = 0;
  uint32_t endpoint = 0;
  // CMD_SUBMIT
  uint32_t transfer_flags = 0;
  int32_t transfer_buffer_length = 0;
  int32_t start_frame = 0;
  int32_t number_of_packets = 0;
  int32_t interval = 0;
  std::array<uint8_t, 8> setup{};
  // CMD_UNLINK: the sequence number of the transfer to cancel
  uint32_t unlink_seqnum = 0;
  // RET_SUBMIT, RET_UNLINK
  int32_t status = 0;
  int32_t actual_length = 0;
  int32_t error_count = 0;
};

// Decodes a header; false when the command is not one of the four.
bool DecodeUsbipHeader(std::span<const uint8_t, kUsbipHeaderBytes> bytes, UsbipHeader& out);
std::array<uint8_t, kUsbipHeaderBytes> EncodeUsbipHeader(const UsbipHeader& h);

// The reply headers: RET_SUBMIT for the submit `cmd` with `status` and `actual_length`, and
// RET_UNLINK for the unlink `cmd`.
UsbipHeader RetSubmitFor(const UsbipHeader& cmd, int32_t status, int32_t actual_length);
UsbipHeader RetUnlinkFor(const UsbipHeader& cmd, int32_t status);

}  // namespace halvric::sim::usb
