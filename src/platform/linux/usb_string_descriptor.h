#pragma once
// String descriptors read straight from a USB device with a GET_DESCRIPTOR control request.
// The mouse's identification strings are binary records, so they are returned as the raw
// payload bytes of the descriptor (the UTF-16 code units as bytes, header stripped).

#include <cstddef>
#include <cstdint>
#include <span>

namespace halvric::linux_hid {

constexpr uint16_t kLangIdEnglishUs = 0x0409;

// Copies the payload of a raw string descriptor (bLength, bDescriptorType = 3, payload) into
// `out`, at most out.size() bytes, and zeroes the rest of `out`. The payload is bounded by both
// bLength and the bytes actually received. Returns the number of bytes copied, or -1 when the
// data is not a string descriptor.
int CopyStringDescriptorPayload(std::span<const uint8_t> raw, std::span<uint8_t> out);

// Reads string descriptor `index` in language `langid` from the USB device at bus `bus`,
// address `address`, into `out` as above. False when the device cannot be found, opened or
// asked (no access to its usbfs node, unplugged, request stalled).
bool ReadUsbStringDescriptor(int bus, int address, int index, uint16_t langid, std::span<uint8_t> out);

}  // namespace halvric::linux_hid
