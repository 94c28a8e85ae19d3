#pragma once
// The macro byte code: one opcode byte followed by 0-4 little-endian operand bytes. The same
// bytes are used in the editor's list, in .mf files, in the mouse's memory and by recording.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace halvric {

// One instruction of an instruction list, copied by value.
struct _MACRO_ITEM_ {
  int32_t size = 0;                    // length in bytes (1-5), 0 for an invalid opcode
  std::array<uint8_t, 5> code{};       // b0..b4; bytes beyond `size` are 0
  uint32_t inserted = 0;               // tick (ms) when inserted by hand; 0 otherwise
  int32_t untimed = 0;                 // on append: non-zero clears `inserted`

  bool operator==(const _MACRO_ITEM_&) const = default;
};

using MacroItemList = std::vector<_MACRO_ITEM_>;

// Playback modes (button function codes).
inline constexpr int kMacroModeOnce = 8;
inline constexpr int kMacroModeLoop = 9;
inline constexpr int kMacroModeFire = 10;

// A macro as the editor holds it: never contains the end instruction.
struct Macro {
  std::string name;
  int mode = kMacroModeOnce;
  MacroItemList items;
};

// Opcodes the program itself produces.
namespace op {
inline constexpr uint8_t kEnd = 0x00;
inline constexpr uint8_t kJump = 0x08;
inline constexpr uint8_t kLoopJump = 0x10;
inline constexpr uint8_t kSetCounter = 0x18;
inline constexpr uint8_t kButtonPress = 0x20;
inline constexpr uint8_t kButtonRelease = 0x40;
inline constexpr uint8_t kWheel = 0x60;
inline constexpr uint8_t kMove = 0x80;
inline constexpr uint8_t kKeyPress = 0x83;
inline constexpr uint8_t kKeyRelease = 0x84;
inline constexpr uint8_t kConsumer = 0x85;
inline constexpr uint8_t kDelay8 = 0x88;
inline constexpr uint8_t kDelay16 = 0x89;
inline constexpr uint8_t kMoveToUnsigned = 0xA0;
inline constexpr uint8_t kMoveTo = 0xC0;
}  // namespace op

// Mouse button bits of opcodes 20-5F.
inline constexpr uint8_t kMacroButtonLeft = 0x01;
inline constexpr uint8_t kMacroButtonRight = 0x02;
inline constexpr uint8_t kMacroButtonMiddle = 0x04;
inline constexpr uint8_t kMacroButtonFourth = 0x08;
inline constexpr uint8_t kMacroButtonFifth = 0x10;

// Length of the instruction starting with `opcode`: 1, 2, 3 or 5; 0 for an invalid opcode.
int InstructionSizeOf(uint8_t opcode);

// Fills `item` with the five bytes at `bytes` and the size from the length rule. Returns 0 for a
// valid opcode, 2 for the mode markers 04-06 and 255 for an invalid opcode (size 0).
// `bytes` must point at five readable bytes.
int InstructionLength(const uint8_t* bytes, _MACRO_ITEM_& item);

// Builds an item from up to five bytes (missing bytes are 0); the size follows the length rule.
_MACRO_ITEM_ MakeItem(std::initializer_list<uint8_t> bytes);

// Walks a byte string into instructions: stops at a byte 00, at the end of `bytes`, after
// `max_items` instructions (when not negative), or at an invalid opcode or an instruction that
// would run past the end (the rest is not instruction data we can interpret).
MacroItemList ParseInstructions(std::span<const uint8_t> bytes, long max_items = -1);

// Concatenates the first `size` bytes of every item's code.
std::vector<uint8_t> SerializeInstructions(const MacroItemList& items);

// The delay instruction for a gap of `ms` milliseconds: 88 below 256 ms, else 89 with the low
// 16 bits. Returns false (no instruction) for a gap of 0 or less.
bool DelayInstruction(long long ms, _MACRO_ITEM_& item);

// A delay inserted by hand: 88 01.
_MACRO_ITEM_ DefaultDelayItem();

// Hand-inserted pairs: key press + release, button press + release.
std::array<_MACRO_ITEM_, 2> KeyStrokePair(uint8_t usage);
std::array<_MACRO_ITEM_, 2> ButtonClickPair(uint8_t buttons);

// One wheel instruction for a signed notch count (clamped to -16..15).
_MACRO_ITEM_ WheelItem(int notches);

// Pointer instructions: absolute position (C0, signed) and relative movement (80).
_MACRO_ITEM_ MoveToItem(int x, int y);
_MACRO_ITEM_ MoveByItem(int dx, int dy);

// Operand readers.
inline int U16(const _MACRO_ITEM_& item, int at) { return item.code[at] | (item.code[at + 1] << 8); }
inline int S16(const _MACRO_ITEM_& item, int at) { return static_cast<int16_t>(U16(item, at)); }

}  // namespace halvric
