#include "config/backup_failure_text.h"

#include "config/safe_format.h"
#include "config/ui_texts.h"

namespace halvric {
namespace {

// The system's message texts of the failures that have one.
constexpr int kMsgNoDevice = 10;       // "No device !!"
constexpr int kMsgInvalidFormat = 20;  // "invalid format !!"

std::string UiStr(const TextTables& texts, int slot, const std::vector<FormatArg>& args = {}) {
  return SafeFormat(texts.Get(TextFamily::ui_str, slot), args);
}

}  // namespace

std::string BackupFailureText(const TextTables& texts, const BackupResult& r, const std::string& file, bool restoring) {
  switch (r.status) {
    case BackupStatus::kOk: return {};
    case BackupStatus::kNoDevice: return texts.Get(TextFamily::msg_str, kMsgNoDevice);
    case BackupStatus::kInvalidFormat: return texts.Get(TextFamily::msg_str, kMsgInvalidFormat);
    case BackupStatus::kFileError: {
      const std::string head = UiStr(texts, restoring ? ui_text::kUpgradeUnreadable : ui_text::kCannotWrite, {file});
      return r.reason.empty() ? head : head + " (" + r.reason + ")";
    }
    case BackupStatus::kTooLarge:
      return UiStr(texts, ui_text::kBackupTooLarge, {static_cast<long long>(r.size), static_cast<long long>(r.capacity)});
    case BackupStatus::kAutoBackupFailed: return UiStr(texts, ui_text::kAutoBackupFailed, {r.reason});
    case BackupStatus::kReadFailed: return UiStr(texts, ui_text::kBackupReadFailed);
    case BackupStatus::kWriteFailed:
      return r.auto_backup.empty() ? UiStr(texts, ui_text::kUpgradeWriteError)
                                   : UiStr(texts, ui_text::kRestoreWriteError, {r.auto_backup.string()});
  }
  return r.message;
}

}  // namespace halvric
