#include "sim/usb/usbip_protocol.h"

namespace halvric::sim::usb {
namespace {

uint32_t Get32(std::span<const uint8_t, kUsbipHeaderBytes> b, size_t at) {
  return (static_cast<uint32_t>(b[at]) << 24) | (static_cast<uint32_t>(b[at + 1]) << 16) |
         (static_cast<uint32_t>(b[at + 2]) << 8) | static_cast<uint32_t>(b[at + 3]);
}

void Put32(std::array<uint8_t, kUsbipHeaderBytes>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 24);
  b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8);
  b[at + 3] = static_cast<uint8_t>(v);
}

}  // namespace

bool DecodeUsbipHeader(std::span<const uint8_t, kUsbipHeaderBytes> b, UsbipHeader& h) {
  const uint32_t command = Get32(b, 0);
  if (command < 1 || command > 4) return false;
  h = UsbipHeader{};
  h.command = static_cast<UsbipCommand>(command);
  h.seqnum = Get32(b, 4);
  h.devid = Get32(b, 8);
  h.direction = Get32(b, 12);
  h.endpoint = Get32(b, 16);
  switch (h.command) {
    case UsbipCommand::kCmdSubmit:
      h.transfer_flags = Get32(b, 20);
      h.transfer_buffer_length = static_cast<int32_t>(Get32(b, 24));
      h.start_frame = static_cast<int32_t>(Get32(b, 28));
      h.number_of_packets = static_cast<int32_t>(Get32(b, 32));
      h.interval = static_cast<int32_t>(Get32(b, 36));
      for (size_t i = 0; i < 8; ++i) h.setup[i] = b[40 + i];
      break;
    case UsbipCommand::kCmdUnlink:
      h.unlink_seqnum = Get32(b, 20);
      break;
    case UsbipCommand::kRetSubmit:
      h.status = static_cast<int32_t>(Get32(b, 20));
      h.actual_length = static_cast<int32_t>(Get32(b, 24));
      h.start_frame = static_cast<int32_t>(Get32(b, 28));
      h.number_of_packets = static_cast<int32_t>(Get32(b, 32));
      h.error_count = static_cast<int32_t>(Get32(b, 36));
      break;
    case UsbipCommand::kRetUnlink:
      h.status = static_cast<int32_t>(Get32(b, 20));
      break;
  }
  return true;
}

std::array<uint8_t, kUsbipHeaderBytes> EncodeUsbipHeader(const UsbipHeader& h) {
  std::array<uint8_t, kUsbipHeaderBytes> b{};
  Put32(b, 0, static_cast<uint32_t>(h.command));
  Put32(b, 4, h.seqnum);
  Put32(b, 8, h.devid);
  Put32(b, 12, h.direction);
  Put32(b, 16, h.endpoint);
  switch (h.command) {
    case UsbipCommand::kCmdSubmit:
      Put32(b, 20, h.transfer_flags);
      Put32(b, 24, static_cast<uint32_t>(h.transfer_buffer_length));
      Put32(b, 28, static_cast<uint32_t>(h.start_frame));
      Put32(b, 32, static_cast<uint32_t>(h.number_of_packets));
      Put32(b, 36, static_cast<uint32_t>(h.interval));
      for (size_t i = 0; i < 8; ++i) b[40 + i] = h.setup[i];
      break;
    case UsbipCommand::kCmdUnlink:
      Put32(b, 20, h.unlink_seqnum);
      break;
    case UsbipCommand::kRetSubmit:
      Put32(b, 20, static_cast<uint32_t>(h.status));
      Put32(b, 24, static_cast<uint32_t>(h.actual_length));
      Put32(b, 28, static_cast<uint32_t>(h.start_frame));
      Put32(b, 32, static_cast<uint32_t>(h.number_of_packets));
      Put32(b, 36, static_cast<uint32_t>(h.error_count));
      break;
    case UsbipCommand::kRetUnlink:
      Put32(b, 20, static_cast<uint32_t>(h.status));
      break;
  }
  return b;
}

UsbipHeader RetSubmitFor(const UsbipHeader& cmd, int32_t status, int32_t actual_length) {
  UsbipHeader r;
  r.command = UsbipCommand::kRetSubmit;
  r.seqnum = cmd.seqnum;
  // The kernel matches replies by sequence number; device id, direction and endpoint are zero.
  r.status = status;
  r.actual_length = actual_length;
  // No isochronous transfers: no packet descriptors follow.
  r.number_of_packets = 0;
  return r;
}

UsbipHeader RetUnlinkFor(const UsbipHeader& cmd, int32_t status) {
  UsbipHeader r;
  r.command = UsbipCommand::kRetUnlink;
  r.seqnum = cmd.seqnum;
  r.status = status;
  return r;
}

}  // namespace halvric::sim::usb
