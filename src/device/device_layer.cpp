#include "device/device_layer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "device/device_commands.h"
#include "device/feature_transfer.h"
#include "device/mouse.h"
#include "device/protocol_encoding.h"
#include "platform/text.h"

namespace halvric {
namespace {

constexpr size_t kStringBufferSize = 512;


bool IsShortMouseCollection(const HidInterfaceInfo& hi) {
  return hi.interface_number == 0 && hi.feature_report_length == 9 && hi.usage == 2 && hi.usage_page == 1;
}

bool IsLongVendorCollection(const HidInterfaceInfo& hi) {
  return hi.feature_report_length == 64 && hi.usage == 1 && hi.usage_page == 0xFF18;
}

int MapTypeCode(int type, bool long_report) {
  if (type == 12 || type == 13 || (long_report && type == 14)) return 9;
  return type;
}

}  // namespace

std::string LowerPath(std::string path) { return AsciiLower(path); }

DeviceLayer::DeviceLayer(HidBackend& backend, std::string lock_file)
    : backend_(backend), transfer_lock_(std::move(lock_file)) {}

bool DeviceLayer::DeviceTransfer(const std::string& path, Report& request, Report* answer, int delay) {
  std::string error;
  auto handle = backend_.Open(path, &error);
  {
    std::lock_guard g(state_mutex_);
    last_open_error_ = handle ? std::string() : (error.empty() ? "cannot open " + path : error);
  }
  if (!handle) return false;
  const int length = handle->Info().feature_report_length;
  if (length <= 1 || length > static_cast<int>(kLongReportLength)) return false;
  Report scratch;
  Report& ans = answer != nullptr ? *answer : scratch;
  bool stalled = false;
  {
    std::lock_guard g(state_mutex_);
    stalled = stalled_.count(path) != 0;
  }
  const bool ok = FeatureTransfer(*handle, std::span<uint8_t>(request.bytes.data(), length),
                                  std::span<uint8_t>(ans.bytes.data(), length), delay, transfer_lock_,
                                  stalled ? kStalledReadyCheckLimit : kReadyCheckLimit);
  handle->CancelIo();
  if (ok == stalled) {
    std::lock_guard g(state_mutex_);
    if (ok) {
      stalled_.erase(path);
    } else {
      stalled_.insert(path);
    }
  }
  return ok;
}

int DeviceLayer::DeviceCount() const {
  std::lock_guard g(list_mutex_);
  return static_cast<int>(list_.size());
}

std::string DeviceLayer::DevicePath(int index) const {
  std::lock_guard g(list_mutex_);
  if (index < 0 || index >= static_cast<int>(list_.size())) return {};
  return list_[index];
}

std::vector<std::string> DeviceLayer::DevicePaths() const {
  std::lock_guard g(list_mutex_);
  return list_;
}

bool DeviceLayer::IsMouseInterface(const HidInterfaceInfo& hi) {
  if (hi.vendor_id != kVendorId) return false;
  if (IsShortMouseCollection(hi)) return true;
  return (hi.interface_number == 1 || hi.interface_number == 2) && IsLongVendorCollection(hi);
}

void DeviceLayer::EnumerateMice() {
  for (const auto& hi : backend_.Enumerate()) {
    if (IsMouseInterface(hi)) IdentifyDevice(hi.path);
  }
}

void DeviceLayer::AddToList(const std::string& path) {
  std::lock_guard g(list_mutex_);
  if (std::find(list_.begin(), list_.end(), path) == list_.end()) list_.push_back(path);
}

void DeviceLayer::StoreInfo(const std::string& path, const DeviceInfo& info) {
  std::unique_lock g(info_mutex_);
  infos_[path] = Identified{info, &EncodingFor(info.protocol_level),
                            MemoryMapFor(info.protocol_level, halvric::HasLighting(info))};
}

bool DeviceLayer::IdentifyDevice(const std::string& raw_path) {
  const std::string path = LowerPath(raw_path);
  std::lock_guard identify(identify_lock_);
  std::string error;
  auto handle = backend_.Open(path, &error);
  if (!handle) {
    std::lock_guard g(state_mutex_);
    last_open_error_ = error;
    return false;
  }
  const HidInterfaceInfo hi = handle->Info();
  if (IsShortMouseCollection(hi)) return IdentifyShort(path, *handle, hi);
  if (IsLongVendorCollection(hi)) return IdentifyLong(path, *handle, hi);
  handle->CancelIo();
  return false;
}

// The identification strings are read on the identify handle, which is then closed before the
// commands run: every command opens the interface on its own, and one interface is never held
// open twice by the same exchange sequence.
bool DeviceLayer::IdentifyShort(const std::string& path, HidHandle& handle, const HidInterfaceInfo& hi) {
  std::array<uint8_t, kStringBufferSize> s199{}, s198{};
  if (!handle.IndexedString(199, s199) || s199[2] != 'A' || s199[3] != 'R' || s199[4] != 'G') return false;
  DeviceInfo info;
  info.feature_report_length = hi.feature_report_length;
  info.product_id = hi.product_id;
  info.generation = s199[5];
  info.sensor_a = s199[6];
  info.extended_flag = info.generation > 27 ? s199[7] : 0;
  // An early mouse (generation 27 or below) carries no class in its strings; it cannot be told
  // apart from a foreign device and is not accepted.
  if (info.generation > 27) {
    if (!handle.IndexedString(198, s198)) return false;
    info.type_code = MapTypeCode(s198[0], false);
    info.device_class = s198[1];
    info.variant = s198[2];
  }
  handle.CancelIo();
  if (info.device_class != 11) return false;

  std::lock_guard list_guard(list_mutex_);
  // The info table must name the path's level before the commands below pick their encoding.
  info.protocol_level = 0;
  StoreInfo(path, info);
  const Mouse m = MouseAt(*this, path);
  Info0 i0 = GetInfo0(m);
  info.feature_flags = i0.identifier;
  if (std::find(list_.begin(), list_.end(), path) == list_.end()) list_.push_back(path);

  Report status{0, 0, 0, 0, 0, 0, 0x12};
  Report answer;
  if (DeviceTransfer(path, status, &answer, 15)) {
    info.sensor_a = answer[6];
    info.sensor_b = answer[8];
  }
  for (int i = 0; i < kShortInfoEntries; ++i) {
    std::array<uint8_t, 4> entry{};
    if (GetInfoEntry(m, i, entry)) std::copy(entry.begin(), entry.end(), info.record.begin() + 72 + 4 * i);
  }
  StoreInfo(path, info);
  Report hello{0x01, 0x01, 0x01, 0, 0, 0, 0x12};
  DeviceTransfer(path, hello, nullptr, 5);
  return true;
}

bool DeviceLayer::IdentifyLong(const std::string& path, HidHandle& handle, const HidInterfaceInfo& hi) {
  std::array<uint8_t, kStringBufferSize> s{};
  if (!handle.IndexedString(199, s) || s[2] != 'A' || s[3] != 'G') return false;
  handle.CancelIo();
  DeviceInfo info;
  info.feature_report_length = hi.feature_report_length;
  info.product_id = hi.product_id;
  info.protocol_level = s[4];
  info.generation = s[5];
  info.sensor_a = s[6];
  info.type_code = MapTypeCode(s[7], true);
  info.device_class = s[8];
  info.variant = s[9];
  info.sensor_b = s[10];
  info.feature_flags = s[11];
  info.lighting = info.protocol_level < 11 ? s[21] : 1;
  if (info.protocol_level < 3) info.lighting = 0;

  std::lock_guard list_guard(list_mutex_);
  if (info.device_class != 11) return false;
  if (std::find(list_.begin(), list_.end(), path) == list_.end()) list_.push_back(path);
  StoreInfo(path, info);
  const Mouse m = MouseAt(*this, path);

  Wake(m, 0);
  backend_.Pause(12);
  Report hello{0x01, 0x06, 0x02, 0x02};
  Report answer;
  DeviceTransfer(path, hello, &answer, 0);

  m.encoding->ReadIdentityRecord(m, info.record);
  StoreInfo(path, info);
  return true;
}

void DeviceLayer::RemoveDevice(const std::string& raw_path) {
  const std::string path = LowerPath(raw_path);
  std::lock_guard g(list_mutex_);
  list_.erase(std::remove(list_.begin(), list_.end(), path), list_.end());
}

bool DeviceLayer::SendMarker(const std::string& path, uint8_t marker) {
  const Mouse m = MouseAt(*this, path);
  for (int attempt = 0; attempt < kMarkerEchoLimit; ++attempt) {
    if (m.encoding->SendMarker(m, marker)) return true;
  }
  return false;
}

bool DeviceLayer::SelectDevice(const std::string& raw_path, bool use_cache) {
  const std::string path = LowerPath(raw_path);
  use_cache_.store(use_cache);
  {
    std::lock_guard g(current_mutex_);
    current_path_ = path;
  }
  mirror_.Clear();
  std::lock_guard g(list_mutex_);
  bool selected_echoed = false;
  for (const auto& p : list_) {
    const bool echoed = SendMarker(p, p == path ? kSelectedMarker : 0);
    if (p == path) selected_echoed = echoed;
  }
  return selected_echoed;
}

std::optional<DeviceInfo> DeviceLayer::Info(const std::string& path) const {
  std::shared_lock g(info_mutex_);
  auto it = infos_.find(LowerPath(path));
  if (it == infos_.end()) return std::nullopt;
  return it->second.info;
}

int DeviceLayer::ProtocolLevel(const std::string& path) const {
  std::shared_lock g(info_mutex_);
  auto it = infos_.find(path);
  if (it == infos_.end()) it = infos_.find(LowerPath(path));
  return it == infos_.end() ? 0 : it->second.info.protocol_level;
}

const ProtocolEncoding& DeviceLayer::Encoding(const std::string& path) const {
  std::shared_lock g(info_mutex_);
  auto it = infos_.find(path);
  if (it == infos_.end()) it = infos_.find(LowerPath(path));
  return it == infos_.end() ? EncodingFor(0) : *it->second.encoding;
}

bool DeviceLayer::HasLighting(const std::string& path) const {
  const auto info = Info(path);
  return info && halvric::HasLighting(*info);
}

MemoryMap DeviceLayer::Map(const std::string& path) const {
  std::shared_lock g(info_mutex_);
  auto it = infos_.find(path);
  if (it == infos_.end()) it = infos_.find(LowerPath(path));
  return it == infos_.end() ? MemoryMapFor(0, false) : it->second.map;
}

std::string DeviceLayer::CurrentPath() const {
  std::lock_guard g(current_mutex_);
  return current_path_;
}

void DeviceLayer::ClearCurrentPath() {
  std::lock_guard g(current_mutex_);
  current_path_.clear();
}

bool DeviceLayer::IsCurrent(const std::string& path) const {
  std::lock_guard g(current_mutex_);
  return !current_path_.empty() && current_path_ == path;
}

std::string DeviceLayer::LastOpenError() const {
  std::lock_guard g(state_mutex_);
  return last_open_error_;
}

}  // namespace halvric
