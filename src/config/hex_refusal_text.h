#pragma once
// Why a firmware HEX file was refused, said in the language of the text tables: the upgrade
// window and halvricctl show the same sentence.

#include <string>

#include "config/text_tables.h"
#include "device/intel_hex.h"

namespace halvric {

// "FILE: cannot be read (reason)", "FILE is too large for a firmware HEX file", or
// "invalid HEX file: line 3: record too short". `file` is the name the user gave.
std::string HexRefusalText(const TextTables& texts, const HexRefusal& refusal, const std::string& file);

}  // namespace halvric
