#include "config/key_labels.h"

#include "config/key_tables.h"
#include "platform/key_names.h"
#include "platform/text.h"

namespace halvric {

KeyLabels::KeyLabels() : names_(std::make_shared<NoKeyNames>()) {}

KeyLabels::KeyLabels(const UsageToScanTable& scan_table, std::shared_ptr<const KeyNameSource> names)
    : scan_(scan_table), names_(names ? std::move(names) : std::make_shared<NoKeyNames>()) {}

const KeyNameSource& KeyLabels::names() const { return *names_; }

std::string KeyLabels::KeyName(int usage) const { return KeyNameText(usage, 0, scan_, *names_); }

std::string KeyLabels::KeyText(int usage, int modifiers) const { return KeyNameText(usage, modifiers, scan_, *names_); }

std::optional<int> KeyLabels::UsageOfName(std::string_view name) const {
  const std::string wanted = AsciiLower(name);
  if (wanted.empty()) return std::nullopt;
  for (const auto& row : KeyNameTable()) {
    const std::string layout = scan_.SystemKeyName(row.code, *names_);
    if (!layout.empty() && AsciiLower(layout) == wanted) return row.code;
  }
  for (const auto& row : KeyNameTable()) {
    if (AsciiLower(row.name) == wanted) return row.code;
  }
  return std::nullopt;
}

}  // namespace halvric
