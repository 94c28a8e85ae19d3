#pragma once
// Automatic backups: before anything overwrites the mouse's whole configuration (a restore, the
// reset to defaults, a firmware write) the mouse's memory is saved into "auto-backup/" under the
// data folder, so that the user can go back. The newest kAutoBackupsKept files are kept.
//
// Files are named "YYYY-MM-DD_HH-MM-SS-NNN_reason.bf" (local time, NNN counts the backups of
// the same second), so that the names sort by age; they are ordinary backup files and can be
// restored like any other.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/mouse.h"
#include "device/progress.h"

namespace halvric {

inline constexpr int kAutoBackupsKept = 10;
inline constexpr const char* kAutoBackupFolderName = "auto-backup";

struct AutoBackup {
  std::filesystem::path file;
  std::string when;    // "YYYY-MM-DD HH:MM:SS"
  std::string reason;  // "restore", "reset", "firmware", ...
  uintmax_t size = 0;  // file size in bytes
};

struct AutoBackupResult {
  bool ok = false;
  std::filesystem::path file;  // the new backup
  std::string error;           // why it failed
};

std::filesystem::path AutoBackupFolder(const std::filesystem::path& data_folder);

// Reads the whole memory of the mouse at `path`, writes it atomically as a new automatic backup
// and removes the oldest ones beyond kAutoBackupsKept. `reason` names the operation that follows
// (letters, digits and '-'; anything else becomes '-').
AutoBackupResult SaveAutoBackup(const Mouse& m, const std::filesystem::path& data_folder,
                                std::string_view reason, const ProgressFn& progress = {},
                                std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// Writes `image` as a new automatic backup and prunes, as SaveAutoBackup does after reading.
AutoBackupResult WriteAutoBackup(std::span<const uint8_t> image, const std::filesystem::path& data_folder,
                                 std::string_view reason,
                                 std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// The automatic backups, newest first. Files of other names in the folder are not listed.
std::vector<AutoBackup> ListAutoBackups(const std::filesystem::path& data_folder);

// Removes all but the newest `keep` automatic backups; other files are left alone.
void PruneAutoBackups(const std::filesystem::path& data_folder, int keep = kAutoBackupsKept);

}  // namespace halvric
