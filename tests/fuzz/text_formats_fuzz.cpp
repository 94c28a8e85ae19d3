// One translated text used as every text the describing functions format: the button
// descriptions, the instruction texts and the message formats, with numbers and names.
#include <string>

#include "config/describe_assignment.h"
#include "config/text_tables.h"
#include "macro/instruction_text.h"
#include "config/safe_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)SafeFormat(text, {});
  (void)SafeFormat(text, {-1LL, std::string("name"), 65535LL, std::string(300, 'x')});
  static TextTables texts;
  for (const TextFamily family : {TextFamily::type_str, TextFamily::extra_function_str, TextFamily::macro_str}) {
    for (int i = 0; i < texts.Count(family); ++i) texts.Set(family, i, text);
  }
  for (int type = 0; type <= 42; ++type) (void)DescribeAssignment(texts, type, 255, type * 5, type * 7, 100);
  static const InstructionNames names = TableInstructionNames();
  for (const uint8_t opcode : {0x08, 0x10, 0x18, 0x89, 0xA0, 0xC0}) {
    (void)InstructionText({opcode, 0xFF, 0x7F, 0x01, 0x80}, texts, names);
  }
  return 0;
}
