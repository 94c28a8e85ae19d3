#pragma once
// Finding the interface on which a mouse sends its vendor input reports, given the interface it
// is configured through.

#include <optional>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace halvric {

inline constexpr uint16_t kVendorInputUsagePage = 0xFF23;
inline constexpr uint16_t kVendorConfigUsagePage = 0xFF18;

// The vendor input interface (usage page 0xFF23) of the mouse whose configuration interface is
// `config_path`. The interface list does not say which interfaces belong to one USB device, so
// among interfaces of the same vendor and product id the one whose path is closest to
// `config_path` is taken (longest common prefix, then the nearest trailing number: hidraw nodes
// and simulated interfaces of one device are numbered together). When the mouse has no such
// interface, its configuration interface itself is returned (it carries the second vendor page);
// none when `config_path` is not present.
std::optional<std::string> FindVendorInputInterface(HidBackend& backend, const std::string& config_path);

// Every interface on which the mouse configured through `config_path` sends vendor input reports:
// its 0xFF23 input interface and, on long-report mice, the configuration interface itself (usage
// page 0xFF18 carries vendor input reports too). Empty when `config_path` is not present.
std::vector<std::string> VendorInputPaths(HidBackend& backend, const std::string& config_path);

}  // namespace halvric
