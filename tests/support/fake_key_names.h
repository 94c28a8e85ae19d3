#pragma once
// A keyboard layout for tests: the letters an AZERTY keyboard moves (the US keys A, Q, W and Z
// are labelled Q, A, Z and W), every other key without a layout name.

#include <map>
#include <string>

#include "platform/key_names.h"

namespace halvric::testing {

class AzertyKeyNames final : public KeyNameSource {
 public:
  std::string KeyName(int scan_code) const override {
    // Set-1 scan codes of the US positions Q, W, A, Z.
    static const std::map<int, std::string> kNames = {{0x10, "A"}, {0x11, "Z"}, {0x1E, "Q"}, {0x2C, "W"}};
    const auto it = kNames.find(scan_code);
    return it == kNames.end() ? std::string() : it->second;
  }
};

// HID usages of the keys at the US positions A, Q, W and Z.
inline constexpr int kUsageUsA = 0x04;
inline constexpr int kUsageUsQ = 0x14;
inline constexpr int kUsageUsW = 0x1A;
inline constexpr int kUsageUsZ = 0x1D;

}  // namespace halvric::testing
