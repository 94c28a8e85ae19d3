#pragma once
// The program's own window texts (text family ui_str, slots in config/ui_texts.h) as Qt
// strings; a text with conversions is formatted with SafeFormat, so a translation that asks for
// other arguments shows less, never garbage.

#include <QString>
#include <vector>

#include "config/ui_texts.h"
#include "config/safe_format.h"

namespace halvric {

class TextTables;

QString UiText(const TextTables& texts, int slot);
QString UiText(const TextTables& texts, int slot, const std::vector<FormatArg>& args);

}  // namespace halvric
