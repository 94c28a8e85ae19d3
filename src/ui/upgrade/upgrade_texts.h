#pragma once
// The upgrade window's changing lines in the user's language: the progress and acknowledgement
// lines, the writer's final message and the reasons a HEX file or a write is refused. The device
// layer words these in English; the window shows them through the ui_str slots.

#include <QString>
#include <string>

#include "device/firmware_writer.h"
#include "device/upgrade_ack.h"
#include "platform/file_result.h"

namespace halvric {

class TextTables;

QString UpgradeProgressText(const TextTables& texts, const UpgradeProgress& progress);
QString UpgradeAckText(const TextTables& texts, int count, const UpgradeAck& ack);
// The writer's final message (write error, abort, backup error or the closing count line) in the
// user's language; any other message as it is.
QString UpgradeMessageText(const TextTables& texts, const std::string& message);
// Why a HEX file could not be loaded: `fault` and the loader's English `detail` for `file`.
QString HexLoadFailureText(const TextTables& texts, FileFault fault, const std::string& detail, const QString& file);

}  // namespace halvric
