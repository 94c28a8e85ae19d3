#include "platform/linux/hidraw_attributes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <system_error>

#include "platform/report_descriptor.h"
#include "platform/text.h"

namespace halvric::linux_hid {
namespace {

// A whole string as an unsigned number in `base`; nullopt on any stray character or overflow.
std::optional<uint32_t> ParseUnsigned(std::string_view s, int base) {
  if (s.empty()) return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<std::string> ReadText(const std::filesystem::path& file) {
  auto bytes = ReadSmallFile(file);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

}  // namespace

std::string LowerCasePath(std::string path) {
  return AsciiLower(path);
}

std::optional<HidId> ParseHidId(std::string_view text) {
  text = Trim(text);
  const size_t first = text.find(':');
  if (first == std::string_view::npos) return std::nullopt;
  const size_t second = text.find(':', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const auto bus = ParseUnsigned(text.substr(0, first), 16);
  const auto vendor = ParseUnsigned(text.substr(first + 1, second - first - 1), 16);
  const auto product = ParseUnsigned(text.substr(second + 1), 16);
  if (!bus || !vendor || !product || *bus > 0xFFFF || *vendor > 0xFFFF || *product > 0xFFFF) return std::nullopt;
  return HidId{static_cast<uint16_t>(*bus), static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product)};
}

std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key) {
  while (!uevent.empty()) {
    const size_t eol = uevent.find('\n');
    std::string_view line = uevent.substr(0, eol);
    uevent = eol == std::string_view::npos ? std::string_view{} : uevent.substr(eol + 1);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(Trim(line.substr(key.size() + 1)));
    }
  }
  return std::nullopt;
}

int InterfaceNumberFromPhys(std::string_view phys) {
  phys = Trim(phys);
  constexpr std::string_view kTail = "/input";
  const size_t at = phys.rfind(kTail);
  if (at == std::string_view::npos) return -1;
  const auto n = ParseUnsigned(phys.substr(at + kTail.size()), 10);
  if (!n || *n > 255) return -1;
  return static_cast<int>(*n);
}

int ParseInterfaceNumberAttribute(std::string_view text) {
  const auto n = ParseUnsigned(Trim(text), 16);
  if (!n || *n > 255) return -1;
  return static_cast<int>(*n);
}

void ApplyReportDescriptor(std::span<const uint8_t> descriptor, HidInterfaceInfo& info) {
  const ReportDescriptorSummary summary = ParseReportDescriptor(descriptor);
  const TopLevelCollection* primary = PrimaryCollection(summary);
  if (primary == nullptr) return;
  info.usage_page = primary->usage_page;
  info.usage = primary->usage;
  info.feature_report_length = FeatureReportLength(*primary);
}

std::optional<HidInterfaceInfo> ReadHidrawInfo(const std::string& devnode, const HidrawSysfsDirs& dirs) {
  const auto uevent = ReadText(dirs.hid_device / "uevent");
  if (!uevent) return std::nullopt;
  const auto hid_id_text = UeventValue(*uevent, "HID_ID");
  if (!hid_id_text) return std::nullopt;
  const auto hid_id = ParseHidId(*hid_id_text);
  if (!hid_id) return std::nullopt;

  HidInterfaceInfo info;
  info.path = LowerCasePath(devnode);
  info.vendor_id = hid_id->vendor_id;
  info.product_id = hid_id->product_id;
  if (!dirs.usb_interface.empty()) {
    if (const auto text = ReadText(dirs.usb_interface / "bInterfaceNumber")) {
      info.interface_number = ParseInterfaceNumberAttribute(*text);
    }
  }
  if (info.interface_number < 0) {
    if (const auto phys = UeventValue(*uevent, "HID_PHYS")) info.interface_number = InterfaceNumberFromPhys(*phys);
  }
  if (const auto descriptor = ReadSmallFile(dirs.hid_device / "report_descriptor")) {
    ApplyReportDescriptor(*descriptor, info);
  }
  return info;
}

std::optional<HidInterfaceInfo> ReadHidrawInfo(const std::string& devnode, const std::filesystem::path& hidraw_dir) {
  std::error_code ec;
  const std::filesystem::path hid = std::filesystem::canonical(hidraw_dir / "device", ec);
  if (ec) return std::nullopt;
  HidrawSysfsDirs dirs;
  dirs.hid_device = hid;
  const std::filesystem::path parent = hid.parent_path();
  if (std::filesystem::exists(parent / "bInterfaceNumber", ec)) dirs.usb_interface = parent;
  return ReadHidrawInfo(devnode, dirs);
}

std::optional<UsbLocation> ReadUsbLocation(const std::filesystem::path& usb_device_dir) {
  const auto bus_text = ReadText(usb_device_dir / "busnum");
  const auto dev_text = ReadText(usb_device_dir / "devnum");
  if (!bus_text || !dev_text) return std::nullopt;
  const auto bus = ParseUnsigned(Trim(*bus_text), 10);
  const auto address = ParseUnsigned(Trim(*dev_text), 10);
  if (!bus || !address || *bus > 255 || *address > 255) return std::nullopt;
  return UsbLocation{static_cast<int>(*bus), static_cast<int>(*address)};
}

std::optional<std::vector<uint8_t>> ReadSmallFile(const std::filesystem::path& file, size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes;
  char chunk[4096];
  while (in) {
    in.read(chunk, sizeof chunk);
    const auto got = static_cast<size_t>(in.gcount());
    if (bytes.size() + got > limit) return std::nullopt;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace halvric::linux_hid
