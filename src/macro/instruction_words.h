#pragma once
// Macro instructions as short words that a person can read and edit in a text file, and back:
// "key-down A", "wait 120", "button-up left+right", "move 5 -3". Every instruction has a form
// that reads back to the same bytes; what has no word of its own is written "raw 81 05".

#include <optional>
#include <string>
#include <string_view>

#include "config/key_labels.h"
#include "macro/instruction_set.h"

namespace halvric {

// The words of `item`; key names are those of `keys`. Reading the result with
// ParseInstructionWords gives `item` back (the form falls back to "raw" where it would not).
std::string InstructionWords(const _MACRO_ITEM_& item, const KeyLabels& keys);

// The instruction the words name; nothing (with the reason in `error`) for anything else.
std::optional<_MACRO_ITEM_> ParseInstructionWords(std::string_view text, const KeyLabels& keys,
                                                  std::string* error = nullptr);

}  // namespace halvric
