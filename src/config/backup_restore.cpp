#include "config/backup_restore.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <span>
#include <thread>

#include "config/auto_backup.h"
#include "config/backup_file.h"
#include "config/memory_image.h"
#include "device/device_commands.h"
#include "platform/atomic_file.h"

namespace halvric {
namespace {

// Writing a restore in pieces of this size keeps each piece within one memory-write command.
constexpr uint32_t kRestoreWriteStep = 32;

BackupResult Fail(BackupStatus status, std::string message, std::string reason = {}) {
  BackupResult r;
  r.status = status;
  r.message = std::move(message);
  r.reason = std::move(reason);
  return r;
}

void Busy(const BusyProgressFn& fn, double fraction, bool busy) {
  if (fn) fn(fraction, busy);
}

}  // namespace

BackupResult Backup(DeviceLayer& dev, const std::string& file, const BusyProgressFn& progress) {
  const std::string path = dev.CurrentPath();
  if (path.empty()) return Fail(BackupStatus::kNoDevice, "No device !!");
  const Mouse m = MouseAt(dev, path);
  const uint32_t size = MemoryImageSize(m);
  Busy(progress, 0.0, true);
  const auto image = ReadMemoryImage(m, size, [&](double f) { Busy(progress, f, true); });
  if (!image) {
    Busy(progress, 0.0, false);
    return Fail(BackupStatus::kReadFailed, "The mouse stopped answering; no backup was written");
  }
  std::string error;
  if (!WriteBackupFile(file, *image, &error)) {
    Busy(progress, 0.0, false);
    std::string reason = ErrorReason(error);
    if (!error.empty()) error.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(error.front())));
    return Fail(BackupStatus::kFileError, error, std::move(reason));
  }
  Busy(progress, 1.0, false);
  BackupResult r;
  r.size = size;
  return r;
}

BackupResult Restore(DeviceLayer& dev, WorkingCopy& wc, const std::string& file,
                     const std::filesystem::path& data_folder, const BusyProgressFn& progress) {
  const auto image = LoadBackupFile(file);
  if (!image) {
    return image.fault() == FileFault::kUnreadable
               ? Fail(BackupStatus::kFileError, image.message(), ErrorReason(image.message()))
               : Fail(BackupStatus::kInvalidFormat, image.message());
  }

  const std::string path = dev.CurrentPath();
  if (path.empty()) return Fail(BackupStatus::kNoDevice, "No device !!");
  const Mouse m = MouseAt(dev, path);
  const auto size = static_cast<uint32_t>(image->size());

  BackupResult result;
  result.size = size;
  if (size > 0) {
    const uint32_t capacity = MemoryImageSize(m);
    if (size > capacity) {
      BackupResult r = Fail(BackupStatus::kTooLarge, "The backup holds " + std::to_string(size) +
                                                         " bytes but the mouse's memory has only " + std::to_string(capacity));
      r.size = size;
      r.capacity = capacity;
      return r;
    }
    const AutoBackupResult saved = SaveAutoBackup(m, data_folder, "restore");
    if (!saved.ok) {
      return Fail(BackupStatus::kAutoBackupFailed,
                  "The mouse's settings could not be saved before the restore (" + saved.error + "); nothing was written",
                  saved.error);
    }
    result.auto_backup = saved.file;
  }

  Wake(m);
  if (size > 0) {
    Busy(progress, 0.0, true);
    for (uint32_t offset = 0; offset < size; offset += kRestoreWriteStep) {
      const uint32_t n = std::min(kRestoreWriteStep, size - offset);
      if (!WriteMemory(m, offset, std::span<const uint8_t>(image->data() + offset, n))) {
        Busy(progress, static_cast<double>(offset) / size, false);
        result.status = BackupStatus::kWriteFailed;
        // The mouse now holds part of the file: the working copy no longer describes it.
        wc.loaded = false;
        result.message = "write error!! The settings before the restore are in " + result.auto_backup.string();
        return result;
      }
      Busy(progress, static_cast<double>(offset + n) / size, true);
    }
    Busy(progress, 1.0, true);
    // The image is in the mouse; a mouse that stops answering now has not reloaded it, and the
    // remaining requests would each wait out the handshake for nothing.
    const auto stopped_answering = [&] {
      Busy(progress, 1.0, false);
      wc.loaded = false;
      result.status = BackupStatus::kWriteFailed;
      result.message = "write error!! The settings before the restore are in " + result.auto_backup.string();
      return result;
    };
    if (dev.HasLighting(path)) {
      if (!SendLightingApply(m)) return stopped_answering();
      const uint32_t led_mode = dev.Map(path).led_mode;
      if (size > led_mode) SetLedMode(m, (*image)[led_mode]);
    }
    if (!Commit(m)) return stopped_answering();
    dev.backend().Pause(10);
    result.reread = ReadAll(dev, wc);
    Busy(progress, 1.0, false);
    if (result.reread == ReadAllResult::kFailed) return stopped_answering();
  }
  SelectProfileLive(m, 0);
  Wake(m);
  return result;
}

}  // namespace halvric
