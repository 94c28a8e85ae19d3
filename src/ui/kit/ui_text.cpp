#include "ui/kit/ui_text.h"

#include "config/text_tables.h"

namespace halvric {

QString UiText(const TextTables& texts, int slot) {
  return QString::fromStdString(texts.Get(TextFamily::ui_str, slot));
}

QString UiText(const TextTables& texts, int slot, const std::vector<FormatArg>& args) {
  return QString::fromStdString(SafeFormat(texts.Get(TextFamily::ui_str, slot), args));
}

}  // namespace halvric
