#include "device/vendor_input_interface.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace halvric {
namespace {

size_t CommonPrefix(const std::string& a, const std::string& b) {
  size_t n = 0;
  while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
  return n;
}

// The number at the end of a path ("/dev/hidraw12" -> 12, "sim/0/if2" -> 2); -1 when none.
long TrailingNumber(const std::string& path) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] >= '0' && path[start - 1] <= '9') --start;
  if (start == path.size() || path.size() - start > 9) return -1;
  return std::strtol(path.c_str() + start, nullptr, 10);
}

}  // namespace

std::optional<std::string> FindVendorInputInterface(HidBackend& backend, const std::string& config_path) {
  const std::vector<HidInterfaceInfo> all = backend.Enumerate();
  const auto config = std::find_if(all.begin(), all.end(), [&](const HidInterfaceInfo& i) { return i.path == config_path; });
  if (config == all.end()) return std::nullopt;
  const long config_number = TrailingNumber(config_path);

  const HidInterfaceInfo* best = nullptr;
  std::tuple<size_t, long> best_score{0, 0};
  for (const HidInterfaceInfo& i : all) {
    if (i.path == config_path || i.vendor_id != config->vendor_id || i.product_id != config->product_id ||
        i.usage_page != kVendorInputUsagePage) {
      continue;
    }
    const long number = TrailingNumber(i.path);
    const long distance = number >= 0 && config_number >= 0 ? std::labs(number - config_number) : 1L << 30;
    // Larger prefix first, then smaller distance.
    const std::tuple<size_t, long> score{CommonPrefix(i.path, config_path), -distance};
    if (best == nullptr || score > best_score) {
      best = &i;
      best_score = score;
    }
  }
  return best != nullptr ? best->path : config_path;
}

std::vector<std::string> VendorInputPaths(HidBackend& backend, const std::string& config_path) {
  const auto input = FindVendorInputInterface(backend, config_path);
  if (!input) return {};
  std::vector<std::string> paths{*input};
  if (*input != config_path) {
    for (const HidInterfaceInfo& i : backend.Enumerate()) {
      if (i.path == config_path && i.usage_page == kVendorConfigUsagePage) paths.push_back(config_path);
    }
  }
  return paths;
}

}  // namespace halvric
