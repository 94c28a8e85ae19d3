#pragma once
// The one source of key names for every window and for halvricctl: the name the user's keyboard
// layout gives a key where it has one, else the program's table name. The main window, the button
// setting dialog (its on-screen keyboard and its descriptions), the macro editor's instruction
// rows and halvricctl all name keys through one of these, so that on an AZERTY or QWERTZ keyboard
// they agree with each other and with the labels printed on the keys.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/usage_to_scan_table.h"

namespace halvric {

class KeyNameSource;

class KeyLabels {
 public:
  // Table names only (no scan codes, no layout).
  KeyLabels();
  // Names of `names`' layout, reached through the scan codes of `scan_table`; a null source
  // means table names only.
  KeyLabels(const UsageToScanTable& scan_table, std::shared_ptr<const KeyNameSource> names);

  // The name of a keyboard usage's key; empty for a usage without a row in the key name table.
  std::string KeyName(int usage) const;
  // Modifier prefix followed by the key name; a usage without a table row gives the prefix
  // without its final " + " ("Ctrl + Shift" for modifiers alone).
  std::string KeyText(int usage, int modifiers) const;
  // The usage whose key carries `name` (case-insensitive): the layout's names first, so that a
  // name reads back as the key shown under it (on an AZERTY keyboard "A" is the key labelled A,
  // not the one where a US keyboard has it), then the table names. Nothing for an unknown name.
  std::optional<int> UsageOfName(std::string_view name) const;

  const UsageToScanTable& scan_table() const { return scan_; }
  const KeyNameSource& names() const;

 private:
  UsageToScanTable scan_;
  std::shared_ptr<const KeyNameSource> names_;
};

}  // namespace halvric
