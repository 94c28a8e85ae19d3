#pragma once
// The device layer: the list of identified mice, what is known about each, the current mouse and
// its memory mirror, and the one transfer primitive through which every command reaches a mouse.

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <vector>

#include "device/device_info.h"
#include "device/memory_map.h"
#include "device/memory_mirror.h"
#include "device/report.h"
#include "device/transfer_lock.h"
#include "platform/hid_backend.h"

namespace halvric {

class ProtocolEncoding;

// Tries of the selection-marker echo before a mouse that never echoes is given up.
inline constexpr int kMarkerEchoLimit = 50;
inline constexpr uint8_t kSelectedMarker = 0x15;

class DeviceLayer {
 public:
  // `lock_file`: the cross-process transfer lock file (empty: the default under the runtime folder).
  explicit DeviceLayer(HidBackend& backend, std::string lock_file = {});
  DeviceLayer(const DeviceLayer&) = delete;
  DeviceLayer& operator=(const DeviceLayer&) = delete;

  HidBackend& backend() { return backend_; }

  // Opens the interface, runs one exchange with the interface's own report length and closes it.
  // False when the interface cannot be opened, has no feature reports, or the exchange failed
  // (busy for ever, no answer, request not delivered). `answer` may be null when delay < 0.
  bool DeviceTransfer(const std::string& path, Report& request, Report* answer, int delay);

  // --- device list
  int DeviceCount() const;
  std::string DevicePath(int index) const;  // empty when out of range
  std::vector<std::string> DevicePaths() const;

  // Identifies every present interface that IsMouseInterface accepts.
  void EnumerateMice();
  static bool IsMouseInterface(const HidInterfaceInfo& info);
  // Identifies one interface; when accepted it is listed and its DeviceInfo stored.
  bool IdentifyDevice(const std::string& path);
  void RemoveDevice(const std::string& path);
  // Makes `path` current, clears the mirror and sends the selection marker to every listed mouse
  // (0x15 to this one, 0 to the others), each until echoed. False when `path` did not echo.
  bool SelectDevice(const std::string& path, bool use_cache);

  // --- attributes
  std::optional<DeviceInfo> Info(const std::string& path) const;
  // 0 for a path that was never identified.
  int ProtocolLevel(const std::string& path) const;
  // The encoding and memory map chosen when the path was identified (a path that was never
  // identified gets the short encoding and its map).
  const ProtocolEncoding& Encoding(const std::string& path) const;
  MemoryMap Map(const std::string& path) const;
  // Whether the mouse gets lighting requests at all (HasLighting of its DeviceInfo).
  bool HasLighting(const std::string& path) const;

  std::string CurrentPath() const;
  void ClearCurrentPath();
  bool UseCache() const { return use_cache_.load(); }
  void SetUseCache(bool on) { use_cache_.store(on); }
  MemoryMirror& mirror() { return mirror_; }
  bool IsCurrent(const std::string& path) const;

  // The lighting effect last accepted by SetLedMode.
  int CurrentLedMode() const { return led_mode_.load(); }
  void SetCurrentLedMode(int mode) { led_mode_.store(mode); }

  // Why the last open of an interface failed (e.g. "permission denied"); empty when it did not.
  std::string LastOpenError() const;

 private:
  bool IdentifyShort(const std::string& path, HidHandle& handle, const HidInterfaceInfo& hi);
  bool IdentifyLong(const std::string& path, HidHandle& handle, const HidInterfaceInfo& hi);
  bool SendMarker(const std::string& path, uint8_t marker);
  void StoreInfo(const std::string& path, const DeviceInfo& info);
  void AddToList(const std::string& path);

  HidBackend& backend_;
  TransferLock transfer_lock_;
  std::mutex identify_lock_;
  mutable std::mutex list_mutex_;
  std::vector<std::string> list_;
  mutable std::shared_mutex info_mutex_;
  struct Identified {
    DeviceInfo info;
    const ProtocolEncoding* encoding = nullptr;
    MemoryMap map;
  };
  std::map<std::string, Identified> infos_;
  mutable std::mutex current_mutex_;
  std::string current_path_;
  std::atomic<bool> use_cache_{false};
  std::atomic<int> led_mode_{0};
  MemoryMirror mirror_;
  // Guards what the exchanges leave behind: the last open error and the stalled paths.
  mutable std::mutex state_mutex_;
  std::string last_open_error_;
  std::set<std::string> stalled_;  // paths whose last exchange failed
};

// Lower-cases an interface path, the form in which paths are stored and compared.
std::string LowerPath(std::string path);

}  // namespace halvric
