#include "macro/instruction_text.h"

#include "config/key_labels.h"
#include "config/key_tables.h"
#include "config/text_tables.h"
#include "config/safe_format.h"

namespace halvric {

namespace {

// Slots of the macro text family.
enum MacroText {
  kTextOnce = 0,
  kTextLoop = 1,
  kTextFire = 2,
  kTextKeyPress = 3,
  kTextKeyRelease = 4,
  kTextDelay = 5,
  kTextJump = 6,
  kTextLoopJump = 7,
  kTextSetCounter = 8,
  kTextConsumerRelease = 9,
  kTextConsumerPress = 10,
  kTextMove = 11,
  kTextWheel = 12,
  kTextButtonPress = 13,
  kTextButtonRelease = 14,
  kTextSystem = 15,
  kTextMoveTo = 16,
};

const std::string& Text(const TextTables& texts, int slot) { return texts.Get(TextFamily::macro_str, slot); }

std::string ButtonList(uint8_t bits, const TextTables& texts) {
  // Bit order of the list: Left, Right, Middle, then 0x10 ("B4") before 0x08 ("B5").
  static constexpr std::array<std::pair<uint8_t, int>, 5> kOrder{
      {{0x01, 0}, {0x02, 1}, {0x04, 2}, {0x10, 3}, {0x08, 4}}};
  std::string list;
  for (const auto& [bit, label] : kOrder) {
    if ((bits & bit) != 0) list += "[" + texts.Get(TextFamily::macro_bt_str, label) + "]";
  }
  return list;
}

std::string Name(const std::function<std::string(int)>& lookup, int usage) {
  return lookup ? lookup(usage) : std::string();
}

}  // namespace

InstructionNames TableInstructionNames() {
  return {[](int usage) { return std::string(KeyTableName(usage)); },
          [](int usage) { return std::string(ConsumerUsageName(usage)); }};
}

InstructionNames LabelInstructionNames(const KeyLabels& keys) {
  return {[&keys](int usage) { return keys.KeyName(usage); },
          [](int usage) { return std::string(ConsumerUsageName(usage)); }};
}

std::string InstructionText(const std::array<uint8_t, 5>& code, const TextTables& texts,
                            const InstructionNames& names) {
  _MACRO_ITEM_ item;
  item.code = code;
  const uint8_t opcode = code[0];
  switch (opcode) {
    case 0x00: case 0x01: return "Stop";
    case 0x04: return Text(texts, kTextOnce);
    case 0x05: return Text(texts, kTextLoop);
    case 0x06: return Text(texts, kTextFire);
    case op::kJump: return SafeFormat(Text(texts, kTextJump), {U16(item, 1)});
    case op::kLoopJump: return SafeFormat(Text(texts, kTextLoopJump), {U16(item, 1)});
    case op::kSetCounter: return SafeFormat(Text(texts, kTextSetCounter), {U16(item, 1)});
    case op::kMove: return SafeFormat(Text(texts, kTextMove), {S16(item, 1), S16(item, 3)});
    case op::kKeyPress: return SafeFormat(Text(texts, kTextKeyPress), {Name(names.key_name, code[1])});
    case op::kKeyRelease: return SafeFormat(Text(texts, kTextKeyRelease), {Name(names.key_name, code[1])});
    case op::kConsumer: {
      const int usage = U16(item, 1);
      if (usage == 0) return Text(texts, kTextConsumerRelease);
      return SafeFormat(Text(texts, kTextConsumerPress), {Name(names.consumer_name, usage)});
    }
    case op::kDelay8: return SafeFormat(Text(texts, kTextDelay), {static_cast<long long>(code[1])});
    case op::kDelay16: return SafeFormat(Text(texts, kTextDelay), {U16(item, 1)});
    case op::kMoveToUnsigned: return SafeFormat(Text(texts, kTextMoveTo), {U16(item, 1), U16(item, 3)});
    case op::kMoveTo: return SafeFormat(Text(texts, kTextMoveTo), {S16(item, 1), S16(item, 3)});
    default: break;
  }
  switch (opcode & 0xE0) {
    case 0x20: return SafeFormat(Text(texts, kTextButtonPress), {ButtonList(opcode & 0x1F, texts)});
    case 0x40: return SafeFormat(Text(texts, kTextButtonRelease), {ButtonList(opcode & 0x1F, texts)});
    case 0x60: {
      int count = opcode & 0x1F;
      if ((count & 0x10) != 0) count -= 0x20;
      return SafeFormat(Text(texts, kTextWheel), {static_cast<long long>(count)});
    }
    default: break;
  }
  if (opcode >= 0xC1 && opcode <= 0xCF) return Text(texts, kTextSystem);
  return {};
}

std::string MacroModeText(int mode, const TextTables& texts) {
  switch (mode) {
    case kMacroModeLoop: return Text(texts, kTextLoop);
    case kMacroModeFire: return Text(texts, kTextFire);
    default: return Text(texts, kTextOnce);
  }
}

std::string EditorModeLabel(int mode, const TextTables& texts) {
  // Button captions 15-17: "One time mode", "Loop mode", "Firekey mode".
  switch (mode) {
    case kMacroModeLoop: return texts.Get(TextFamily::button_str, 16);
    case kMacroModeFire: return texts.Get(TextFamily::button_str, 17);
    default: return texts.Get(TextFamily::button_str, 15);
  }
}

}  // namespace halvric
