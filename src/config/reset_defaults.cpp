#include "config/reset_defaults.h"

#include <algorithm>
#include <chrono>
#include <span>
#include <thread>

#include "config/default_image.h"
#include "device/device_commands.h"
#include "device/memory_size.h"

namespace halvric {

ResetResult ResetToDefaults(DeviceLayer& dev, WorkingCopy& wc, const ResetOptions& options) {
  const std::string path = dev.CurrentPath();
  const auto info = dev.Info(path);
  if (path.empty() || !info) return ResetResult::kNoDevice;
  const Mouse m = MouseAt(dev, path);
  const int level = info->protocol_level;
  const bool lighting = HasLighting(*info);

  uint32_t top = kDefaultMemoryTop;
  if (m.map.probe_size_on_reset) {
    top = ProbeMemorySize(m);
  } else if (const int reported = GetMemorySize(m); reported > 0) {
    top = static_cast<uint32_t>(reported);
  }
  if (options.before_write && !options.before_write()) return ResetResult::kBackupFailed;

  const int dpi_step = DpiStep(*info);
  const std::vector<uint8_t> image = BuildDefaultImage(level, lighting, dpi_step);
  // A memory smaller than the image would repeat itself: never write past its top.
  const size_t size = std::min<size_t>(image.size(), size_t{top} + 1);
  constexpr size_t kPiece = 32;
  // From the first write on, a failure leaves the mouse holding part of the defaults: the working
  // copy no longer describes it.
  const auto write_failed = [&wc] {
    wc.loaded = false;
    return ResetResult::kWriteFailed;
  };
  for (size_t a = 0; a < size; a += kPiece) {
    const size_t n = std::min(kPiece, size - a);
    if (!WriteMemory(m, static_cast<uint32_t>(a), std::span<const uint8_t>(image.data() + a, n))) {
      return write_failed();
    }
    ReportProgress(options.progress, static_cast<double>(a + n) / size);
  }
  if (HasLighting(*info)) {
    const uint32_t led_mode = m.map.led_mode;
    if (!SetLedMode(m, image[led_mode]) || !SendLightingApply(m)) return write_failed();
  }
  if (!Commit(m)) return write_failed();
  dev.backend().Pause(100);
  if (ReadAll(dev, wc) != ReadAllResult::kLoaded) return ResetResult::kReadBackFailed;
  if (!SelectProfileStored(m, 0)) return ResetResult::kWriteFailed;
  return ResetResult::kDone;
}

ReadAllResult ReadAllOrRepair(DeviceLayer& dev, WorkingCopy& wc, const ResetOptions& options) {
  return ReadPartsOrRepair(dev, wc, kReadEverything, options);
}

ReadAllResult ReadPartsOrRepair(DeviceLayer& dev, WorkingCopy& wc, unsigned parts, const ResetOptions& options) {
  const ReadAllResult r =
      parts == kReadEverything ? ReadAll(dev, wc, options.progress) : ReadParts(dev, wc, parts, options.progress);
  if (r != ReadAllResult::kUninitialised) return r;
  switch (ResetToDefaults(dev, wc, options)) {
    case ResetResult::kDone: return ReadAllResult::kLoaded;
    case ResetResult::kNoDevice: return ReadAllResult::kNoDevice;
    default: return ReadAllResult::kFailed;
  }
}

}  // namespace halvric
