#pragma once
// Reading the attributes of one hidraw interface out of sysfs. Kept apart from libudev so that
// it works on any directory laid out like sysfs (tests build such trees in a temp folder);
// libudev only enumerates the nodes and names the parent directories on a real system.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_backend.h"

namespace halvric::linux_hid {

// The HID_ID line of a hid device's uevent: "BBBB:VVVVVVVV:PPPPPPPP", all hexadecimal.
struct HidId {
  uint16_t bus = 0;
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
};
std::optional<HidId> ParseHidId(std::string_view text);

// The value of KEY=value in uevent text; nullopt when the key is absent.
std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key);

// The interface number at the "/inputN" tail of HID_PHYS ("usb-0000:00:14.0-1/input1" -> 1);
// -1 when the text carries none.
int InterfaceNumberFromPhys(std::string_view phys);

// A sysfs bInterfaceNumber attribute ("01\n", hexadecimal); -1 when unreadable.
int ParseInterfaceNumberAttribute(std::string_view text);

// Where the parts of one hidraw interface live in sysfs.
struct HidrawSysfsDirs {
  std::filesystem::path hid_device;     // holds uevent and report_descriptor
  std::filesystem::path usb_interface;  // holds bInterfaceNumber; empty when not a USB device
};

// Builds the interface record of a hidraw node from the attribute files of its parents.
// `devnode` is the node ("/dev/hidraw3"); the path is its lower-cased form. Nullopt when the
// hid device has no readable HID_ID. A missing or malformed report descriptor leaves usage
// page, usage and feature length at 0 (such an interface is of no use to the device layer but
// still listed).
std::optional<HidInterfaceInfo> ReadHidrawInfo(const std::string& devnode, const HidrawSysfsDirs& dirs);

// The same from a hidraw class directory alone ("/sys/class/hidraw/hidraw3"), finding the
// parents by following its "device" link: the hid device, then its parent when that parent has
// a bInterfaceNumber attribute.
std::optional<HidInterfaceInfo> ReadHidrawInfo(const std::string& devnode, const std::filesystem::path& hidraw_dir);

// Fills usage page, usage and feature report length of `info` from a report descriptor.
void ApplyReportDescriptor(std::span<const uint8_t> descriptor, HidInterfaceInfo& info);

// Bus number and device address of the USB device above a hidraw node, from the busnum and
// devnum attributes of the USB interface's parent directory.
struct UsbLocation {
  int bus = -1;
  int address = -1;
};
std::optional<UsbLocation> ReadUsbLocation(const std::filesystem::path& usb_device_dir);

// The path key of a node: the device node name in lower case.
std::string LowerCasePath(std::string path);

// Whole small file; nullopt when it cannot be read. Sysfs files report a size of 4096 whatever
// they hold, so the file is read until its end rather than by its size.
std::optional<std::vector<uint8_t>> ReadSmallFile(const std::filesystem::path& file, size_t limit = 65536);

}  // namespace halvric::linux_hid
