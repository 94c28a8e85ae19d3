#include "platform/linux/hidraw_backend.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/hidraw_attributes.h"
#include "platform/linux/hidraw_handle.h"
#include "platform/linux/udev_ptr.h"
#include "platform/report_descriptor.h"

namespace halvric::linux_hid {
namespace {

// Where libudev finds the parents of one hidraw device.
struct NodeParents {
  HidrawSysfsDirs dirs;
  std::optional<std::filesystem::path> usb_device;
};

std::optional<NodeParents> ParentsOf(udev_device* hidraw) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  if (hid == nullptr || udev_device_get_syspath(hid) == nullptr) return std::nullopt;
  NodeParents p;
  p.dirs.hid_device = udev_device_get_syspath(hid);
  if (udev_device* intf = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface")) {
    if (const char* s = udev_device_get_syspath(intf)) p.dirs.usb_interface = s;
  }
  if (udev_device* dev = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
    if (const char* s = udev_device_get_syspath(dev)) p.usb_device = s;
  }
  return p;
}

// Node number of "/dev/hidrawN" for ordering; nodes without one sort last.
unsigned long NodeNumber(const std::string& path) {
  const size_t digits = path.find_last_not_of("0123456789");
  unsigned long n = ~0UL;
  if (digits != std::string::npos && digits + 1 < path.size()) {
    std::from_chars(path.data() + digits + 1, path.data() + path.size(), n);
  }
  return n;
}

void SetError(std::string* error, const char* text) {
  if (error != nullptr) *error = text;
}

// The report descriptor of an open node, straight from the kernel.
std::optional<std::vector<uint8_t>> DescriptorOf(int fd) {
  int size = 0;
  if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) return std::nullopt;
  hidraw_report_descriptor desc{};
  desc.size = static_cast<uint32_t>(size);
  if (ioctl(fd, HIDIOCGRDESC, &desc) < 0) return std::nullopt;
  return std::vector<uint8_t>(desc.value, desc.value + size);
}

}  // namespace

std::vector<HidInterfaceInfo> LinuxHidBackend::Enumerate() {
  std::vector<HidInterfaceInfo> result;
  const UdevPtr udev(udev_new());
  if (!udev) return result;
  const UdevEnumeratePtr enumerate(udev_enumerate_new(udev.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    return result;
  }
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    const char* syspath = udev_list_entry_get_name(entry);
    if (syspath == nullptr) continue;
    const UdevDevicePtr device(udev_device_new_from_syspath(udev.get(), syspath));
    if (!device) continue;
    const char* devnode = udev_device_get_devnode(device.get());
    const auto parents = ParentsOf(device.get());
    if (devnode == nullptr || !parents) continue;
    if (auto info = ReadHidrawInfo(devnode, parents->dirs)) {
      // The USB device's name in sysfs is its port path: bus, then the hub ports ("1-2.3").
      if (parents->usb_device) info->location = parents->usb_device->filename().string();
      result.push_back(std::move(*info));
    }
  }
  std::stable_sort(result.begin(), result.end(), [](const HidInterfaceInfo& a, const HidInterfaceInfo& b) {
    return NodeNumber(a.path) < NodeNumber(b.path);
  });
  return result;
}

std::unique_ptr<HidHandle> LinuxHidBackend::Open(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    const int e = errno;
    if (e == EACCES || e == EPERM) {
      SetError(error, "permission denied");
    } else if (e == ENOENT || e == ENODEV || e == ENXIO) {
      SetError(error, "no such device");
    } else {
      SetError(error, std::strerror(e));
    }
    return nullptr;
  }
  // From here on the descriptor is closed on every early return.
  auto fail = [fd, error](const char* reason) -> std::unique_ptr<HidHandle> {
    ::close(fd);
    SetError(error, reason);
    return nullptr;
  };

  struct stat st {};
  if (fstat(fd, &st) < 0 || !S_ISCHR(st.st_mode)) return fail("not a hidraw device");
  const UdevPtr udev(udev_new());
  if (!udev) return fail("udev unavailable");
  const UdevDevicePtr device(udev_device_new_from_devnum(udev.get(), 'c', st.st_rdev));
  const char* subsystem = device ? udev_device_get_subsystem(device.get()) : nullptr;
  if (subsystem == nullptr || std::strcmp(subsystem, "hidraw") != 0) return fail("not a hidraw device");

  const auto parents = ParentsOf(device.get());
  std::optional<HidInterfaceInfo> info;
  if (parents) info = ReadHidrawInfo(path, parents->dirs);
  if (!info) {
    // No readable uevent: the kernel still knows the ids.
    hidraw_devinfo raw{};
    if (ioctl(fd, HIDIOCGRAWINFO, &raw) < 0) return fail("cannot read device information");
    info.emplace();
    info->vendor_id = static_cast<uint16_t>(raw.vendor);
    info->product_id = static_cast<uint16_t>(raw.product);
  }
  info->path = LowerCasePath(path);

  // The node's own descriptor is authoritative; sysfs is the fallback.
  std::optional<std::vector<uint8_t>> descriptor = DescriptorOf(fd);
  if (!descriptor && parents) descriptor = ReadSmallFile(parents->dirs.hid_device / "report_descriptor");
  if (descriptor) ApplyReportDescriptor(*descriptor, *info);
  const bool uses_report_ids = descriptor && ParseReportDescriptor(*descriptor).uses_report_ids;

  std::optional<UsbLocation> usb;
  if (parents && parents->usb_device) usb = ReadUsbLocation(*parents->usb_device);
  return std::make_unique<HidrawHandle>(fd, std::move(*info), uses_report_ids, usb);
}

}  // namespace halvric::linux_hid
