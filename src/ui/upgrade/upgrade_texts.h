#pragma once
// The upgrade window's changing lines in the user's language: the progress and acknowledgement
// lines and the writer's final message. The device layer words these in English; the window shows
// them through the ui_str slots. (Why a HEX file is refused: config/hex_refusal_text.)

#include <QString>
#include <string>

#include "device/firmware_writer.h"
#include "device/upgrade_ack.h"

namespace halvric {

class TextTables;

QString UpgradeProgressText(const TextTables& texts, const UpgradeProgress& progress);
QString UpgradeAckText(const TextTables& texts, int count, const UpgradeAck& ack);
// The writer's final message (write error, abort, backup error or the closing count line) in the
// user's language; any other message as it is.
QString UpgradeMessageText(const TextTables& texts, const std::string& message);

}  // namespace halvric
