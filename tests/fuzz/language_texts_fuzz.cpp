// Language files: every text of a damaged or hostile translation is used where the program
// uses it, including as a format with numbers and texts (button descriptions, instruction texts,
// mode texts and the formats of the messages).
#include <array>
#include <string>

#include "config/describe_assignment.h"
#include "config/text_tables.h"
#include "fuzz/fuzz_file.h"
#include "macro/instruction_text.h"
#include "config/safe_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace halvric;
  const auto path = fuzz::WriteInput("language.ini", data, size);
  TextTables texts;
  // The first section the file names is the requested language when it holds texts.
  const int language = texts.LoadLanguage(path.string(), size > 0 ? 1000 + data[0] : 1033);
  (void)language;
  // Only the texts the file replaced are formatted: the English defaults are the same on every
  // run, and formatting all of them made each run a thousand times slower than the file's own.
  static const TextTables defaults;
  // Every family, up to the first index that names none (Count is 0 beyond the last).
  for (int family = 0; defaults.Count(static_cast<TextFamily>(family)) > 0; ++family) {
    const auto f = static_cast<TextFamily>(family);
    for (int i = 0; i < texts.Count(f); ++i) {
      if (texts.Get(f, i) == defaults.Get(f, i)) continue;
      (void)SafeFormat(texts.Get(f, i), {-1LL, std::string("name"), 65535LL});
    }
  }
  // Every function type once (and one beyond them), every kind of instruction once.
  for (int type = 0; type <= 42; ++type) (void)DescribeAssignment(texts, type, 255, type * 5, type * 7, 100);
  static const InstructionNames names = TableInstructionNames();
  for (const uint8_t opcode : {0x08, 0x10, 0x18, 0x21, 0x41, 0x61, 0x80, 0x83, 0x84, 0x85, 0x88, 0x89, 0xA0, 0xC0}) {
    (void)InstructionText({opcode, 0xFF, 0x7F, 0x01, 0x80}, texts, names);
  }
  for (int mode = 7; mode <= 11; ++mode) {
    (void)MacroModeText(mode, texts);
    (void)EditorModeLabel(mode, texts);
  }
  return 0;
}
