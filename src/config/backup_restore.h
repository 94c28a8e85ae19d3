#pragma once
// Saving the connected mouse's whole memory to a backup file and writing such a file back.
// Both run on a worker thread of the caller and report progress as a fraction with a busy flag.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "config/read_all.h"
#include "config/working_copy.h"
#include "device/device_layer.h"

namespace halvric {


// Fraction 0 to 1 and whether the operation is still running.
using BusyProgressFn = std::function<void(double fraction, bool busy)>;

enum class BackupStatus {
  kOk,
  kNoDevice,          // no mouse is connected
  kFileError,         // the file cannot be opened, read or written
  kInvalidFormat,     // not a complete backup file ("invalid format !!"); nothing was sent
  kTooLarge,          // the image is larger than the mouse's memory; nothing was written
  kAutoBackupFailed,  // the mouse's memory could not be saved first; nothing was written
  kReadFailed,        // the mouse stopped answering during the backup; no file was written
  kWriteFailed,       // the mouse stopped answering while the image was written
};

struct BackupResult {
  BackupStatus status = BackupStatus::kOk;
  std::string message;                  // for the user, in English; empty on success
  std::string reason;                   // file error: the system's reason; automatic backup: what failed
  uint32_t size = 0;                    // image bytes saved or written (too large: in the file)
  uint32_t capacity = 0;                // too large: the bytes of the mouse's memory
  std::filesystem::path auto_backup;    // restore: the automatic backup made before writing
  ReadAllResult reread = ReadAllResult::kNoDevice;  // restore: the re-read of the settings
  bool ok() const { return status == BackupStatus::kOk; }
};

// Saves the memory of the current mouse (its highest address + 1 bytes) to `file`, written
// atomically: a failed backup leaves no file and an existing file untouched.
BackupResult Backup(DeviceLayer& dev, const std::string& file, const BusyProgressFn& progress = {});

// Writes the image of `file` into the current mouse, re-applies its lighting, makes the mouse
// reload and re-reads the settings into `wc`; last it selects profile 0 and wakes the mouse.
// The file is checked completely before anything is sent. An image larger than the mouse's
// memory is refused: writing on would wrap around into the start of its memory. Before the
// first write the mouse's memory is saved as an automatic backup under `data_folder`; when that
// fails nothing is written. An image of 0 bytes writes nothing (and needs no automatic backup).
BackupResult Restore(DeviceLayer& dev, WorkingCopy& wc, const std::string& file,
                     const std::filesystem::path& data_folder, const BusyProgressFn& progress = {});

}  // namespace halvric
