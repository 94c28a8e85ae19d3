#include "ui/upgrade/upgrade_texts.h"

#include <cstdio>
#include <string_view>

#include "config/text_tables.h"
#include "ui/kit/ui_text.h"

namespace halvric {

QString UpgradeProgressText(const TextTables& texts, const UpgradeProgress& p) {
  return UiText(texts, ui_text::kUpgradeProgressLine,
                {static_cast<long long>(p.piece.address), static_cast<long long>(p.piece.End()),
                 static_cast<long long>(p.piece.length), static_cast<long long>(p.errors)});
}

QString UpgradeAckText(const TextTables& texts, int count, const UpgradeAck& ack) {
  return UiText(texts, ui_text::kUpgradeAckLine,
                {static_cast<long long>(count), static_cast<long long>(ack.address), static_cast<long long>(ack.status)});
}

QString UpgradeMessageText(const TextTables& texts, const std::string& message) {
  if (message == kUpgradeWriteError) return UiText(texts, ui_text::kUpgradeWriteError);
  if (message == kUpgradeAbortMessage) return UiText(texts, ui_text::kUpgradeAborted);
  if (message == kUpgradeBackupError) return UiText(texts, ui_text::kUpgradeBackupError);
  // The closing line of a completed write, as FormatUpgradeDone words it.
  int pieces = 0;
  long long milliseconds = 0;
  int errors = 0;
  char end = 0;
  if (std::sscanf(message.c_str(), "count %d, %lldms (err count=%d%c", &pieces, &milliseconds, &errors, &end) == 4 &&
      end == ')' && message == FormatUpgradeDone(pieces, milliseconds, errors)) {
    return UiText(texts, ui_text::kUpgradeDone, {static_cast<long long>(pieces), milliseconds, static_cast<long long>(errors)});
  }
  return QString::fromStdString(message);
}

}  // namespace halvric
