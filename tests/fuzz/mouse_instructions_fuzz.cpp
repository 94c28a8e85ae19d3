// What the mouse answers for a macro: its name field and its instruction bytes, which the
// editor shows and writes back unchanged.
#include <cstdlib>
#include <span>

#include "config/macro_slot.h"
#include "config/text_tables.h"
#include "macro/instruction_set.h"
#include "macro/instruction_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const std::span<const uint8_t> bytes(data, size);
  const std::size_t name_size = std::min<std::size_t>(size, kMacroNameField);
  const std::string name = DecodeMacroName(bytes.first(name_size));
  const auto encoded = EncodeMacroName(name);
  if (DecodeMacroName(encoded) != name) std::abort();

  const auto code = bytes.subspan(name_size);
  const MacroItemList items = ParseInstructions(code);
  static const TextTables texts;
  static const InstructionNames names = TableInstructionNames();
  std::size_t total = 0;
  for (const _MACRO_ITEM_& item : items) {
    if (item.size < 1 || item.size > 5) std::abort();
    total += static_cast<std::size_t>(item.size);
    (void)InstructionText(item.code, texts, names);
  }
  if (total > code.size()) std::abort();
  // Parsing what the program writes gives the same instructions again.
  if (ParseInstructions(SerializeInstructions(items)) != items) std::abort();
  return 0;
}
