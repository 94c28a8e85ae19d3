#include "config/backup_failure_text.h"

#include "config/ui_texts.h"

namespace halvric {
namespace {

// The system's message texts of the failures that have one.
constexpr int kMsgNoDevice = msg_text::kNoDevice;
constexpr int kMsgInvalidFormat = msg_text::kInvalidFormat;

}  // namespace

std::string BackupFailureText(const TextTables& texts, const BackupResult& r, const std::string& file, bool restoring) {
  switch (r.status) {
    case BackupStatus::kOk: return {};
    case BackupStatus::kNoDevice: return texts.Get(TextFamily::msg_str, kMsgNoDevice);
    case BackupStatus::kInvalidFormat: return texts.Get(TextFamily::msg_str, kMsgInvalidFormat);
    case BackupStatus::kFileError: {
      const std::string head = ui_text::Formatted(texts, restoring ? ui_text::kUpgradeUnreadable : ui_text::kCannotWrite, {file});
      return r.reason.empty() ? head : head + " (" + r.reason + ")";
    }
    case BackupStatus::kTooLarge:
      return ui_text::Formatted(texts, ui_text::kBackupTooLarge, {static_cast<long long>(r.size), static_cast<long long>(r.capacity)});
    case BackupStatus::kAutoBackupFailed: return ui_text::Formatted(texts, ui_text::kAutoBackupFailed, {r.reason});
    case BackupStatus::kReadFailed: return ui_text::Formatted(texts, ui_text::kBackupReadFailed);
    case BackupStatus::kWriteFailed:
      return r.auto_backup.empty() ? ui_text::Formatted(texts, ui_text::kUpgradeWriteError)
                                   : ui_text::Formatted(texts, ui_text::kRestoreWriteError, {r.auto_backup.string()});
  }
  return r.message;
}

}  // namespace halvric
