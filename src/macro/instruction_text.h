#pragma once
// Display text of one macro instruction in the current language.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "macro/instruction_set.h"

namespace halvric {

class KeyLabels;
class TextTables;

// Where the names inside instruction texts come from: the key name of a keyboard usage (the
// system's name of the key where there is one) and the fixed name of a consumer usage.
struct InstructionNames {
  std::function<std::string(int usage)> key_name;
  std::function<std::string(int usage)> consumer_name;
};

// Key names from the key name table and consumer names from the fixed consumer name table.
InstructionNames TableInstructionNames();
// Key names from `keys` (the user's layout; the labels must outlive the result) and consumer
// names from the fixed consumer name table: what the macro editor and halvricctl show.
InstructionNames LabelInstructionNames(const KeyLabels& keys);

// Text of the instruction whose five bytes are `code`; empty for 81, 82 and invalid opcodes.
std::string InstructionText(const std::array<uint8_t, 5>& code, const TextTables& texts,
                            const InstructionNames& names);

// Mode text ("Execute one time", "Loop mode", "Firekey mode") of a mode value 8-10; other
// values read as 8.
std::string MacroModeText(int mode, const TextTables& texts);

// The editor's mode label of a loaded macro: "Loop mode" for 9, "Firekey mode" for 10, and
// "One time mode" for any other value.
std::string EditorModeLabel(int mode, const TextTables& texts);

}  // namespace halvric
