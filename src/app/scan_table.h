#pragma once
// The program's usage-to-scan-code table, loaded once from the compiled-in text resource.

#include "config/usage_to_scan_table.h"

namespace halvric {

const UsageToScanTable& ProgramScanTable();

}  // namespace halvric
