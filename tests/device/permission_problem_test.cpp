#include "device/permission_problem.h"

#include <gtest/gtest.h>
#include <map>

#include "device/device_info.h"

namespace halvric {
namespace {

// A backend whose interfaces are listed but never open, each failing with its own reason;
// interfaces without a reason open.
class RefusingBackend final : public HidBackend {
 public:
  struct OpenHandle final : HidHandle {
    explicit OpenHandle(HidInterfaceInfo i) : info(std::move(i)) {}
    const HidInterfaceInfo& Info() const override { return info; }
    bool GetFeature(std::span<uint8_t>) override { return false; }
    bool SetFeature(std::span<const uint8_t>) override { return false; }
    int ReadInput(std::span<uint8_t>, int) override { return -1; }
    bool IndexedString(int, std::span<uint8_t>) override { return false; }
    HidInterfaceInfo info;
  };

  void Add(HidInterfaceInfo info, std::string refusal) {
    refusals[info.path] = std::move(refusal);
    interfaces.push_back(std::move(info));
  }
  std::vector<HidInterfaceInfo> Enumerate() override { return interfaces; }
  std::unique_ptr<HidHandle> Open(const std::string& path, std::string* error) override {
    for (const auto& i : interfaces) {
      if (i.path != path) continue;
      if (refusals[path].empty()) return std::make_unique<OpenHandle>(i);
      if (error != nullptr) *error = refusals[path];
      return nullptr;
    }
    if (error != nullptr) *error = "no such device";
    return nullptr;
  }

  std::vector<HidInterfaceInfo> interfaces;
  std::map<std::string, std::string> refusals;
};

HidInterfaceInfo LongVendorInterface(std::string path, int number, uint16_t vendor = kVendorId) {
  HidInterfaceInfo i;
  i.path = std::move(path);
  i.vendor_id = vendor;
  i.interface_number = number;
  i.usage_page = 0xFF18;
  i.usage = 1;
  i.feature_report_length = 64;
  return i;
}

HidInterfaceInfo ShortMouseInterface(std::string path) {
  HidInterfaceInfo i;
  i.path = std::move(path);
  i.vendor_id = kVendorId;
  i.interface_number = 0;
  i.usage_page = 1;
  i.usage = 2;
  i.feature_report_length = 9;
  return i;
}

TEST(PermissionProblem, NamesTheRuleForAnUnopenableMouse) {
  RefusingBackend backend;
  EXPECT_EQ(PermissionProblem(backend), "");

  // A mouse interface that opens is no problem, whatever else is refused.
  backend.Add(LongVendorInterface("/dev/hidraw4", 1), "");
  backend.Add(LongVendorInterface("/dev/hidraw0", 1, 0x046D), "permission denied");  // another vendor
  EXPECT_EQ(PermissionProblem(backend), "");

  // This vendor's interface that the device layer would not identify as a mouse (interface 0
  // of a long-report mouse, without features) does not count.
  HidInterfaceInfo no_features = LongVendorInterface("/dev/hidraw5", 0);
  no_features.usage_page = 1;
  no_features.usage = 2;
  no_features.feature_report_length = 0;
  backend.Add(no_features, "permission denied");
  EXPECT_EQ(PermissionProblem(backend), "");

  // A vanished interface is no permission problem.
  backend.Add(LongVendorInterface("/dev/hidraw6", 2), "no such device");
  EXPECT_EQ(PermissionProblem(backend), "");

  backend.Add(ShortMouseInterface("/dev/hidraw7"), "permission denied");
  const std::string message = PermissionProblem(backend);
  EXPECT_NE(message.find("/dev/hidraw7"), std::string::npos) << message;
  EXPECT_NE(message.find("permission denied"), std::string::npos) << message;
  EXPECT_NE(message.find("70-halvric.rules"), std::string::npos) << message;
  EXPECT_NE(message.find("plug it in again"), std::string::npos) << message;
}

}  // namespace
}  // namespace halvric
