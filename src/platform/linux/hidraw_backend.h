#pragma once
// The HID backend of Linux: every hidraw node is one interface, keyed by its lower-cased
// device node ("/dev/hidraw3").
//
// A hidraw node stands for a whole USB interface, which may hold several top-level
// collections, while the device layer expects one usage page and usage per interface. The
// node reports the collection that carries the feature reports (the one with the largest
// feature report); when no collection has feature reports, the first application collection.

#include <memory>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace halvric::linux_hid {

class LinuxHidBackend final : public HidBackend {
 public:
  // Every hidraw node present, in node-number order. Empty when there are none or udev is
  // unavailable; nodes whose attributes cannot be read are left out.
  std::vector<HidInterfaceInfo> Enumerate() override;
  // Opens a hidraw node read-write. `error` gets "permission denied" when the node's access
  // rights forbid it (the udev rule is missing), "no such device" when it has gone, "not a hidraw
  // device" when the path names something else.
  std::unique_ptr<HidHandle> Open(const std::string& path, std::string* error = nullptr) override;
};

}  // namespace halvric::linux_hid
