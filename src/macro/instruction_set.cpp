#include "macro/instruction_set.h"

#include <algorithm>

namespace halvric {

int InstructionSizeOf(uint8_t opcode) {
  switch (opcode) {
    case 0x00: case 0x01: case 0x04: case 0x05: case 0x06:
      return 1;
    case 0x08: case 0x10: case 0x18:
      return 3;
    case 0x80: case 0xA0: case 0xC0:
      return 5;
    case 0x81: case 0x82: case 0x83: case 0x84: case 0x88:
      return 2;
    case 0x85: case 0x89:
      return 3;
    default:
      break;
  }
  const int top = opcode & 0xE0;
  if (top == 0x20 || top == 0x40 || top == 0x60) return 1;
  if (opcode >= 0xC1 && opcode <= 0xCF) return 1;
  return 0;
}

int InstructionLength(const uint8_t* bytes, _MACRO_ITEM_& item) {
  std::copy(bytes, bytes + 5, item.code.begin());
  item.size = InstructionSizeOf(bytes[0]);
  if (item.size == 0) return 255;
  if (bytes[0] >= 0x04 && bytes[0] <= 0x06) return 2;
  return 0;
}

_MACRO_ITEM_ MakeItem(std::initializer_list<uint8_t> bytes) {
  _MACRO_ITEM_ item;
  std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 5), item.code.begin());
  item.size = InstructionSizeOf(item.code[0]);
  return item;
}

MacroItemList ParseInstructions(std::span<const uint8_t> bytes, long max_items) {
  MacroItemList items;
  std::size_t at = 0;
  while (at < bytes.size() && (max_items < 0 || static_cast<long>(items.size()) < max_items)) {
    const uint8_t opcode = bytes[at];
    if (opcode == op::kEnd) break;
    const int size = InstructionSizeOf(opcode);
    if (size == 0 || at + static_cast<std::size_t>(size) > bytes.size()) break;
    _MACRO_ITEM_ item;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), size, item.code.begin());
    item.size = size;
    items.push_back(item);
    at += static_cast<std::size_t>(size);
  }
  return items;
}

std::vector<uint8_t> SerializeInstructions(const MacroItemList& items) {
  std::vector<uint8_t> out;
  for (const auto& item : items) {
    const int n = std::clamp(item.size, 0, 5);
    out.insert(out.end(), item.code.begin(), item.code.begin() + n);
  }
  return out;
}

bool DelayInstruction(long long ms, _MACRO_ITEM_& item) {
  if (ms <= 0) return false;
  if (ms < 256) {
    item = MakeItem({op::kDelay8, static_cast<uint8_t>(ms)});
  } else {
    item = MakeItem({op::kDelay16, static_cast<uint8_t>(ms & 0xFF), static_cast<uint8_t>((ms >> 8) & 0xFF)});
  }
  return true;
}

_MACRO_ITEM_ DefaultDelayItem() { return MakeItem({op::kDelay8, 1}); }

std::array<_MACRO_ITEM_, 2> KeyStrokePair(uint8_t usage) {
  return {MakeItem({op::kKeyPress, usage}), MakeItem({op::kKeyRelease, usage})};
}

std::array<_MACRO_ITEM_, 2> ButtonClickPair(uint8_t buttons) {
  const uint8_t bits = buttons & 0x1F;
  return {MakeItem({static_cast<uint8_t>(op::kButtonPress | bits)}),
          MakeItem({static_cast<uint8_t>(op::kButtonRelease | bits)})};
}

_MACRO_ITEM_ WheelItem(int notches) {
  const int n = std::clamp(notches, -16, 15);
  return MakeItem({static_cast<uint8_t>(op::kWheel | (n & 0x1F))});
}

namespace {
_MACRO_ITEM_ FiveByte(uint8_t opcode, int a, int b) {
  const auto ua = static_cast<uint16_t>(a);
  const auto ub = static_cast<uint16_t>(b);
  return MakeItem({opcode, static_cast<uint8_t>(ua & 0xFF), static_cast<uint8_t>(ua >> 8),
                   static_cast<uint8_t>(ub & 0xFF), static_cast<uint8_t>(ub >> 8)});
}
}  // namespace

_MACRO_ITEM_ MoveToItem(int x, int y) { return FiveByte(op::kMoveTo, x, y); }
_MACRO_ITEM_ MoveByItem(int dx, int dy) { return FiveByte(op::kMove, dx, dy); }

}  // namespace halvric
