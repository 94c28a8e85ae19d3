#pragma once
// The key tables the windows share: the usage-to-scan-code table compiled into the program and
// the on-screen keyboard read from the program folder's keyboard.ini.

#include "config/screen_keyboard.h"

namespace halvric {

class KeyLabels;
class TextTables;
class UsageToScanTable;

// Read once from the program's resources; empty when the resource is missing.
const UsageToScanTable& ProgramScanTable();

// The on-screen keyboard of the program folder, labelled with the key names of `keys` (the
// user's layout).
ScreenKeyboard LoadProgramScreenKeyboard(const TextTables& texts, const KeyLabels& keys);

}  // namespace halvric
