// Identification: the string descriptors 199 and 198 and the answers read while a mouse is
// identified (information entries, status, the identity record) come from whatever device
// carries the vendor id. The input is split as
//   byte 0       bit 0: the long-report configuration interface, else the short one
//   byte 1       length of string 199, then its bytes
//   next byte    length of string 198, then its bytes
//   the rest     the Get Feature answers, one report after the other (report id excluded);
//                once it runs out the device answers idle with zeros.
// What identification stores then goes through everything that is derived from it.
#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "device/device_layer.h"
#include "device/memory_map.h"
#include "device/model_layout.h"
#include "device/model_table.h"
#include "fuzz/fuzz_file.h"

namespace {

using namespace halvric;

class FuzzHandle : public HidHandle {
 public:
  FuzzHandle(HidInterfaceInfo info, std::span<const uint8_t> s199, std::span<const uint8_t> s198,
             std::span<const uint8_t>& answers)
      : info_(std::move(info)), s199_(s199), s198_(s198), answers_(answers) {}

  const HidInterfaceInfo& Info() const override { return info_; }

  bool GetFeature(std::span<uint8_t> buf) override {
    if (buf.size() != static_cast<size_t>(info_.feature_report_length)) std::abort();
    const size_t n = std::min(buf.size() - 1, answers_.size());
    std::fill(buf.begin() + 1, buf.end(), 0);
    std::copy(answers_.begin(), answers_.begin() + static_cast<std::ptrdiff_t>(n), buf.begin() + 1);
    answers_ = answers_.subspan(n);
    return true;
  }

  bool SetFeature(std::span<const uint8_t> buf) override {
    return buf.size() == static_cast<size_t>(info_.feature_report_length);
  }

  int ReadInput(std::span<uint8_t>, int) override { return 0; }

  bool IndexedString(int index, std::span<uint8_t> out) override {
    const std::span<const uint8_t> s = index == 199 ? s199_ : index == 198 ? s198_ : std::span<const uint8_t>();
    if (s.empty()) return false;
    std::fill(out.begin(), out.end(), 0);
    std::copy_n(s.begin(), std::min(s.size(), out.size()), out.begin());
    return true;
  }

  void Pause(int) override {}

 private:
  HidInterfaceInfo info_;
  std::span<const uint8_t> s199_, s198_;
  std::span<const uint8_t>& answers_;
};

class FuzzBackend : public HidBackend {
 public:
  FuzzBackend(bool long_reports, std::span<const uint8_t> s199, std::span<const uint8_t> s198,
              std::span<const uint8_t> answers)
      : s199_(s199), s198_(s198), answers_(answers) {
    info_.path = "fuzz/if";
    info_.vendor_id = kVendorId;
    info_.product_id = 0x1234;
    info_.interface_number = long_reports ? 1 : 0;
    info_.usage_page = long_reports ? 0xFF18 : 1;
    info_.usage = long_reports ? 1 : 2;
    info_.feature_report_length = long_reports ? 64 : 9;
  }

  std::vector<HidInterfaceInfo> Enumerate() override { return {info_}; }
  std::unique_ptr<HidHandle> Open(const std::string& path, std::string*) override {
    if (path != info_.path) return nullptr;
    return std::make_unique<FuzzHandle>(info_, s199_, s198_, answers_);
  }
  void Pause(int) override {}

 private:
  HidInterfaceInfo info_;
  std::span<const uint8_t> s199_, s198_;
  std::span<const uint8_t> answers_;
};

std::span<const uint8_t> TakeCounted(std::span<const uint8_t>& rest) {
  if (rest.empty()) return {};
  const size_t n = std::min<size_t>(rest[0], rest.size() - 1);
  const auto part = rest.subspan(1, n);
  rest = rest.subspan(1 + n);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const std::string lock_file = (fuzz::FuzzFolder() / "transfer.lock").string();
  std::span<const uint8_t> rest(data + 1, size - 1);
  const auto s199 = TakeCounted(rest);
  const auto s198 = TakeCounted(rest);
  FuzzBackend backend((data[0] & 1) != 0, s199, s198, rest);
  DeviceLayer dev(backend, lock_file);
  dev.EnumerateMice();
  for (const std::string& path : dev.DevicePaths()) {
    const auto info = dev.Info(path);
    if (!info.has_value() || info->device_class != 11) std::abort();
    (void)ModelName(*info);
    const ModelLayout layout = DecideModelLayout(info->type_code, info->protocol_level);
    if (layout.buttons < 0 || layout.buttons > kMaxDrawnButtons) std::abort();
    (void)KeyIndexRow(layout.key_row);
    (void)LightingZones(ModelRowFor(info->type_code), info->generation);
    (void)MemoryMapFor(info->protocol_level, HasLighting(*info));
    (void)DpiStep(*info);
    (void)dev.Encoding(path);
  }
  return 0;
}
